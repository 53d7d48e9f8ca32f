#include "SkinFrame.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton *captionButton(QWidget *parent, const char *picture, const QString &name, const char *objectName)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(objectName));
    button->setIcon(QIcon(QStringLiteral(":/assets/") + QLatin1String(picture)));
    button->setIconSize(QSize(16, 16));
    button->setFixedSize(30, 24);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(true);
    button->setToolTip(name);
    button->setAccessibleName(name);
    return button;
}

} // namespace

SkinFrame *SkinFrame::install(QWidget *window, QWidget *body, Buttons buttons)
{
    window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::Window | Qt::FramelessWindowHint
                           | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint);
    auto *frame = new SkinFrame(window, buttons);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(frame);
    layout->addWidget(body, 1);
    window->setProperty("skinned", true);
    return frame;
}

SkinFrame::SkinFrame(QWidget *window, Buttons buttons)
    : QWidget(window)
    , m_window(window)
    , m_buttons(buttons)
{
    setObjectName(QStringLiteral("captionBar"));
    setAttribute(Qt::WA_StyledBackground);
    setFixedHeight(30);

    m_icon = new QLabel(this);
    m_icon->setPixmap(QIcon(QStringLiteral(":/assets/app-icon.svg")).pixmap(QSize(18, 18)));
    m_icon->setFixedSize(24, 24);
    m_icon->setAlignment(Qt::AlignCenter);
    m_icon->setToolTip(QStringLiteral("システムメニュー"));
    m_icon->installEventFilter(this);
    m_title = new QLabel(window->windowTitle(), this);
    m_title->setObjectName(QStringLiteral("captionTitle"));
    m_title->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 0, 2, 0);
    layout->setSpacing(2);
    layout->addWidget(m_icon);
    layout->addWidget(m_title, 1);

    m_systemMenu = new QMenu(this);
    m_restoreAction
        = m_systemMenu->addAction(QStringLiteral("元のサイズに戻す(&R)"), this, [this] { m_window->showNormal(); });
    m_minimizeAction = m_systemMenu->addAction(QStringLiteral("最小化(&N)"), m_window, &QWidget::showMinimized);
    m_maximizeAction = m_systemMenu->addAction(QStringLiteral("最大化(&X)"), m_window, &QWidget::showMaximized);
    m_systemMenu->addSeparator();
    QAction *close = m_systemMenu->addAction(QStringLiteral("閉じる(&C)"), m_window, &QWidget::close);
    close->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    m_minimizeAction->setVisible(buttons.testFlag(Minimize));
    m_maximizeAction->setVisible(buttons.testFlag(Maximize));
    m_restoreAction->setVisible(buttons.testFlag(Maximize));

    if (buttons.testFlag(Minimize)) {
        m_minimize = captionButton(this, "caption-minimize.svg", QStringLiteral("最小化"), "captionButton");
        connect(m_minimize, &QToolButton::clicked, m_window, &QWidget::showMinimized);
        layout->addWidget(m_minimize);
    }
    if (buttons.testFlag(Maximize)) {
        m_maximize = captionButton(this, "caption-maximize.svg", QStringLiteral("最大化"), "captionButton");
        connect(m_maximize, &QToolButton::clicked, this, &SkinFrame::toggleMaximized);
        layout->addWidget(m_maximize);
    }
    m_close = captionButton(this, "caption-close.svg", QStringLiteral("閉じる"), "captionCloseButton");
    connect(m_close, &QToolButton::clicked, m_window, &QWidget::close);
    layout->addWidget(m_close);

    // Without a window manager nobody else answers these keys.
    auto *altF4 = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), m_window);
    altF4->setContext(Qt::WindowShortcut);
    connect(altF4, &QShortcut::activated, m_window, &QWidget::close);
    auto *altSpace = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), m_window);
    altSpace->setContext(Qt::WindowShortcut);
    connect(altSpace, &QShortcut::activated, this, [this] { popUpSystemMenu(mapToGlobal(QPoint(0, height()))); });

    m_window->installEventFilter(this);
    updateState();
}

bool SkinFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::WindowTitleChange)
            m_title->setText(m_window->windowTitle());
        else if (event->type() == QEvent::WindowStateChange)
            updateState();
    } else if (watched == m_icon && event->type() == QEvent::MouseButtonPress) {
        popUpSystemMenu(mapToGlobal(QPoint(0, height())));
        return true;
    } else if (watched == m_icon && event->type() == QEvent::MouseButtonDblClick) {
        m_window->close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SkinFrame::updateState()
{
    const bool maximized = m_window->isMaximized();
    m_restoreAction->setEnabled(maximized || m_window->isMinimized());
    m_maximizeAction->setEnabled(!maximized);
    m_minimizeAction->setEnabled(!m_window->isMinimized());
    if (m_maximize) {
        const QString name = maximized ? QStringLiteral("元のサイズに戻す") : QStringLiteral("最大化");
        m_maximize->setIcon(QIcon(maximized ? QStringLiteral(":/assets/caption-restore.svg")
                                            : QStringLiteral(":/assets/caption-maximize.svg")));
        m_maximize->setToolTip(name);
        m_maximize->setAccessibleName(name);
    }
}

void SkinFrame::toggleMaximized()
{
    if (m_window->isMaximized())
        m_window->showNormal();
    else
        m_window->showMaximized();
}

void SkinFrame::popUpSystemMenu(const QPoint &globalPos)
{
    updateState();
    m_systemMenu->popup(globalPos);
}

QPoint SkinFrame::snapped(const QPoint &topLeft, const QSize &size, const QRect &area)
{
    QPoint p = topLeft;
    if (qAbs(p.x() - area.left()) <= SnapDistance)
        p.setX(area.left());
    else if (qAbs(p.x() + size.width() - 1 - area.right()) <= SnapDistance)
        p.setX(area.right() - size.width() + 1);
    if (qAbs(p.y() - area.top()) <= SnapDistance)
        p.setY(area.top());
    else if (qAbs(p.y() + size.height() - 1 - area.bottom()) <= SnapDistance)
        p.setY(area.bottom() - size.height() + 1);
    return p;
}

void SkinFrame::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && !m_window->isMaximized()) {
        // Moved by hand rather than by the window manager, so it snaps the same with
        // or without one.
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - m_window->frameGeometry().topLeft();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void SkinFrame::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return QWidget::mouseMoveEvent(event);
    const QPoint global = event->globalPosition().toPoint();
    QScreen *screen = QGuiApplication::screenAt(global);
    if (!screen)
        screen = m_window->screen();
    m_window->move(snapped(global - m_dragOffset, m_window->frameGeometry().size(), screen->availableGeometry()));
}

void SkinFrame::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void SkinFrame::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_buttons.testFlag(Maximize))
        toggleMaximized();
}

void SkinFrame::contextMenuEvent(QContextMenuEvent *event)
{
    popUpSystemMenu(event->globalPos());
}
