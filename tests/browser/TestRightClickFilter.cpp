#include "BrowserView.h"
#include "TestPages.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineView>

#include <memory>

namespace {

// A view that counts the menus the engine asks for instead of showing them.
template<class View> class MenuCounting : public View
{
public:
    using View::View;
    int menus = 0;

protected:
    void contextMenuEvent(QContextMenuEvent *event) override
    {
        ++menus;
        event->accept();
    }
};

// A widget beside the view that writes down the mouse and menu events it gets.
class Recorder : public QWidget
{
public:
    QStringList events;

protected:
    void mousePressEvent(QMouseEvent *event) override { note(QStringLiteral("press"), event); }
    void mouseReleaseEvent(QMouseEvent *event) override { note(QStringLiteral("release"), event); }
    void mouseDoubleClickEvent(QMouseEvent *event) override { note(QStringLiteral("double-click"), event); }
    void contextMenuEvent(QContextMenuEvent *event) override
    {
        events << QStringLiteral("menu %1,%2").arg(event->pos().x()).arg(event->pos().y());
    }

private:
    void note(const QString &what, QMouseEvent *event)
    {
        events << QStringLiteral("%1 %2 %3,%4")
                      .arg(what)
                      .arg(event->button() == Qt::RightButton ? QStringLiteral("right") : QStringLiteral("other"))
                      .arg(event->position().toPoint().x())
                      .arg(event->position().toPoint().y());
    }
};

enum class Input
{
    Press,
    Release,
    Click,
    DoubleClickEvent,
    DoubleClick
};

void send(QWidget *target, Input input, QPoint point)
{
    switch (input) {
    case Input::Press:
        QTest::mousePress(target, Qt::RightButton, {}, point);
        break;
    case Input::Release:
        QTest::mouseRelease(target, Qt::RightButton, {}, point);
        break;
    case Input::Click:
        QTest::mouseClick(target, Qt::RightButton, {}, point);
        break;
    case Input::DoubleClickEvent:
        QTest::mouseDClick(target, Qt::RightButton, {}, point);
        break;
    case Input::DoubleClick: // as a real double click arrives: the second press is the double-click
        QTest::mousePress(target, Qt::RightButton, {}, point);
        QTest::mouseRelease(target, Qt::RightButton, {}, point);
        QTest::mouseDClick(target, Qt::RightButton, {}, point);
        QTest::mouseRelease(target, Qt::RightButton, {}, point);
        break;
    }
}

// Points of the right-click page: the top document and a frame of another origin.
const QPoint topPoint(100, 150);
const QPoint framePoint(350, 100);

} // namespace

Q_DECLARE_METATYPE(Input)

// The right-click filter with mouse and key events on the view's render widget,
// compared with a view of the same engine that has no filter.
class TestRightClickFilter : public QObject
{
    Q_OBJECT

private slots:
    void rightButtonOnPage_data();
    void rightButtonOnPage();
    void keyboardStillOpensMenu();
    void rightButtonBesideThePage_data();
    void rightButtonBesideThePage();
    void filterSurvivesRendererCrash();

private:
    // Shows the view beside a recorder and opens the right-click page in it.
    void show(QWebEngineView *view);
    // Waits until both the top document and the frame take input; as input is handled
    // in order, everything sent before has then been handled too.
    void waitForInputHandled(QWebEngineView *view);

    TestPages m_pages;
    std::unique_ptr<QWidget> m_window;
    Recorder *m_recorder = nullptr;
};

void TestRightClickFilter::show(QWebEngineView *view)
{
    m_window = std::make_unique<QWidget>();
    auto *layout = new QHBoxLayout(m_window.get());
    m_recorder = new Recorder;
    m_recorder->setMinimumWidth(100);
    layout->addWidget(m_recorder);
    view->setParent(m_window.get());
    layout->addWidget(view, 1);
    m_window->resize(800, 400);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QSignalSpy loaded(view, &QWebEngineView::loadFinished);
    view->load(QUrl(m_pages.a("/rightclick")));
    QVERIFY(loaded.wait(20000));
    QCOMPARE(loaded.first().first().toBool(), true);
    waitForInputHandled(view);
}

void TestRightClickFilter::waitForInputHandled(QWebEngineView *view)
{
    QVERIFY(pressUntilSeen(view, topPoint, QStringLiteral("top")));
    QVERIFY(pressUntilSeen(view, framePoint, QStringLiteral("frame")));
}

void TestRightClickFilter::rightButtonOnPage_data()
{
    QTest::addColumn<Input>("input");
    QTest::addColumn<bool>("filtered");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<int>("menus");

    // Without the filter each press, also the second one of a double click, opens the
    // menu in the engine, and the page sees every event of the right button.
    const QStringList press {QStringLiteral("mousedown"), QStringLiteral("contextmenu")};
    const QStringList click = press + QStringList {QStringLiteral("mouseup"), QStringLiteral("auxclick")};
    const auto inTopAndFrame = [](const QStringList &events) {
        QStringList both;
        for (const QString &where : {QStringLiteral("top "), QStringLiteral("frame ")}) {
            for (const QString &event : events)
                both << where + event;
        }
        return both;
    };
    const QList<std::tuple<const char *, Input, QStringList, int>> inputs {
        {"press", Input::Press, inTopAndFrame(press), 2},
        {"release", Input::Release, inTopAndFrame({QStringLiteral("mouseup")}), 0},
        {"click", Input::Click, inTopAndFrame(click), 2},
        {"double-click event", Input::DoubleClickEvent, inTopAndFrame(press), 2},
        {"double click", Input::DoubleClick, inTopAndFrame(click + click), 4},
    };
    for (const auto &[name, input, unfilteredEvents, unfilteredMenus] : inputs) {
        QTest::addRow("%s, filtered", name) << input << true << QStringList() << 0;
        QTest::addRow("%s, no filter", name) << input << false << unfilteredEvents << unfilteredMenus;
    }
}

void TestRightClickFilter::rightButtonOnPage()
{
    QFETCH(Input, input);
    QFETCH(bool, filtered);
    QFETCH(QStringList, events);
    QFETCH(int, menus);

    int *menuCount = nullptr;
    QWebEngineView *view = nullptr;
    if (filtered) {
        auto *browser = new MenuCounting<BrowserView>;
        menuCount = &browser->menus;
        view = browser;
    } else {
        auto *plain = new MenuCounting<QWebEngineView>;
        menuCount = &plain->menus;
        view = plain;
    }
    show(view);

    send(view->focusProxy(), input, topPoint);
    send(view->focusProxy(), input, framePoint);
    waitForInputHandled(view);
    QCOMPARE(rightButtonEvents(view->page()), events);
    QTRY_COMPARE(*menuCount, menus);
    // Left clicks still reach the page.
    QCOMPARE(evaluateInPage(view->page(), QStringLiteral("window.leftPresses.top")).toInt(), 2);
}

void TestRightClickFilter::keyboardStillOpensMenu()
{
    auto *view = new MenuCounting<BrowserView>;
    show(view);
    QTest::keyClick(view->focusProxy(), Qt::Key_Menu);
    QTRY_COMPARE_WITH_TIMEOUT(view->menus, 1, 10000);
    QTest::keyClick(view->focusProxy(), Qt::Key_F10, Qt::ShiftModifier);
    QTRY_COMPARE_WITH_TIMEOUT(view->menus, 2, 10000);
    // The menu is for the frame clicked last, and the page hears of no mouse button.
    QCOMPARE(rightButtonEvents(view->page()),
             (QStringList {QStringLiteral("frame contextmenu"), QStringLiteral("frame contextmenu")}));
}

void TestRightClickFilter::rightButtonBesideThePage_data()
{
    QTest::addColumn<Input>("input");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("press") << Input::Press << QStringList {QStringLiteral("press right 10,20")};
    QTest::newRow("release") << Input::Release << QStringList {QStringLiteral("release right 10,20")};
    QTest::newRow("double click") << Input::DoubleClick
                                  << QStringList {QStringLiteral("press right 10,20"),
                                                  QStringLiteral("release right 10,20"),
                                                  QStringLiteral("double-click right 10,20"),
                                                  QStringLiteral("release right 10,20")};
}

void TestRightClickFilter::rightButtonBesideThePage()
{
    QFETCH(Input, input);
    QFETCH(QStringList, events);
    show(new MenuCounting<BrowserView>);
    send(m_recorder, input, QPoint(10, 20));
    QCOMPARE(m_recorder->events, events);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(10, 20), m_recorder->mapToGlobal(QPoint(10, 20)));
    QApplication::sendEvent(m_recorder, &menu);
    QCOMPARE(m_recorder->events.last(), QStringLiteral("menu 10,20"));
}

// A lost renderer takes the render widget with it; the page loaded again gets a new
// one, and the filter is on it.
void TestRightClickFilter::filterSurvivesRendererCrash()
{
    auto *view = new MenuCounting<BrowserView>;
    show(view);
    const QPointer<QWidget> before = view->focusProxy();

    QSignalSpy terminated(view->page(), &QWebEnginePage::renderProcessTerminated);
    view->Navigate(QStringLiteral("chrome://kill"));
    QVERIFY(terminated.wait(20000));
    QVERIFY(!view->hasDocument());
    int written = -2;
    view->fillHiddenInputs(m_pages.a("/rightclick"), {{QStringLiteral("p"), QStringLiteral("1")}},
                           [&](int n) { written = n; });
    QTRY_COMPARE(written, -1);

    QSignalSpy loaded(view, &QWebEngineView::loadFinished);
    view->Navigate(m_pages.a("/rightclick"));
    QVERIFY(loaded.wait(20000));
    waitForInputHandled(view);
    // The point of this test: the render widget the filter was on is gone.
    QVERIFY(before.isNull());
    QVERIFY(view->focusProxy());

    send(view->focusProxy(), Input::DoubleClick, topPoint);
    send(view->focusProxy(), Input::DoubleClick, framePoint);
    waitForInputHandled(view);
    QCOMPARE(rightButtonEvents(view->page()), QStringList());
    QCOMPARE(view->menus, 0);
    QTest::keyClick(view->focusProxy(), Qt::Key_Menu);
    QTRY_COMPARE_WITH_TIMEOUT(view->menus, 1, 10000);
}

QTEST_MAIN(TestRightClickFilter)
#include "TestRightClickFilter.moc"
