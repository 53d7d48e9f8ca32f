#include "BrowserView.h"
#include "ClientFixture.h"
#include "CredentialPages.h"
#include "ImageButton.h"
#include "UrlCatcher.h"
#include "UserSandbox.h"
#include "uniPelorin.h"

#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>

// The main window's reaction to its browser, on pages served from loopback and shown
// by the real web engine.
class TestPageHandling : public QObject
{
    Q_OBJECT

public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void fillsTheChosenSet_data();
    void fillsTheChosenSet();
    void leavesOtherPagesAlone_data();
    void leavesOtherPagesAlone();
    void credentialPageInAFrame();
    void refillAfterReloadWithNewValues();
    void markerLinkTurnsTheButtons();
    void historyButtons();
    void keys();
    void gauge();
    void toolbarPages();
    void reloadWithoutAPage();

private:
    QVariant inPage(const QString &script);
    QString fields();
    void open(const QString &path);

    std::unique_ptr<UserSandbox> m_sandbox;
    std::unique_ptr<ClientFixture> m_fixture;
    std::unique_ptr<TfrmPelorin> m_main;
};

// Four hidden fields to fill, a second "p", and decoys that must keep their values.
const char CredentialPage[] = R"html(<!DOCTYPE html><html><head><title>予想</title></head><body>
<form id="f">
<input type="hidden" name="ii"><input type="hidden" name="i"><input type="hidden" name="r">
<input type="hidden" name="p"><input type="hidden" name="p" id="p2">
<input type="text" name="ii" id="visible" value="keep"><input type="hidden" name="P" id="upper" value="keep">
<input type="hidden" name="x" id="other" value="keep">
</form>
<a id="marker" href="javascript:OnGoPatMaker()"
    > 確認</ a><a id = "next" href = "/quenvel/race.php"> 次</ a><script> function OnGoPatMaker()
{
    window.called = (window.called || 0) + 1;
}</script>
</body></html>)html";

void TestPageHandling::initTestCase()
{
    m_sandbox = std::make_unique<UserSandbox>();
}

void TestPageHandling::init()
{
    m_fixture = std::make_unique<ClientFixture>();
    for (const char *path : {"/quenvel/yosou.php", "/quenvel/shutsuba.php", "/quenvel/syukei.php",
                             "/quenvel/iyosou.php", "/quenvel/yosou.phpx", "/other/quenvel/yosou.php"})
        m_fixture->sitePage(path, CredentialPage);
    m_fixture->sitePage("/frame.php",
                        "<html><body><iframe src=\"/quenvel/yosou.php?in=frame\"></iframe></body></html>");
    m_main = std::make_unique<TfrmPelorin>();
    m_main->gII1 = QStringLiteral("A1");
    m_main->gI1 = QStringLiteral("12345678");
    m_main->gR1 = QStringLiteral("5678");
    m_main->gP1 = QStringLiteral("1234");
    m_main->gII2 = QStringLiteral("ｲ 2");
    m_main->gI2 = QString();
    m_main->gR2 = QStringLiteral("r");
    m_main->gP2 = QStringLiteral("暗証");
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    m_main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
}

void TestPageHandling::cleanup()
{
    m_main.reset();
    m_fixture.reset();
}

QVariant TestPageHandling::inPage(const QString &script)
{
    QVariant result;
    bool done = false;
    m_main->web->page()->runJavaScript(script, [&](const QVariant &value) {
        result = value;
        done = true;
    });
    [[maybe_unused]] const bool finished = QTest::qWaitFor([&] { return done; }, 10000);
    return result;
}

// What the page's own script sees in its inputs, in document order.
QString TestPageHandling::fields()
{
    return inPage(QStringLiteral("Array.from(document.getElementsByTagName('input')).map(e => e.value).join('|')"))
        .toString();
}

void TestPageHandling::open(const QString &path)
{
    QSignalSpy complete(m_main->web, &BrowserView::documentComplete);
    const QString url = m_fixture->siteOrigin() + path;
    m_main->web->Navigate(url);
    QTRY_VERIFY_WITH_TIMEOUT(m_main->LastCompletedUrl == url && !complete.isEmpty(), 20000);
}

void TestPageHandling::fillsTheChosenSet_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("patMord");
    QTest::addColumn<bool>("second");
    QTest::newRow("set 1 with a query") << QStringLiteral("/quenvel/yosou.php?race=202612110511") << 1 << false;
    QTest::newRow("0 is set 1") << QStringLiteral("/quenvel/shutsuba.php") << 0 << false;
    QTest::newRow("3 is set 1") << QStringLiteral("/quenvel/syukei.php#x") << 3 << false;
    QTest::newRow("set 2, empty value written empty") << QStringLiteral("/quenvel/yosou.php") << 2 << true;
}

void TestPageHandling::fillsTheChosenSet()
{
    QFETCH(QString, path);
    QFETCH(int, patMord);
    QFETCH(bool, second);
    m_main->gPatMord = patMord;
    open(path);
    const TfrmPelorin &m = *m_main;
    const QString ii = EncodeCredential(second ? m.gII2 : m.gII1);
    const QString i = EncodeCredential(second ? m.gI2 : m.gI1);
    const QString r = EncodeCredential(second ? m.gR2 : m.gR1);
    const QString p = EncodeCredential(second ? m.gP2 : m.gP1);
    const QString expected
        = QStringList {ii, i, r, p, p, QStringLiteral("keep"), QStringLiteral("keep"), QStringLiteral("keep")}.join(
            QLatin1Char('|'));
    QTRY_COMPARE_WITH_TIMEOUT(fields(), expected, 10000);
    QVERIFY(!m_main->btnStop->isEnabled());
    QVERIFY(m_main->btnReload->isEnabled());
    QTRY_VERIFY(inPage(QStringLiteral("document.hasFocus()")).toBool());
}

void TestPageHandling::leavesOtherPagesAlone_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("prediction list") << QStringLiteral("/quenvel/iyosou.php");
    QTest::newRow("longer name") << QStringLiteral("/quenvel/yosou.phpx");
    QTest::newRow("other folder") << QStringLiteral("/other/quenvel/yosou.php");
}

void TestPageHandling::leavesOtherPagesAlone()
{
    QFETCH(QString, path);
    open(path);
    QTest::qWait(300);
    QCOMPARE(fields(), QStringLiteral("|||||keep|keep|keep"));
    QVERIFY(!m_main->btnStop->isEnabled());
    QVERIFY(m_main->btnReload->isEnabled());
}

void TestPageHandling::credentialPageInAFrame()
{
    QStringList completedWhileLoading;
    connect(m_main->web, &BrowserView::documentComplete, this,
            [&](const QString &, bool) { completedWhileLoading << m_main->LastCompletedUrl; });
    open(QStringLiteral("/frame.php"));
    // The frame's completion set the address (before the top's did), the buttons and focus.
    QCOMPARE(completedWhileLoading.first(), m_fixture->siteOrigin() + QStringLiteral("/quenvel/yosou.php?in=frame"));
    QTest::qWait(300);
    QCOMPARE(inPage(QStringLiteral("Array.from(frames[0].document.getElementsByTagName('input'))"
                                   ".map(e => e.value).join('|')"))
                 .toString(),
             QStringLiteral("|||||keep|keep|keep"));
    QVERIFY(!m_main->btnStop->isEnabled());
    QVERIFY(m_main->btnReload->isEnabled());
}

void TestPageHandling::refillAfterReloadWithNewValues()
{
    open(QStringLiteral("/quenvel/yosou.php?race=1"));
    QTRY_VERIFY(fields().startsWith(EncodeCredential(QStringLiteral("A1"))));
    m_main->gII1 = QStringLiteral("B2");
    m_main->btnReloadClick();
    QTRY_VERIFY_WITH_TIMEOUT(fields().startsWith(EncodeCredential(QStringLiteral("B2")) + QLatin1Char('|')), 10000);
}

void TestPageHandling::markerLinkTurnsTheButtons()
{
    open(QStringLiteral("/quenvel/yosou.php"));
    m_main->btnStop->setEnabled(true);
    m_main->btnReload->setEnabled(false);
    inPage(QStringLiteral("document.getElementById('marker').click()"));
    QTRY_VERIFY(m_main->btnReload->isEnabled());
    QVERIFY(!m_main->btnStop->isEnabled());
    QCOMPARE(inPage(QStringLiteral("window.called")).toInt(), 1);

    // Any other navigation turns them the other way.
    m_main->webNewBeforeNavigate2(m_fixture->siteOrigin() + QStringLiteral("/quenvel/race.php"));
    QVERIFY(m_main->btnStop->isEnabled());
    QVERIFY(!m_main->btnReload->isEnabled());
}

void TestPageHandling::historyButtons()
{
    const QString first = m_fixture->siteOrigin() + QStringLiteral("/quenvel/yosou.php");
    const QString second = m_fixture->siteOrigin() + QStringLiteral("/quenvel/race.php");
    QVERIFY(!m_main->btnPrev->isEnabled());
    QVERIFY(!m_main->btnNext->isEnabled());
    open(QStringLiteral("/quenvel/yosou.php"));
    QVERIFY(!m_main->btnPrev->isEnabled());
    inPage(QStringLiteral("document.getElementById('next').click()"));
    QTRY_COMPARE_WITH_TIMEOUT(m_main->LastCompletedUrl, second, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(m_main->btnPrev->isEnabled(), 30000);
    QVERIFY(!m_main->btnNext->isEnabled());
    // Each step once the page before it has loaded, as a member clicks.
    QTest::mouseClick(m_main->btnPrev, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_main->LastCompletedUrl, first, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(m_main->btnNext->isEnabled(), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_main->btnPrev->isEnabled(), 30000);
    QTest::mouseClick(m_main->btnNext, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_main->LastCompletedUrl, second, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_main->btnNext->isEnabled(), 30000);
    QVERIFY(m_main->btnPrev->isEnabled());
    QVERIFY(m_fixture->messages.isEmpty());
}

void TestPageHandling::keys()
{
    open(QStringLiteral("/quenvel/yosou.php"));
    inPage(QStringLiteral("document.getElementById('next').click()"));
    QTRY_VERIFY_WITH_TIMEOUT(m_main->btnPrev->isEnabled(), 10000);
    QWidget *page = m_main->web->focusProxy();
    QVERIFY(page);
    const QString first = m_fixture->siteOrigin() + QStringLiteral("/quenvel/yosou.php");
    const QString second = m_fixture->siteOrigin() + QStringLiteral("/quenvel/race.php");
    QTRY_COMPARE(m_main->LastCompletedUrl, second);
    QTest::keyClick(page, Qt::Key_Left, Qt::AltModifier);
    QTRY_COMPARE_WITH_TIMEOUT(m_main->LastCompletedUrl, first, 10000);
    QTest::keyClick(page, Qt::Key_Right, Qt::AltModifier);
    QTRY_COMPARE_WITH_TIMEOUT(m_main->LastCompletedUrl, second, 10000);
    const QString race = QStringLiteral("/quenvel/race.php");
    const qsizetype asked = m_fixture->pages().count(race);
    QTest::keyClick(page, Qt::Key_F5);
    QTRY_COMPARE_WITH_TIMEOUT(m_fixture->pages().count(race), asked + 1, 10000);
}

void TestPageHandling::gauge()
{
    m_main->webProgressChange(50, 200);
    QCOMPARE(m_main->bar1->maximum(), 200);
    QCOMPARE(m_main->bar1->value(), 50);
    m_main->webProgressChange(-1, 100);
    QCOMPARE(m_main->bar1->value(), 0);
    QCOMPARE(m_main->bar1->maximum(), 200);
    m_main->webStatusTextChange(QStringLiteral("http://example.jp/ページ"));
    QCOMPARE(m_main->sta0->text(), QStringLiteral("http://example.jp/ページ"));
}

void TestPageHandling::toolbarPages()
{
    UrlCatcher outside;
    const QList<std::pair<ImageButton *, QString>> buttons = {
        {m_main->btnHome, QStringLiteral("/quenvel/index.php")},
        {m_main->btnRace, QStringLiteral("/quenvel/race.php")},
        {m_main->btnYoso, QStringLiteral("/quenvel/iyosou.php")},
        {m_main->btnData, QStringLiteral("/quenvel/search.php")},
    };
    for (const auto &[button, path] : buttons) {
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m_main->LastCompletedUrl, m_fixture->siteOrigin() + path, 20000);
    }
    QCOMPARE(m_fixture->pages().first(), QStringLiteral("/quenvel/index.php"));
    const QString before = m_main->LastCompletedUrl;
    QTest::mouseClick(m_main->btnSokuho, Qt::LeftButton);
    QCOMPARE(outside.opened,
             QList<QUrl> {QUrl(Origins::get().guest + QStringLiteral("/vellguest/sokuhou/index.html"))});
    QTest::qWait(200);
    QCOMPARE(m_main->LastCompletedUrl, before);
}

void TestPageHandling::reloadWithoutAPage()
{
    QVERIFY(m_main->LastCompletedUrl.isEmpty());
    m_main->btnReloadClick();
    QTest::qWait(200);
    QVERIFY(m_fixture->messages.isEmpty());
    QVERIFY(m_fixture->pages().isEmpty());
}

QTEST_MAIN(TestPageHandling)
#include "TestPageHandling.moc"
