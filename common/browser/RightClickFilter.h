#pragma once

#include <QObject>
#include <QPointer>

class QWebEngineView;

// Keeps right clicks on the page from opening the browser's menu: on the view's render
// widget (its focus proxy, which shows the top document and every frame in it) the
// right button's press, release and double-click are discarded, and so is the menu
// request Qt derives from them. The keyboard's menu key and Shift+F10 still open the
// menu, and right clicks on any other widget pass unchanged.
//
// The render widget does not exist before the first load and is replaced when a
// renderer is lost, so the filter follows every child the view gets.
class RightClickFilter : public QObject
{
    Q_OBJECT

public:
    explicit RightClickFilter(QWebEngineView *view);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watchChildren();

    QPointer<QWebEngineView> m_view;
};
