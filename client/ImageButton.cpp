#include "ImageButton.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

ImageButton::ImageButton(const QString &base, const QSize &size, const QString &name, QWidget *parent, bool plainNormal)
    : QAbstractButton(parent)
    , m_base(base)
    , m_size(size)
    , m_plainNormal(plainNormal)
{
    setFixedSize(size);
    setToolTip(name);
    setAccessibleName(name);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

QString ImageButton::picture(const char *state) const
{
    const QString prefix = QStringLiteral(":/assets/") + m_base;
    if (m_plainNormal && qstrcmp(state, "normal") == 0)
        return prefix + QStringLiteral(".svg");
    return prefix + QLatin1Char('-') + QLatin1String(state) + QStringLiteral(".svg");
}

void ImageButton::paintEvent(QPaintEvent *)
{
    const char *state = !isEnabled() ? "disabled" : isDown() ? "pressed" : m_hovered ? "hover" : "normal";
    QString file = picture(state);
    bool faded = false;
    if (!QFile::exists(file)) {
        faded = !isEnabled();
        file = picture("normal");
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (faded)
        painter.setOpacity(0.4);
    QSvgRenderer renderer(file);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(m_size)));
    if (hasFocus()) {
        painter.setOpacity(1.0);
        QPen pen(palette().color(QPalette::Highlight), 1, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void ImageButton::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void ImageButton::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}
