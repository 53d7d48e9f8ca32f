#include "RightClickFilter.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWebEngineView>

RightClickFilter::RightClickFilter(QWebEngineView *view)
    : QObject(view)
    , m_view(view)
{
    view->installEventFilter(this);
    // The first render widget, and the one a lost renderer's successor brings, arrive
    // as new children of the view.
    watchChildren();
}

void RightClickFilter::watchChildren()
{
    if (!m_view)
        return;
    // Installing twice keeps one filter: Qt moves it to the front instead.
    for (QWidget *child : m_view->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->installEventFilter(this);
    if (QWidget *proxy = m_view->focusProxy())
        proxy->installEventFilter(this);
}

bool RightClickFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_view)
        return false;
    if (watched == m_view) {
        if (event->type() == QEvent::ChildAdded) {
            QObject *child = static_cast<QChildEvent *>(event)->child();
            if (child->isWidgetType())
                child->installEventFilter(this);
            // The view makes the child its focus proxy after adding it: look again then.
            QTimer::singleShot(0, this, &RightClickFilter::watchChildren);
        }
        return false;
    }
    if (watched != m_view->focusProxy())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return static_cast<QMouseEvent *>(event)->button() == Qt::RightButton;
    case QEvent::ContextMenu:
        // Qt derives a menu request from a right press (from the release on Windows). The
        // render widget of this engine version ignores it, but it is a right click all the same.
        return static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Mouse;
    default:
        return false;
    }
}
