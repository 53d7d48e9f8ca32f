// Build tool: renders the application icon from its SVG artwork to PNG at the sizes the
// desktop's icon theme looks for (menus, task bars, launchers, file managers).
//
// Usage: render-icon SVG SIDE OUT.png [SIDE OUT.png ...]
// Exit status 1 when the SVG cannot be read or a picture cannot be written.

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: render-icon SVG SIDE OUT.png [SIDE OUT.png ...]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen"); // a build step: no display needed
    QGuiApplication app(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render-icon: cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 2; i + 1 < argc; i += 2) {
        const int side = QByteArray(argv[i]).toInt();
        const QString path = QString::fromLocal8Bit(argv[i + 1]);
        if (side <= 0) {
            std::fprintf(stderr, "render-icon: bad size %s\n", argv[i]);
            return 1;
        }
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(0, 0, side, side));
        painter.end();
        // Themes want straight alpha in their PNGs.
        const QImage straight = image.convertToFormat(QImage::Format_ARGB32);
        if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !straight.save(path, "PNG")) {
            std::fprintf(stderr, "render-icon: cannot write %s\n", argv[i + 1]);
            return 1;
        }
    }
    return 0;
}
