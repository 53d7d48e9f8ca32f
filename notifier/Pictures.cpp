#include "Pictures.h"

#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace {

// A rendering of the artwork, as the build made it: raw premultiplied ARGB, side x side.
// Null when the build has none.
QPixmap rendered(const char *name, int side)
{
    QFile file(QStringLiteral(":/news/%1-%2.argb").arg(QLatin1String(name)).arg(side));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray pixels = file.readAll();
    if (pixels.size() != qsizetype(side) * side * 4)
        return {};
    const QImage image(reinterpret_cast<const uchar *>(pixels.constData()), side, side, side * 4,
                       QImage::Format_ARGB32_Premultiplied);
    return QPixmap::fromImage(image.copy());
}

// A rounded green tile: the stand-in for both pictures, with a white dot for the icon and
// an exclamation mark (bar and dot, no font) for the alert.
QPixmap drawnPicture(int side, bool exclamation)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / 32.0, side / 32.0);
    QLinearGradient fill(0, 0, 0, 32);
    fill.setColorAt(0, QColor(0x2f, 0x9a, 0x55));
    fill.setColorAt(1, QColor(0x0e, 0x3b, 0x20));
    painter.setPen(QPen(QColor(0x0b, 0x2e, 0x19), 1.0));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    if (exclamation) {
        painter.drawRoundedRect(QRectF(13.5, 6, 5, 14), 2, 2);
        painter.drawEllipse(QRectF(13.5, 22, 5, 5));
    } else {
        painter.drawEllipse(QRectF(10, 10, 12, 12));
    }
    return pixmap;
}

} // namespace

namespace Pictures {

QIcon applicationIcon()
{
    // The 16-pixel icon is drawn apart, simpler, so that it stays legible that small.
    QIcon icon;
    const QPixmap small = rendered("app-icon-16", 16);
    if (!small.isNull())
        icon.addPixmap(small);
    for (const int side : {22, 24, 32, 48, 64}) {
        const QPixmap pixmap = rendered("app-icon", side);
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    if (icon.isNull())
        icon.addPixmap(drawnPicture(32, false));
    return icon;
}

QPixmap alertPicture(qreal devicePixelRatio)
{
    const bool doubled = devicePixelRatio > 1.0;
    QPixmap pixmap = rendered("alert-picture", doubled ? 64 : 32);
    if (pixmap.isNull())
        pixmap = drawnPicture(doubled ? 64 : 32, true);
    pixmap.setDevicePixelRatio(doubled ? 2.0 : 1.0);
    return pixmap;
}

} // namespace Pictures
