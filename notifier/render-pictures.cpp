// Build tool: renders the notifier's SVG pictures at the sizes it shows them, as raw pixels
// (side x side premultiplied ARGB, 32 bits each in the machine's byte order, row by row).
// The resident program then takes ready pixels: no SVG renderer, no image decoder and none
// of the image-format plugins a decoder loads stay in its memory while it idles.
//
// Usage: render-pictures SVG SIDE OUT.argb [SIDE OUT.argb ...]
// Exit status 1 when the SVG cannot be read or a picture cannot be written.

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: render-pictures SVG SIDE OUT.argb [SIDE OUT.argb ...]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen"); // a build step: no display needed
    QGuiApplication app(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render-pictures: cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 2; i + 1 < argc; i += 2) {
        const int side = QByteArray(argv[i]).toInt();
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter, QRectF(0, 0, side, side));
        painter.end();
        QFile out(QString::fromLocal8Bit(argv[i + 1]));
        const qint64 bytes = qint64(side) * side * 4;
        if (side <= 0 || !out.open(QIODevice::WriteOnly)
            || out.write(reinterpret_cast<const char *>(image.constBits()), bytes) != bytes) {
            std::fprintf(stderr, "render-pictures: cannot write %s\n", argv[i + 1]);
            return 1;
        }
    }
    return 0;
}
