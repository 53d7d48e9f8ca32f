#include "AppError.h"
#include "BrowserEventLog.h"
#include "BrowserView.h"
#include "TestPages.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QTcpServer>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

// The browser binding's events and commands on the real web engine, with pages from
// two loopback origins.
class TestBrowser : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void beforeNavigate_data();
    void beforeNavigate();
    void markerLinkInFrameOfOtherOrigin();
    void documentComplete_data();
    void documentComplete();
    void commandStateFollowsHistory();
    void frameNavigatesAlone();
    void historyStepWithoutEntryThrows();
    void invalidAddressThrows_data();
    void invalidAddressThrows();
    void unreachableAddress();
    void stopEndsLoading();
    void progress();
    void statusTextFollowsLinkUnderMouse();
    void fillHiddenInputs_data();
    void fillHiddenInputs();
    void fillBeforeAnyPage();
    void fillReachesTopDocumentOnly();
    void focusPage();

private:
    // Opens the address and waits until the top document has completed and loading ended.
    void open(const QString &url);
    QStringList pageFields(const QString &frame = QString());

    TestPages m_pages;
    std::unique_ptr<QWidget> m_window;
    BrowserView *m_view = nullptr;
    QLineEdit *m_sibling = nullptr;
    BrowserEventLog *m_log = nullptr;
};

void TestBrowser::init()
{
    m_window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(m_window.get());
    m_sibling = new QLineEdit(m_window.get());
    m_view = new BrowserView(m_window.get());
    layout->addWidget(m_sibling);
    layout->addWidget(m_view);
    m_log = new BrowserEventLog(m_view);
    m_window->resize(640, 480);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestBrowser::cleanup()
{
    m_window.reset();
}

void TestBrowser::open(const QString &url)
{
    const qsizetype completed = m_log->completions.size();
    const int finished = m_log->loadsFinished;
    m_view->Navigate(url);
    QTRY_VERIFY_WITH_TIMEOUT(
        m_log->completions.size() > completed && m_log->completions.last().contains(QLatin1String(" top ")), 20000);
    // The engine's end of loading follows the top document's report.
    QTRY_VERIFY(m_log->loadsFinished > finished);
}

QStringList TestBrowser::pageFields(const QString &frame)
{
    return evaluateInPage(m_view->page(), frame + QStringLiteral("readFields()")).toStringList();
}

void TestBrowser::beforeNavigate_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("top") << m_pages.a("/plain") << QStringList {m_pages.a("/plain")};
    QTest::newRow("frames of both origins")
        << m_pages.a("/frames") << QStringList {m_pages.a("/frames"), m_pages.a("/second"), m_pages.b("/plain")};
    QTest::newRow("frame in a frame") << m_pages.a("/nested")
                                      << QStringList {m_pages.a("/nested"), m_pages.a("/outer"), m_pages.b("/second")};
    QTest::newRow("redirect") << m_pages.a("/redirect") << QStringList {m_pages.a("/redirect"), m_pages.a("/second")};
}

void TestBrowser::beforeNavigate()
{
    QFETCH(QString, address);
    QFETCH(QStringList, expected);
    open(address);
    QStringList seen = m_log->navigations;
    // Two frames of one document may start in either order.
    std::sort(seen.begin() + 1, seen.end());
    std::sort(expected.begin() + 1, expected.end());
    QCOMPARE(seen, expected);
    // Each navigation is reported before anything else of its document.
    QCOMPARE(m_log->all.first(), QStringLiteral("navigate ") + address);
}

void TestBrowser::markerLinkInFrameOfOtherOrigin()
{
    open(m_pages.a("/marker-top"));
    // Wait until the frame takes input, pressing beside the link.
    QVERIFY(pressUntilSeen(m_view, QPoint(200, 150), QStringLiteral("frame")));
    m_log->clear();
    QTest::mouseClick(m_view->focusProxy(), Qt::LeftButton, {}, QPoint(50, 40));
    QTRY_COMPARE_WITH_TIMEOUT(m_log->navigations, QStringList {QStringLiteral("javascript:OnGoPatMaker()")}, 10000);
    // The page's own script runs all the same: the binding only watches.
    QTRY_COMPARE(evaluateInPage(m_view->page(), QStringLiteral("window.markerCalls")).toInt(), 1);
    QCOMPARE(m_log->navigations.size(), 1);
}

void TestBrowser::documentComplete_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("plain") << m_pages.a("/plain") << QStringList {m_pages.a("/plain") + QStringLiteral(" top html")};
    // Whatever the view says about the top document while frames report is already
    // about the new top document.
    QTest::newRow("frame in a frame") << m_pages.a("/nested")
                                      << QStringList {m_pages.b("/second") + QStringLiteral(" frame html"),
                                                      m_pages.a("/outer") + QStringLiteral(" frame html"),
                                                      m_pages.a("/nested") + QStringLiteral(" top html")};
    QTest::newRow("unreachable frame") << m_pages.a("/unreachable-frame")
                                       << QStringList {QStringLiteral("chrome-error://chromewebdata/ frame html"),
                                                       m_pages.a("/unreachable-frame") + QStringLiteral(" top html")};
    QTest::newRow("blank page") << QStringLiteral("about:blank")
                                << QStringList {QStringLiteral("about:blank top html")};
    QTest::newRow("plain text") << m_pages.a("/text")
                                << QStringList {m_pages.a("/text") + QStringLiteral(" top not-html")};
}

void TestBrowser::documentComplete()
{
    QFETCH(QString, address);
    QFETCH(QStringList, expected);
    QVERIFY(!m_view->hasDocument());
    open(address);
    QCOMPARE(m_log->loadsFinished, 1);
    QCOMPARE(m_log->completions, expected);
    // The engine's own end of loading follows the top document's report.
    QVERIFY(m_log->all.indexOf(QStringLiteral("finished ok"))
            > m_log->all.indexOf(QStringLiteral("complete ") + expected.last()));

    // A text page after an HTML page (and back) changes the answer at once.
    const bool wasHtml = m_view->isHtmlDocument();
    m_log->clear();
    open(wasHtml ? m_pages.a("/text") : m_pages.a("/plain"));
    QCOMPARE(m_log->completions.size(), 1);
    QVERIFY(m_view->hasDocument());
    QCOMPARE(m_view->isHtmlDocument(), !wasHtml);
}

void TestBrowser::commandStateFollowsHistory()
{
    open(m_pages.a("/plain"));
    QCOMPARE(m_log->commands, QStringList());

    // A link followed with the mouse.
    m_log->clear();
    for (int attempt = 0; attempt < 40 && m_log->navigations.isEmpty(); ++attempt) {
        QTest::mouseClick(m_view->focusProxy(), Qt::LeftButton, {}, QPoint(50, 40));
        (void)QTest::qWaitFor([this] { return !m_log->navigations.isEmpty(); }, 250);
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_log->completions, QStringList {m_pages.a("/second") + QStringLiteral(" top html")},
                              10000);
    QCOMPARE(m_log->commands, QStringList {QStringLiteral("back on")});

    m_log->clear();
    m_view->GoBack();
    QTRY_COMPARE_WITH_TIMEOUT(m_log->completions, QStringList {m_pages.a("/plain") + QStringLiteral(" top html")},
                              10000);
    QCOMPARE(m_log->navigations, QStringList {m_pages.a("/plain")});
    QCOMPARE(m_log->commands, (QStringList {QStringLiteral("forward on"), QStringLiteral("back off")}));

    m_log->clear();
    m_view->GoForward();
    QTRY_COMPARE_WITH_TIMEOUT(m_log->completions, QStringList {m_pages.a("/second") + QStringLiteral(" top html")},
                              10000);
    QCOMPARE(m_log->commands, (QStringList {QStringLiteral("forward off"), QStringLiteral("back on")}));

    // A new page drops the entries ahead.
    m_view->GoBack();
    QTRY_COMPARE_WITH_TIMEOUT(m_log->commands.last(), QStringLiteral("back off"), 10000);
    m_log->clear();
    open(m_pages.a("/text"));
    QCOMPARE(m_log->commands, (QStringList {QStringLiteral("forward off"), QStringLiteral("back on")}));
}

// A link followed inside a frame of the other origin: the top document stays, the frame
// reports its navigation and completion, and the history grows by the frame's step.
void TestBrowser::frameNavigatesAlone()
{
    open(m_pages.a("/frames"));
    QCOMPARE(m_log->loadsFinished, 1);
    m_log->clear();
    for (int attempt = 0; attempt < 40 && m_log->navigations.isEmpty(); ++attempt) {
        QTest::mouseClick(m_view->focusProxy(), Qt::LeftButton, {}, QPoint(270, 40));
        (void)QTest::qWaitFor([this] { return !m_log->navigations.isEmpty(); }, 250);
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_log->completions, QStringList {m_pages.b("/second") + QStringLiteral(" frame html")},
                              10000);
    // The frame's own step in history is seen at once.
    QCOMPARE(m_log->commands, QStringList {QStringLiteral("back on")});
    m_log->clear();
    m_view->GoBack();
    QTRY_COMPARE_WITH_TIMEOUT(m_log->completions, QStringList {m_pages.b("/plain") + QStringLiteral(" frame html")},
                              10000);
    QCOMPARE(m_log->navigations, QStringList {m_pages.b("/plain")});
    QCOMPARE(m_log->commands, (QStringList {QStringLiteral("forward on"), QStringLiteral("back off")}));
}

void TestBrowser::historyStepWithoutEntryThrows()
{
    QVERIFY_THROWS_EXCEPTION(AppError, m_view->GoBack());
    QVERIFY_THROWS_EXCEPTION(AppError, m_view->GoForward());
    open(m_pages.a("/plain"));
    QVERIFY_THROWS_EXCEPTION(AppError, m_view->GoBack());
    QVERIFY_THROWS_EXCEPTION(AppError, m_view->GoForward());
    open(m_pages.a("/second"));
    m_view->GoBack();
    QTRY_COMPARE(m_log->completions.last(), m_pages.a("/plain") + QStringLiteral(" top html"));
    QVERIFY_THROWS_EXCEPTION(AppError, m_view->GoBack());
}

void TestBrowser::invalidAddressThrows_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("empty") << QString();
    QTest::newRow("blank") << QStringLiteral("  ");
    QTest::newRow("no scheme") << QStringLiteral("quenvel/index.php");
    QTest::newRow("space in host") << QStringLiteral("http://exa mple.com/");
    QTest::newRow("open bracket") << QStringLiteral("http://[::1/");
}

void TestBrowser::invalidAddressThrows()
{
    QFETCH(QString, address);
    open(m_pages.a("/second"));
    m_log->clear();
    QVERIFY_THROWS_EXCEPTION(AppError, m_view->Navigate(address));
    // Nothing starts: the page on show stays.
    QTest::qWait(300);
    QCOMPARE(m_log->all, QStringList());
    QCOMPARE(m_view->url().toString(), m_pages.a("/second"));
}

// An address nobody answers: the navigation is reported, the engine puts its error page
// in place of the address and that completes as the address itself, so the main window
// can offer to load it again; loading ends as a failure. The error page is never filled.
void TestBrowser::unreachableAddress()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QString address = QStringLiteral("http://127.0.0.1:%1/quenvel/yosou.php").arg(closed.serverPort());
    closed.close();

    m_view->Navigate(address);
    QTRY_COMPARE_WITH_TIMEOUT(m_log->loadsFinished, 1, 15000);
    QCOMPARE(m_log->navigations, QStringList {address});
    QCOMPARE(m_log->completions, QStringList {address + QStringLiteral(" top html")});
    QVERIFY(m_log->all.contains(QStringLiteral("finished failed")));
    QCOMPARE(m_log->progress.last(), qMakePair(-1, int(BrowserView::ProgressMax)));
    QCOMPARE(m_log->commands, QStringList());

    int written = -2;
    m_view->fillHiddenInputs(address, {{QStringLiteral("p"), QStringLiteral("1234")}}, [&](int n) { written = n; });
    QTRY_COMPARE(written, 0);
}

// Stopping a page that has not answered yet ends loading without a document.
void TestBrowser::stopEndsLoading()
{
    m_view->Navigate(m_pages.a("/stall"));
    QTRY_VERIFY(!m_log->progress.isEmpty());
    m_view->Stop();
    QTRY_COMPARE_WITH_TIMEOUT(m_log->loadsFinished, 1, 5000);
    QCOMPARE(m_log->navigations, QStringList {m_pages.a("/stall")});
    QCOMPARE(m_log->progress.last(), qMakePair(-1, int(BrowserView::ProgressMax)));
    QTest::qWait(300);
    QCOMPARE(m_log->completions, QStringList());
}

void TestBrowser::progress()
{
    open(m_pages.a("/frames"));
    QCOMPARE(m_log->loadsFinished, 1);
    const auto &steps = m_log->progress;
    QVERIFY(steps.size() >= 2);
    for (qsizetype i = 0; i + 1 < steps.size(); ++i) {
        QCOMPARE(steps[i].second, int(BrowserView::ProgressMax));
        QVERIFY2(steps[i].first >= 0 && steps[i].first <= BrowserView::ProgressMax, qPrintable(m_log->all.join(u',')));
        if (i > 0)
            QVERIFY2(steps[i].first >= steps[i - 1].first, qPrintable(m_log->all.join(u',')));
    }
    QCOMPARE(steps.last(), qMakePair(-1, int(BrowserView::ProgressMax)));
    QVERIFY(m_log->all.indexOf(QStringLiteral("progress -1/100")) > m_log->all.indexOf(QStringLiteral("finished ok")));
}

void TestBrowser::statusTextFollowsLinkUnderMouse()
{
    open(m_pages.a("/plain"));
    const auto moveTo = [this](QPoint point) {
        QMouseEvent move(QEvent::MouseMove, point, m_view->focusProxy()->mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(m_view->focusProxy(), &move);
    };
    m_log->clear();
    for (int attempt = 0; attempt < 40 && !m_log->statusTexts.contains(m_pages.a("/second")); ++attempt) {
        moveTo(QPoint(50 + attempt % 2, 40));
        (void)QTest::qWaitFor([this] { return m_log->statusTexts.contains(m_pages.a("/second")); }, 250);
    }
    QCOMPARE(m_log->statusTexts.last(), m_pages.a("/second"));
    moveTo(QPoint(400, 300));
    QTRY_COMPARE(m_log->statusTexts.last(), QString());
}

void TestBrowser::fillHiddenInputs_data()
{
    const QString page = m_pages.a("/fill?race=1");
    const QStringList untouched {
        QStringLiteral("hidden ii=old ii"), QStringLiteral("HIDDEN i=old i"),   QStringLiteral("hidden r=old r"),
        QStringLiteral("hidden p=old p 1"), QStringLiteral("hidden p=old p 2"), QStringLiteral("text ii=visible ii"),
        QStringLiteral("hidden P=upper P"), QStringLiteral("hidden x=other x"),
    };
    // Values that would break a script they were pasted into.
    const QString awkward = QStringLiteral("1\"2'3\\4</script>5\n6\u2028競馬");
    const QList<BrowserView::Field> fields {
        {QStringLiteral("ii"), QStringLiteral("049050")},
        {QStringLiteral("i"), QStringLiteral("-016")},
        {QStringLiteral("r"), QString()},
        {QStringLiteral("p"), awkward},
        {QStringLiteral("p"), QStringLiteral("second p loses")},
    };

    QTest::addColumn<QString>("expectedUrl");
    QTest::addColumn<QList<BrowserView::Field>>("fields");
    QTest::addColumn<int>("written");
    QTest::addColumn<QStringList>("after");

    // type="HIDDEN" counts: the engine reads the type as "hidden", as the control did.
    QTest::newRow("address as expected") << page << fields << 5 << QStringList {QStringLiteral("hidden ii=049050"),
                                                                                QStringLiteral("HIDDEN i=-016"),
                                                                                QStringLiteral("hidden r="),
                                                                                QStringLiteral("hidden p=") + awkward,
                                                                                QStringLiteral("hidden p=") + awkward,
                                                                                QStringLiteral("text ii=visible ii"),
                                                                                QStringLiteral("hidden P=upper P"),
                                                                                QStringLiteral("hidden x=other x")};
    QTest::newRow("other query") << m_pages.a("/fill?race=2") << fields << 0 << untouched;
    QTest::newRow("no query") << m_pages.a("/fill") << fields << 0 << untouched;
    QTest::newRow("other origin") << m_pages.b("/fill?race=1") << fields << 0 << untouched;
    QTest::newRow("no fields") << page << QList<BrowserView::Field>() << 0 << untouched;
}

// The page's own scripts see the values written, but can neither intercept the writes
// (its setters on the prototype and on one input spoil any value they get) nor
// change what is written.
void TestBrowser::fillHiddenInputs()
{
    QFETCH(QString, expectedUrl);
    QFETCH(QList<BrowserView::Field>, fields);
    QFETCH(int, written);
    QFETCH(QStringList, after);

    open(m_pages.a("/fill?race=1"));
    int result = -2;
    m_view->fillHiddenInputs(expectedUrl, fields, [&](int n) { result = n; });
    QTRY_COMPARE(result, written);
    QCOMPARE(pageFields(), after);
    QCOMPARE(evaluateInPage(m_view->page(), QStringLiteral("window.setterCalls")).toInt(), 0);
}

void TestBrowser::fillBeforeAnyPage()
{
    int result = -2;
    m_view->fillHiddenInputs(m_pages.a("/fill"), {{QStringLiteral("p"), QStringLiteral("new")}},
                             [&](int n) { result = n; });
    // The caller hears back even before the first page: nothing was written.
    QTRY_COMPARE_WITH_TIMEOUT(result, 0, 10000);
}

void TestBrowser::fillReachesTopDocumentOnly()
{
    open(m_pages.a("/fill-frame"));
    const QStringList frameBefore = pageFields(QStringLiteral("frames[0]."));
    QCOMPARE(frameBefore.size(), 8);
    for (const QString &expected : {m_pages.a("/fill-frame"), m_pages.a("/fill")}) {
        int result = -2;
        m_view->fillHiddenInputs(expected, {{QStringLiteral("p"), QStringLiteral("new")}}, [&](int n) { result = n; });
        QTRY_VERIFY(result != -2);
        QCOMPARE(pageFields(QStringLiteral("frames[0].")), frameBefore);
        if (expected == m_pages.a("/fill-frame")) {
            QCOMPARE(result, 1);
            QCOMPARE(evaluateInPage(m_view->page(), QStringLiteral("document.forms[0].p.value")).toString(),
                     QStringLiteral("new"));
        } else {
            QCOMPARE(result, 0);
        }
    }
}

void TestBrowser::focusPage()
{
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    open(m_pages.a("/plain"));
    m_sibling->setFocus();
    QTRY_VERIFY(m_sibling->hasFocus());
    QTRY_COMPARE(evaluateInPage(m_view->page(), QStringLiteral("document.hasFocus()")).toBool(), false);

    m_view->focusPage();
    QTRY_VERIFY(m_view->focusProxy()->hasFocus());
    QTRY_COMPARE(evaluateInPage(m_view->page(), QStringLiteral("document.hasFocus()")).toBool(), true);
}

QTEST_MAIN(TestBrowser)
#include "TestBrowser.moc"
