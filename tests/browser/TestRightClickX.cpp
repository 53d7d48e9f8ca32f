#include "BrowserView.h"
#include "TestPages.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineView>

#include <memory>

// The right-click filter under real X input: xdotool moves the X server's pointer and
// presses its buttons and keys, so every event takes the way a user's click takes,
// including the menu request Qt derives from a right press. Runs in its own X server.
namespace {

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
        events << QStringLiteral("menu %1").arg(event->reason() == QContextMenuEvent::Mouse ? QStringLiteral("mouse")
                                                                                            : QStringLiteral("other"));
    }

private:
    void note(const QString &what, QMouseEvent *event)
    {
        events << what + (event->button() == Qt::RightButton ? QStringLiteral(" right") : QStringLiteral(" other"));
    }
};

bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral(XDOTOOL), arguments) == 0;
}

// Clicks a button (1 left, 3 right) count times at a point of a widget.
bool clickAt(QWidget *widget, QPoint point, int button, int count = 1)
{
    const QPoint global = widget->mapToGlobal(point);
    return xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(global.x()),
                    QString::number(global.y()), QStringLiteral("click"), QStringLiteral("--repeat"),
                    QString::number(count), QStringLiteral("--delay"), QStringLiteral("60"), QString::number(button)});
}

const QPoint topPoint(100, 150);
const QPoint framePoint(350, 100);

} // namespace

class TestRightClickX : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rightClickOnPage_data();
    void rightClickOnPage();
    void keyboardStillOpensMenu();
    void rightClickBesideThePage();

private:
    void show(QWebEngineView *view);
    void waitForInputHandled(QWebEngineView *view);

    TestPages m_pages;
    std::unique_ptr<QWidget> m_window;
    Recorder *m_recorder = nullptr;
};

void TestRightClickX::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server (run through xvfb-run)");
}

void TestRightClickX::show(QWebEngineView *view)
{
    m_window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
    auto *layout = new QHBoxLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    m_recorder = new Recorder;
    m_recorder->setMinimumWidth(100);
    layout->addWidget(m_recorder);
    view->setParent(m_window.get());
    layout->addWidget(view, 1);
    m_window->setGeometry(0, 0, 800, 400);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QSignalSpy loaded(view, &QWebEngineView::loadFinished);
    view->load(QUrl(m_pages.a("/rightclick")));
    QVERIFY(loaded.wait(20000));
    waitForInputHandled(view);
}

void TestRightClickX::waitForInputHandled(QWebEngineView *view)
{
    const auto leftClick = [view](QPoint point) { QVERIFY(clickAt(view, point, 1)); };
    QVERIFY(pressUntilSeen(view, topPoint, QStringLiteral("top"), leftClick));
    QVERIFY(pressUntilSeen(view, framePoint, QStringLiteral("frame"), leftClick));
}

void TestRightClickX::rightClickOnPage_data()
{
    QTest::addColumn<int>("clicks");
    QTest::addColumn<bool>("filtered");
    QTest::newRow("click, filtered") << 1 << true;
    QTest::newRow("click, no filter") << 1 << false;
    QTest::newRow("double click, filtered") << 2 << true;
    QTest::newRow("double click, no filter") << 2 << false;
}

void TestRightClickX::rightClickOnPage()
{
    QFETCH(int, clicks);
    QFETCH(bool, filtered);

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

    QVERIFY(clickAt(view, topPoint, 3, clicks));
    QVERIFY(clickAt(view, framePoint, 3, clicks));
    waitForInputHandled(view);
    const QStringList events = rightButtonEvents(view->page());
    if (filtered) {
        QCOMPARE(events, QStringList());
        QCOMPARE(*menuCount, 0);
    } else {
        // Without the filter the page hears of every click and the menu opens each time.
        for (const QString &where : {QStringLiteral("top"), QStringLiteral("frame")})
            QCOMPARE(events.count(where + QStringLiteral(" contextmenu")), clicks);
        QVERIFY(*menuCount >= 2 * clicks);
    }
}

void TestRightClickX::keyboardStillOpensMenu()
{
    auto *view = new MenuCounting<BrowserView>;
    show(view);
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Menu")}));
    QTRY_COMPARE_WITH_TIMEOUT(view->menus, 1, 10000);
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("shift+F10")}));
    QTRY_COMPARE_WITH_TIMEOUT(view->menus, 2, 10000);
}

void TestRightClickX::rightClickBesideThePage()
{
    show(new MenuCounting<BrowserView>);
    QVERIFY(clickAt(m_recorder, QPoint(20, 20), 3));
    QTRY_COMPARE(
        m_recorder->events,
        (QStringList {QStringLiteral("press right"), QStringLiteral("menu mouse"), QStringLiteral("release right")}));
}

QTEST_MAIN(TestRightClickX)
#include "TestRightClickX.moc"
