// Renders the program's SVG artwork the way the programs themselves do (QSvgRenderer, QtSvg's
// SVG Tiny 1.2 subset) to PNG at scale 1 and 2, checks every picture against what QtSvg can draw,
// and lays all of them out on one contact sheet together with the header, toolbar and icon sizes
// as the main window puts them side by side.
//
// Usage: render-assets-tool OUTDIR BANNER_FILL SVG...
// Exit status 1 when a picture is malformed, uses something QtSvg ignores, or has the wrong size.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QMap>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

QStringList gWarnings;

void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        gWarnings << message;
}

struct Asset
{
    QString name;
    QString path;
    QSize size;
    QImage x1;
    QImage x2;
};

// Elements and attributes that QtSvg 6.4 drops silently or that pull in something from outside.
const QStringList kForbiddenElements
    = {QStringLiteral("filter"),        QStringLiteral("mask"),   QStringLiteral("clipPath"),
       QStringLiteral("pattern"),       QStringLiteral("style"),  QStringLiteral("image"),
       QStringLiteral("foreignObject"), QStringLiteral("symbol"), QStringLiteral("marker")};
const QStringList kForbiddenAttributes
    = {QStringLiteral("class"), QStringLiteral("style"),     QStringLiteral("filter"),
       QStringLiteral("mask"),  QStringLiteral("clip-path"), QStringLiteral("letter-spacing")};

// Checks the root's width, height and viewBox and the elements used; returns the pixel size or an empty size.
QSize lint(const QString &path, QStringList &problems)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problems << QStringLiteral("cannot be read");
        return {};
    }
    QXmlStreamReader xml(&file);
    QSize size;
    bool root = true;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString element = xml.name().toString();
        const QXmlStreamAttributes attributes = xml.attributes();
        if (root) {
            root = false;
            const int width = attributes.value(QLatin1String("width")).toInt();
            const int height = attributes.value(QLatin1String("height")).toInt();
            const QString viewBox = attributes.value(QLatin1String("viewBox")).toString().simplified();
            const QString expected = QStringLiteral("0 0 %1 %2").arg(width).arg(height);
            if (width <= 0 || height <= 0)
                problems << QStringLiteral("width/height missing or not whole pixels");
            else if (viewBox != expected)
                problems << QStringLiteral("viewBox \"%1\" differs from \"%2\"").arg(viewBox, expected);
            size = QSize(width, height);
        }
        if (kForbiddenElements.contains(element))
            problems << QStringLiteral("<%1> is not drawn by QtSvg").arg(element);
        for (const QXmlStreamAttribute &attribute : attributes) {
            const QString name = attribute.qualifiedName().toString();
            if (kForbiddenAttributes.contains(name))
                problems << QStringLiteral("attribute %1 on <%2>").arg(name, element);
            if (name.endsWith(QLatin1String("href")) && !attribute.value().startsWith(QLatin1Char('#')))
                problems << QStringLiteral("external reference on <%1>").arg(element);
        }
    }
    if (xml.hasError())
        problems << QStringLiteral("XML error: %1").arg(xml.errorString());
    return problems.isEmpty() ? size : QSize();
}

QImage render(QSvgRenderer &renderer, const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

void drawChecker(QPainter &painter, const QRect &rect, const QColor &dark)
{
    painter.save();
    painter.setClipRect(rect);
    painter.fillRect(rect, QColor(0xf4, 0xf4, 0xf4));
    const int cell = 8;
    for (int y = rect.top(); y < rect.bottom(); y += cell) {
        for (int x = rect.left(); x < rect.right(); x += cell) {
            if (((x - rect.left()) / cell + (y - rect.top()) / cell) % 2)
                painter.fillRect(QRect(x, y, cell, cell), dark);
        }
    }
    painter.restore();
}

class Sheet
{
public:
    explicit Sheet(int width)
        : mWidth(width)
    {
    }

    // A block is drawn later into the final image; its height must be known now.
    void add(int height, std::function<void(QPainter &, int top)> draw)
    {
        mBlocks.push_back({height, std::move(draw)});
    }

    QImage finish() const
    {
        int height = kMargin;
        for (const Block &block : mBlocks)
            height += block.height + kMargin;
        QImage sheet(mWidth, height, QImage::Format_ARGB32_Premultiplied);
        sheet.fill(QColor(0xe6, 0xe9, 0xe4));
        QPainter painter(&sheet);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        int top = kMargin;
        for (const Block &block : mBlocks) {
            block.draw(painter, top);
            top += block.height + kMargin;
        }
        return sheet;
    }

    static constexpr int kMargin = 16;

private:
    struct Block
    {
        int height;
        std::function<void(QPainter &, int)> draw;
    };
    int mWidth;
    std::vector<Block> mBlocks;
};

constexpr int kStackWidth = 300;

QFont labelFont(int pixelSize, bool bold = false)
{
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    // Collected from the start, so that start-up chatter does not mix with the report; cleared per picture.
    qInstallMessageHandler(collectWarnings);
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: render-assets-tool OUTDIR BANNER_FILL SVG...\n");
        return 2;
    }
    const QDir outDir(args.at(0));
    const QColor bannerFill(args.at(1));
    QDir().mkpath(outDir.path());

    QMap<QString, Asset> assets;
    bool failed = false;
    for (const QString &path : args.mid(2)) {
        const QString name = QFileInfo(path).completeBaseName();
        QStringList problems;
        const QSize size = lint(path, problems);
        gWarnings.clear();
        QSvgRenderer renderer(path);
        if (!renderer.isValid())
            problems << QStringLiteral("QSvgRenderer cannot load it");
        Asset asset {name, path, size, {}, {}};
        if (problems.isEmpty()) {
            asset.x1 = render(renderer, size);
            asset.x2 = render(renderer, size * 2);
            asset.x1.save(outDir.filePath(name + QStringLiteral(".png")));
            asset.x2.save(outDir.filePath(name + QStringLiteral("@2x.png")));
        }
        problems << gWarnings;
        if (!problems.isEmpty()) {
            failed = true;
            for (const QString &problem : std::as_const(problems))
                std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(problem));
        } else {
            std::printf("%-28s %4d x %-4d -> %s.png, %s@2x.png\n", qPrintable(name), size.width(), size.height(),
                        qPrintable(name), qPrintable(name));
        }
        if (!asset.x1.isNull())
            assets.insert(name, asset);
    }

    const int sheetWidth = 1400;
    Sheet sheet(sheetWidth);
    const QColor ink(0x1d, 0x2b, 0x22);

    sheet.add(28, [&](QPainter &p, int top) {
        p.setPen(ink);
        p.setFont(labelFont(20, true));
        p.drawText(
            QPoint(Sheet::kMargin, top + 22),
            QStringLiteral("FalvanePelorin クエンベルキット — artwork (QtSvg %1)").arg(QLatin1String(qVersion())));
    });

    // The header as the main window shows it: left picture, banner fill, right picture, then the toolbar.
    const auto has = [&](std::initializer_list<const char *> names) {
        for (const char *n : names) {
            if (!assets.contains(QLatin1String(n)))
                return false;
        }
        return true;
    };
    const QStringList buttons
        = {QStringLiteral("home"), QStringLiteral("race"),   QStringLiteral("yoso"),   QStringLiteral("tohyo"),
           QStringLiteral("data"), QStringLiteral("sokuho"), QStringLiteral("option"), QStringLiteral("help")};
    if (has({"banner-left", "banner-right", "toolbar-panel"})) {
        for (int scale : {1, 2}) {
            const int width = 1000 * scale;
            const int height = (64 + 44) * scale;
            sheet.add(height + 22, [&, scale, width, height](QPainter &p, int top) {
                p.setPen(ink);
                p.setFont(labelFont(13, true));
                p.drawText(QPoint(Sheet::kMargin, top + 14),
                           QStringLiteral(
                               "header at scale %1: banner fill %2; back and forward disabled, reload and 予想 under "
                               "the mouse, 速報 pressed; the rest of the band as skin.qss paints QToolBar")
                               .arg(scale)
                               .arg(bannerFill.name()));
                QImage header(width, height, QImage::Format_ARGB32_Premultiplied);
                header.fill(bannerFill);
                QPainter h(&header);
                const auto pick
                    = [&](const QString &n) { return scale == 1 ? assets.value(n).x1 : assets.value(n).x2; };
                h.drawImage(0, 0, pick(QStringLiteral("banner-left")));
                const QImage right = pick(QStringLiteral("banner-right"));
                h.drawImage(width - right.width(), 0, right);
                // The toolbar's own background beyond the pictures, with the colours of skin.qss's QToolBar.
                const QRect band(0, 64 * scale, width, 44 * scale);
                QLinearGradient strip(band.topLeft(), band.bottomLeft());
                strip.setColorAt(0, QColor(0xff, 0xff, 0xff));
                strip.setColorAt(0.5, QColor(0xf1, 0xf4, 0xec));
                strip.setColorAt(1, QColor(0xd9, 0xe2, 0xd3));
                h.fillRect(band, strip);
                h.fillRect(QRect(0, band.top(), width, scale), QColor(0xc9, 0xa2, 0x27));
                h.fillRect(QRect(0, band.bottom() + 1 - scale, width, scale), QColor(0x9f, 0xb2, 0x9f));
                h.drawImage(0, 64 * scale, pick(QStringLiteral("toolbar-panel")));
                const int navLeft[] = {3, 38, 74, 110};
                const char *nav[] = {"nav-back-disabled", "nav-forward-normal", "nav-stop-normal", "nav-reload-hover"};
                for (int i = 0; i < 4; ++i) {
                    const QImage img = pick(QLatin1String(nav[i]));
                    if (!img.isNull())
                        h.drawImage(navLeft[i] * scale, (64 + 6) * scale, img);
                }
                for (int i = 0; i < buttons.size(); ++i) {
                    QString n = QStringLiteral("btn-") + buttons.at(i);
                    if (i == 2)
                        n += QStringLiteral("-hover");
                    if (i == 5)
                        n += QStringLiteral("-pressed");
                    const QImage img = pick(n);
                    if (!img.isNull())
                        h.drawImage((147 + 92 * i) * scale, 64 * scale, img);
                }
                h.end();
                p.drawImage(Sheet::kMargin, top + 22,
                            header.copy(0, 0, std::min(width, sheetWidth - 2 * Sheet::kMargin), height));
            });
        }
    }

    // Every picture on its own at both scales.
    int x = Sheet::kMargin;
    int rowHeight = 0;
    std::vector<std::pair<QPoint, Asset>> row;
    const auto flush = [&]() {
        if (row.empty())
            return;
        const auto placed = row;
        const int height = rowHeight;
        sheet.add(height, [placed](QPainter &p, int top) {
            for (const auto &[pos, asset] : placed) {
                const bool white = asset.name.startsWith(QLatin1String("caption-"));
                const QColor dark = white ? QColor(0x0e, 0x3b, 0x20) : QColor(0xd0, 0xd4, 0xd0);
                const int w1 = asset.x1.width();
                const int w2 = asset.x2.width();
                // Wide pictures stand with their enlargement beneath, the others beside it.
                const bool stacked = asset.size.width() > kStackWidth;
                const QRect r1(pos.x(), top + 18, w1, asset.x1.height());
                const QRect r2 = stacked ? QRect(pos.x(), r1.bottom() + 9, w2, asset.x2.height())
                                         : QRect(pos.x() + w1 + 8, top + 18, w2, asset.x2.height());
                if (white) {
                    p.fillRect(r1, dark);
                    p.fillRect(r2, dark);
                } else {
                    drawChecker(p, r1, dark);
                    drawChecker(p, r2, dark);
                }
                p.drawImage(r1.topLeft(), asset.x1);
                p.drawImage(r2.topLeft(), asset.x2);
                p.setPen(QColor(0x1d, 0x2b, 0x22));
                p.setFont(labelFont(11));
                p.drawText(
                    QPoint(pos.x(), top + 12),
                    QStringLiteral("%1  %2×%3").arg(asset.name).arg(asset.size.width()).arg(asset.size.height()));
            }
        });
        row.clear();
        x = Sheet::kMargin;
        rowHeight = 0;
    };
    for (const Asset &asset : std::as_const(assets)) {
        const bool stacked = asset.size.width() > kStackWidth;
        const int w = std::max(stacked ? asset.size.width() * 2 : asset.size.width() * 3 + 8, 150);
        const int h = (stacked ? asset.size.height() * 3 + 8 : asset.size.height() * 2) + 18;
        if (x + w > sheetWidth - Sheet::kMargin)
            flush();
        row.emplace_back(QPoint(x, 0), asset);
        x += w + 20;
        rowHeight = std::max(rowHeight, h);
    }
    flush();

    // The splash as the program shows it, with its version line over the picture (Tahoma 11 pt bold, white,
    // 190 pixels from the left and 105 from the top; another sans where Tahoma is missing).
    if (has({"splash"})) {
        const Asset splash = assets.value(QStringLiteral("splash"));
        sheet.add(22 + splash.x2.height(), [&, splash](QPainter &p, int top) {
            p.setPen(ink);
            p.setFont(labelFont(13, true));
            p.drawText(
                QPoint(Sheet::kMargin, top + 14),
                QStringLiteral("splash with the version line, at scale 1 and 2, over a light and a dark desktop"));
            int left = Sheet::kMargin;
            for (int scale : {1, 2}) {
                QImage face = scale == 1 ? splash.x1 : splash.x2;
                QPainter v(&face);
                v.setRenderHint(QPainter::TextAntialiasing);
                v.scale(scale, scale);
                QFont tahoma(QStringLiteral("Tahoma"));
                tahoma.setPointSizeF(11);
                tahoma.setBold(true);
                v.setFont(tahoma);
                v.setPen(Qt::white);
                v.drawText(QRect(190, 105, 300, 30), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Version 1.1.0.9"));
                v.end();
                const QRect r(left, top + 22, face.width(), face.height());
                p.fillRect(r.adjusted(0, 0, 0, -r.height() / 2), QColor(0xf0, 0xf0, 0xf0));
                p.fillRect(r.adjusted(0, r.height() / 2, 0, 0), QColor(0x30, 0x38, 0x48));
                p.drawImage(r.topLeft(), face);
                left += face.width() + 20;
            }
        });
    }

    // The small pictures at scale 1, enlarged pixel for pixel, to judge how sharp they are.
    {
        std::vector<Asset> small;
        for (const Asset &asset : std::as_const(assets)) {
            if (asset.size.width() <= 32 && asset.size.height() <= 32)
                small.push_back(asset);
        }
        const int zoom = 4;
        const int cell = 32 * zoom + 12;
        const int perRow = (sheetWidth - 2 * Sheet::kMargin) / cell;
        const int rows = (int(small.size()) + perRow - 1) / perRow;
        if (!small.empty()) {
            sheet.add(22 + rows * (cell + 14), [small, zoom, cell, perRow, ink](QPainter &p, int top) {
                p.setPen(ink);
                p.setFont(labelFont(13, true));
                p.drawText(QPoint(Sheet::kMargin, top + 14),
                           QStringLiteral("pictures of 32 px and less at scale 1, enlarged %1 times").arg(zoom));
                for (int i = 0; i < int(small.size()); ++i) {
                    const Asset &asset = small.at(i);
                    const QImage big
                        = asset.x1.scaled(asset.x1.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
                    const QPoint at(Sheet::kMargin + (i % perRow) * cell, top + 22 + (i / perRow) * (cell + 14));
                    const QRect r(at + QPoint(0, 14), big.size());
                    if (asset.name.startsWith(QLatin1String("caption-")))
                        p.fillRect(r, QColor(0x0e, 0x3b, 0x20));
                    else
                        drawChecker(p, r, QColor(0xd0, 0xd4, 0xd0));
                    p.drawImage(r.topLeft(), big);
                    p.setPen(ink);
                    p.setFont(labelFont(10));
                    p.drawText(at + QPoint(0, 10), asset.name);
                }
            });
        }
    }

    // The application icon at the sizes the tray, the task bar and the window caption ask for, and the small
    // ones again enlarged pixel for pixel.
    if (has({"app-icon"})) {
        sheet.add(22 + 64 + 16 + 22 * 6, [&](QPainter &p, int top) {
            p.setPen(ink);
            p.setFont(labelFont(13, true));
            p.drawText(QPoint(Sheet::kMargin, top + 14),
                       QStringLiteral("app icon at 16, 22, 24, 32, 48 and 64 px (app-icon-16 first); below: 16 and 22 "
                                      "px enlarged six times"));
            int left = Sheet::kMargin;
            int zoomLeft = Sheet::kMargin;
            for (const char *name : {"app-icon-16", "app-icon"}) {
                if (!assets.contains(QLatin1String(name)))
                    continue;
                QSvgRenderer renderer(assets.value(QLatin1String(name)).path);
                for (int size : {16, 22, 24, 32, 48, 64}) {
                    if (QLatin1String(name) == QLatin1String("app-icon-16") && size > 22)
                        continue;
                    const QImage icon = render(renderer, QSize(size, size));
                    const QRect r(left, top + 22, size, size);
                    drawChecker(p, r.adjusted(-4, -4, 4, 4), QColor(0xd0, 0xd4, 0xd0));
                    p.drawImage(r.topLeft(), icon);
                    left += size + 20;
                    if (size <= 22) {
                        const QImage zoom = icon.scaled(icon.size() * 6, Qt::IgnoreAspectRatio, Qt::FastTransformation);
                        const QRect z(zoomLeft, top + 22 + 64 + 16, zoom.width(), zoom.height());
                        drawChecker(p, z, QColor(0xd0, 0xd4, 0xd0));
                        p.drawImage(z.topLeft(), zoom);
                        zoomLeft += zoom.width() + 20;
                    }
                }
                left += 30;
            }
        });
    }

    const QString sheetPath = outDir.filePath(QStringLiteral("contact-sheet.png"));
    sheet.finish().save(sheetPath);
    std::printf("contact sheet: %s\n", qPrintable(QFileInfo(sheetPath).absoluteFilePath()));
    return failed ? 1 : 0;
}
