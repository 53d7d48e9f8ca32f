#pragma once

#include <QPoint>
#include <QWidget>

class QLabel;
class QMenu;
class QToolButton;

// The client's own window frame: a caption bar with the title, the system menu and
// the minimize, maximize/restore and close buttons. The window is moved by its caption
// (snapping to the screen's edges within 10 pixels) and is never resized by its border.
class SkinFrame : public QWidget
{
    Q_OBJECT

public:
    enum Button
    {
        Minimize = 0x1,
        Maximize = 0x2
    };
    Q_DECLARE_FLAGS(Buttons, Button)

    static constexpr int SnapDistance = 10;

    // Puts the frame around `window`, with `body` below the caption bar.
    static SkinFrame *install(QWidget *window, QWidget *body, Buttons buttons);

    QMenu *systemMenu() const { return m_systemMenu; }
    static QPoint snapped(const QPoint &topLeft, const QSize &size, const QRect &screenArea);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    SkinFrame(QWidget *window, Buttons buttons);
    void updateState();
    void toggleMaximized();
    void popUpSystemMenu(const QPoint &globalPos);

    QWidget *m_window;
    Buttons m_buttons;
    QLabel *m_icon;
    QLabel *m_title;
    QToolButton *m_minimize = nullptr;
    QToolButton *m_maximize = nullptr;
    QToolButton *m_close;
    QMenu *m_systemMenu;
    QAction *m_restoreAction;
    QAction *m_minimizeAction;
    QAction *m_maximizeAction;
    QPoint m_dragOffset;
    bool m_dragging = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(SkinFrame::Buttons)
