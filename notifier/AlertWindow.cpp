#include "AlertWindow.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace {

constexpr int CloseSide = 16;

// The message reads as static text: its accessible name is the message itself.
QAccessibleInterface *accessibleAlertText(const QString &className, QObject *object)
{
    if (className == QLatin1String("AlertText") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::StaticText);
    return nullptr;
}

// The close button's cross, drawn in the text colour so it follows the theme.
QIcon crossIcon(const QColor &color)
{
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, 2.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(5, 5), QPointF(15, 15));
    painter.drawLine(QPointF(15, 5), QPointF(5, 15));
    return QIcon(pixmap);
}

// The ranges (position, length) of the document's text that link to `href`.
QList<QPair<int, int>> anchorRanges(const QTextDocument &document, const QString &href)
{
    QList<QPair<int, int>> ranges;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().isAnchor() && fragment.charFormat().anchorHref() == href)
                ranges.append({fragment.position(), fragment.length()});
        }
    }
    return ranges;
}

} // namespace

AlertText::AlertText(QWidget *parent)
    : QWidget(parent)
{
    static const bool factoryInstalled = (QAccessible::installFactory(accessibleAlertText), true);
    Q_UNUSED(factoryInstalled);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    m_document.setDocumentMargin(0);
    m_document.setUndoRedoEnabled(false);
}

void AlertText::setHtml(const QString &html)
{
    m_html = html;
    rebuild();
    setAccessibleName(plainText());
}

void AlertText::setColors(const QColor &text, const QColor &link, const QColor &hoveredLink)
{
    m_text = text;
    m_link = link;
    m_hoveredLink = hoveredLink;
    rebuild();
}

void AlertText::setHoverEnabled(bool enabled)
{
    m_hover = enabled;
    rebuild();
}

void AlertText::setTextFont(const QFont &font)
{
    setFont(font);
    rebuild();
}

// Nothing is laid out before there is a message: an alert that never shows costs no fonts.
void AlertText::rebuild()
{
    if (m_html.isEmpty())
        return;
    m_document.setDefaultFont(font());
    m_document.setDefaultStyleSheet(QStringLiteral("a { color: %1; text-decoration: underline; }").arg(m_link.name()));
    // The message's wide blanks indent its lines. HTML would drop them as white space at
    // the start of a line, so the message keeps its white space as written.
    m_document.setHtml(QStringLiteral("<div style=\"white-space: pre-wrap\">") + m_html + QStringLiteral("</div>"));
    if (m_hover && !m_hovered.isEmpty())
        colorAnchor(m_hovered, m_hoveredLink);
    update();
}

QSize AlertText::fittedSize(int maxWidth)
{
    m_document.setTextWidth(-1);
    if (maxWidth > 0 && m_document.idealWidth() > maxWidth)
        m_document.setTextWidth(maxWidth);
    const QSizeF size = m_document.size();
    return {static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height()))};
}

QRect AlertText::anchorRect(const QString &href) const
{
    QRectF area;
    for (const auto &[position, length] : anchorRanges(m_document, href)) {
        const QTextBlock block = m_document.findBlock(position);
        const QTextLayout *layout = block.layout();
        const int start = position - block.position();
        const QTextLine line = layout->lineForTextPosition(start);
        if (!line.isValid())
            continue;
        const qreal left = line.cursorToX(start);
        const qreal right = line.cursorToX(start + length);
        area |= QRectF(left, line.y(), right - left, line.height()).translated(layout->position());
    }
    return area.toAlignedRect();
}

QColor AlertText::anchorColor(const QString &href) const
{
    const auto ranges = anchorRanges(m_document, href);
    if (ranges.isEmpty())
        return {};
    QTextCursor cursor(const_cast<QTextDocument *>(&m_document));
    cursor.setPosition(ranges.first().first + 1);
    return cursor.charFormat().foreground().color();
}

QString AlertText::anchorAt(const QPointF &position) const
{
    return m_document.documentLayout()->anchorAt(position);
}

void AlertText::colorAnchor(const QString &href, const QColor &color)
{
    QTextCharFormat format;
    format.setForeground(color);
    for (const auto &[position, length] : anchorRanges(m_document, href)) {
        QTextCursor cursor(&m_document);
        cursor.setPosition(position);
        cursor.setPosition(position + length, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(format);
    }
}

void AlertText::setHovered(const QString &href)
{
    if (href == m_hovered)
        return;
    if (m_hover && !m_hovered.isEmpty())
        colorAnchor(m_hovered, m_link);
    m_hovered = href;
    if (m_hover && !m_hovered.isEmpty())
        colorAnchor(m_hovered, m_hoveredLink);
    if (m_hovered.isEmpty())
        unsetCursor();
    else
        setCursor(Qt::PointingHandCursor);
    update();
}

void AlertText::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(QPalette::Text, m_text);
    m_document.documentLayout()->draw(&painter, context);
}

void AlertText::mouseMoveEvent(QMouseEvent *event)
{
    setHovered(anchorAt(event->position()));
}

void AlertText::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = anchorAt(event->position());
}

void AlertText::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QString href = anchorAt(event->position());
    const bool clicked = !href.isEmpty() && href == m_pressed;
    m_pressed.clear();
    if (clicked)
        emit anchorClicked(href);
}

void AlertText::leaveEvent(QEvent *)
{
    setHovered({});
}

AlertWindow::AlertWindow(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    resize(300, 100);

    // Each step waits at least the fade time; a coarse timer could bunch the steps up.
    m_fade.setTimerType(Qt::PreciseTimer);
    connect(&m_fade, &QTimer::timeout, this, &AlertWindow::fadeStepped);
    m_countdown.setInterval(CountdownTick);
    connect(&m_countdown, &QTimer::timeout, this, &AlertWindow::countdownTicked);
    // The colours are taken on every show (adaptToTheme): none are needed before.
}

AlertWindow::~AlertWindow() = default;

void AlertWindow::build()
{
    if (m_text)
        return;
    m_text = new AlertText(this);
    m_text->setHoverEnabled(m_hover);
    m_text->setTextFont(m_font);
    connect(m_text, &AlertText::anchorClicked, this, &AlertWindow::anchorClick);
    m_close = new QToolButton(this);
    m_close->setAutoRaise(true);
    m_close->setFocusPolicy(Qt::NoFocus);
    m_close->setFixedSize(CloseSide, CloseSide);
    m_close->setIconSize(QSize(CloseSide - 4, CloseSide - 4));
    m_close->setAccessibleName(QStringLiteral("閉じる"));
    m_close->setToolTip(m_closeHint);
    connect(m_close, &QToolButton::clicked, this, &AlertWindow::closeAlert);
    m_text->show();
    m_close->show();
}

void AlertWindow::setAutoHide(bool autoHide)
{
    m_autoHide = autoHide;
    // Turned on while shown, the countdown starts from zero; turned off, it stops.
    if (m_state == State::Shown)
        restartCountdown();
}

void AlertWindow::setAlpha(int start, int end)
{
    m_alphaStart = start;
    m_alphaEnd = end;
}

void AlertWindow::setFade(int step, int milliseconds)
{
    m_fadeStep = std::max(1, step);
    m_fadeTime = milliseconds;
    m_fade.setInterval(milliseconds);
}

void AlertWindow::setPopupSize(const QSize &size)
{
    resize(size);
}

void AlertWindow::setMargins(int x, int y)
{
    m_marginX = x;
    m_marginY = y;
}

void AlertWindow::setHover(bool hover)
{
    m_hover = hover;
    if (m_text)
        m_text->setHoverEnabled(hover);
}

void AlertWindow::setCloseButtonHint(const QString &hint)
{
    m_closeHint = hint;
    if (m_close)
        m_close->setToolTip(hint);
}

void AlertWindow::setMessageFont(const QFont &font)
{
    m_font = font;
    if (m_text)
        m_text->setTextFont(font);
}

void AlertWindow::setImages(const QList<QPixmap> &images)
{
    m_images = images;
    update();
}

void AlertWindow::clearMessages()
{
    m_messages.clear();
}

void AlertWindow::addMessage(const QString &html, int imageIndex)
{
    m_messages.append({html, imageIndex});
}

QString AlertWindow::messageText() const
{
    return m_text ? m_text->plainText() : QString();
}

void AlertWindow::showAlert()
{
    if (m_messages.isEmpty())
        return;
    build();
    adaptToTheme();
    m_text->setHtml(m_messages.first().html);
    setAccessibleDescription(m_text->plainText());
    fitToMessage();
    place();
    switch (m_state) {
    case State::Hidden:
        setAlphaLevel(m_alphaStart);
        show();
        raise();
        setState(State::FadingIn);
        m_fade.start(m_fadeTime);
        {
            QAccessibleEvent event(this, QAccessible::Alert);
            QAccessible::updateAccessibility(&event);
        }
        break;
    case State::FadingIn:
        break; // the fade goes on; only the text changed
    case State::Shown:
        restartCountdown(); // the new text gets its full time
        break;
    case State::FadingOut:
        setState(State::FadingIn); // the running fade turns round
        break;
    }
    update();
}

void AlertWindow::closeAlert()
{
    m_fade.stop();
    m_countdown.stop();
    m_countdownElapsed = 0;
    m_dragging = false;
    m_hovered = false;
    hide();
    setAlphaLevel(m_alphaStart);
    setState(State::Hidden);
}

void AlertWindow::fadeStepped()
{
    if (m_state == State::FadingIn) {
        const int next = std::min(m_alpha + m_fadeStep, m_alphaEnd);
        setAlphaLevel(next);
        if (next >= m_alphaEnd) {
            m_fade.stop();
            setState(State::Shown);
            restartCountdown();
        }
    } else if (m_state == State::FadingOut) {
        const int next = std::max(m_alpha - m_fadeStep, m_alphaStart);
        setAlphaLevel(next);
        if (next <= m_alphaStart)
            closeAlert();
    } else {
        m_fade.stop();
    }
}

void AlertWindow::countdownTicked()
{
    m_countdownElapsed += CountdownTick;
    if (m_countdownElapsed < m_displayTime)
        return;
    m_countdown.stop();
    setState(State::FadingOut);
    m_fade.start(m_fadeTime);
}

void AlertWindow::restartCountdown()
{
    m_countdownElapsed = 0;
    if (m_autoHide && !m_hovered && m_state == State::Shown)
        m_countdown.start();
    else
        m_countdown.stop();
}

void AlertWindow::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void AlertWindow::setAlphaLevel(int alpha)
{
    setWindowOpacity(alpha / 255.0);
    if (alpha == m_alpha)
        return;
    m_alpha = alpha;
    emit alphaChanged(alpha);
}

// The colours follow the desktop's light or dark palette, looked at on every show.
void AlertWindow::adaptToTheme()
{
    const QPalette palette = QGuiApplication::palette();
    const bool dark = palette.color(QPalette::Window).lightness() < 128;
    m_background = dark ? palette.color(QPalette::Window) : palette.color(QPalette::Light);
    m_backgroundEnd = dark ? palette.color(QPalette::Dark) : palette.color(QPalette::Window);
    m_border = dark ? palette.color(QPalette::Light) : palette.color(QPalette::Dark);
    m_strip = palette.color(QPalette::Highlight);
    const QColor text = palette.color(QPalette::WindowText);
    QColor link = palette.color(QPalette::Link);
    if (dark && link.lightness() < 128)
        link = link.lighter(170); // a dark link would vanish on a dark background
    m_text->setColors(text, link, palette.color(QPalette::Highlight));
    m_close->setIcon(crossIcon(text));
    update();
}

// Auto-size: the window grows or shrinks around the message, never wider than the work
// area, the picture always fitting beside it.
void AlertWindow::fitToMessage()
{
    const int textLeft = PicturePosition.x() + PictureSide + 2 * m_marginX;
    const int rightColumn = m_marginX + CloseSide + m_marginX;
    int maxWidth = -1;
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        maxWidth = screen->availableGeometry().width() - RightGap - textLeft - rightColumn;
    const QSize text = m_text->fittedSize(maxWidth);
    const int width = textLeft + text.width() + rightColumn;
    const int height = std::max(PicturePosition.y() + PictureSide + 2 * m_marginY,
                                PicturePosition.y() + text.height() + 2 * m_marginY);
    resize(width, height);
    m_text->setGeometry(textLeft, PicturePosition.y(), text.width(), text.height());
    m_close->move(width - m_marginX - CloseSide, StripHeight + 2);
}

void AlertWindow::place()
{
    if (m_dropPoint) {
        move(*m_dropPoint);
        return;
    }
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.x() + area.width() - width() - RightGap, area.y() + area.height() - height());
}

void AlertWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QLinearGradient fill(0, 0, 0, height());
    fill.setColorAt(0, m_background);
    fill.setColorAt(1, m_backgroundEnd);
    painter.fillRect(rect(), fill);
    painter.fillRect(QRect(0, 0, width(), StripHeight), m_strip);
    painter.setPen(m_border);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!m_messages.isEmpty()) {
        const int index = m_messages.first().imageIndex;
        if (index >= 0 && index < m_images.size())
            painter.drawPixmap(QRect(PicturePosition, QSize(PictureSide, PictureSide)), m_images.at(index));
    }
}

// Under the pointer the alert is fully opaque and waits; when the pointer leaves, it
// counts its display time again from zero.
void AlertWindow::enterEvent(QEnterEvent *)
{
    m_hovered = true;
    if (m_state == State::Hidden)
        return;
    m_fade.stop();
    m_countdown.stop();
    setState(State::Shown);
    setAlphaLevel(FullOpacity);
}

void AlertWindow::leaveEvent(QEvent *)
{
    m_hovered = false;
    if (m_state != State::Shown)
        return;
    setAlphaLevel(m_alphaEnd);
    restartCountdown();
}

void AlertWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && event->position().y() < StripHeight) {
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - pos();
    }
}

void AlertWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        return;
    }
    if (event->position().y() < StripHeight)
        setCursor(Qt::SizeAllCursor);
    else
        unsetCursor();
}

void AlertWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    m_dropPoint = pos(); // later alerts of this run appear here
}
