#include "SplashScreen.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

namespace {

constexpr int FadeInFrom = 5;
constexpr int FadeOutTo = 10;
constexpr int FadeStep = 20;
constexpr int FadeInterval = 5; // ms
constexpr qreal PictureOpacity = 249.0 / 255.0;

// Tahoma where it is installed; otherwise the closest sans-serif face present.
QFont versionFont()
{
    QFont font(QStringLiteral("Tahoma"), 11, QFont::Bold);
    if (!QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        font.setFamilies(
            {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans"), QStringLiteral("Liberation Sans")});
        font.setStyleHint(QFont::SansSerif);
    }
    return font;
}

} // namespace

SplashScreen::SplashScreen(QWidget *parent)
    : QWidget(parent,
              Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(PictureSize);
    setAccessibleName(QStringLiteral("バージョン情報"));
    m_fade.setInterval(FadeInterval);
    connect(&m_fade, &QTimer::timeout, this, &SplashScreen::step);
}

void SplashScreen::setVersionText(const QString &text)
{
    m_versionText = text;
    setAccessibleDescription(text);
    update();
}

void SplashScreen::showSplash()
{
    if (m_showing)
        return;
    m_showing = true;
    m_fadingOut = false;
    m_level = FadeInFrom;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move(screen.center() - QPoint(width() / 2, height() / 2));
    applyLevel();
    show();
    raise();
    m_fade.start();
}

void SplashScreen::hideSplash()
{
    if (!m_showing || m_fadingOut)
        return;
    m_fadingOut = true;
    m_fade.start();
}

void SplashScreen::closeWhenShown(QWidget *window)
{
    if (m_waitFor)
        m_waitFor->removeEventFilter(this);
    m_waitFor = window;
    window->installEventFilter(this);
}

bool SplashScreen::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_waitFor && event->type() == QEvent::Show) {
        m_waitFor->removeEventFilter(this);
        m_waitFor = nullptr;
        hideSplash();
    }
    return QWidget::eventFilter(watched, event);
}

void SplashScreen::step()
{
    if (m_fadingOut) {
        m_level -= FadeStep;
        if (m_level <= FadeOutTo) {
            m_level = FadeOutTo;
            m_fade.stop();
            m_showing = false;
            m_fadingOut = false;
            hide();
            emit closed();
            return;
        }
    } else {
        m_level = qMin(255, m_level + FadeStep);
        if (m_level == 255)
            m_fade.stop();
    }
    applyLevel();
}

void SplashScreen::applyLevel()
{
    setWindowOpacity(m_level / 255.0);
}

void SplashScreen::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setOpacity(PictureOpacity);
    QSvgRenderer(QStringLiteral(":/assets/splash.svg")).render(&painter, QRectF(rect()));
    painter.setOpacity(1.0);
    painter.setFont(versionFont());
    painter.setPen(Qt::white);
    // The position is the text's top-left corner, as the picture leaves room for it there.
    const QFontMetrics metrics(painter.font());
    painter.drawText(VersionPosition + QPoint(0, metrics.ascent()), m_versionText);
}

void SplashScreen::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    emit clicked();
}
