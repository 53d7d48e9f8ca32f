#include "ClientFixture.h"
#include "CredentialPages.h"
#include "ImageButton.h"
#include "SettingsNames.h"
#include "SettingsStore.h"
#include "SplashScreen.h"
#include "UrlCatcher.h"
#include "UserSandbox.h"
#include "uniPelorin.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

// The voting menu and the help menu: pages opened in the user's own browser.
class TestLaunchers : public QObject
{
    Q_OBJECT

public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void votingPages_data();
    void votingPages();
    void incompleteSet_data();
    void incompleteSet();
    void menus();
    void help();
    void versionWindow();

private:
    std::unique_ptr<UserSandbox> m_sandbox;
    std::unique_ptr<ClientFixture> m_fixture;
    std::unique_ptr<TfrmPelorin> m_main;
    std::unique_ptr<UrlCatcher> m_outside;
};

void TestLaunchers::initTestCase()
{
    m_sandbox = std::make_unique<UserSandbox>();
}

void TestLaunchers::init()
{
    m_fixture = std::make_unique<ClientFixture>();
    m_outside = std::make_unique<UrlCatcher>();
    m_main = std::make_unique<TfrmPelorin>();
    m_main->gII1 = QStringLiteral("AB12");
    m_main->gI1 = QStringLiteral("12345678");
    m_main->gR1 = QStringLiteral("5678");
    m_main->gP1 = QStringLiteral("1234");
    m_main->gII2 = QStringLiteral(" ");
    m_main->gI2 = QStringLiteral("競馬");
    m_main->gR2 = QStringLiteral("r2");
    m_main->gP2 = QStringLiteral("0000");
}

void TestLaunchers::cleanup()
{
    m_main.reset();
    m_outside.reset();
    m_fixture.reset();
}

void TestLaunchers::votingPages_data()
{
    QTest::addColumn<int>("patMord");
    QTest::addColumn<bool>("win5");
    QTest::addColumn<QString>("query");
    QTest::newRow("normal, set 1") << 1 << false
                                   << QStringLiteral(
                                          "ii=017018001002&i=001002003004005006007008&p=001002003004&r=005006007008");
    QTest::newRow("WIN5, set 1") << 1 << true
                                 << QStringLiteral(
                                        "ii=017018001002&i=001002003004005006007008&p=001002003004&r=005006007008");
    QTest::newRow("normal, set 2: a space, double-byte")
        << 2 << false << QStringLiteral("ii=-016&i=091115100062&p=000000000000&r=066002");
}

void TestLaunchers::votingPages()
{
    QFETCH(int, patMord);
    QFETCH(bool, win5);
    QFETCH(QString, query);
    m_main->gPatMord = patMord;
    if (win5)
        m_main->popTohyoWin5Click();
    else
        m_main->popTohyoNormalClick();
    QCOMPARE(m_outside->opened.size(), 1);
    const QString page = win5 ? QStringLiteral("/ipat/win5.php?") : QStringLiteral("/ipat/main.php?");
    QCOMPARE(m_outside->opened.first().toString(QUrl::FullyEncoded), Origins::get().bet + page + query);
    QVERIFY(m_fixture->messages.isEmpty());
    QVERIFY(m_main->LastCompletedUrl.isEmpty());
    QVERIFY(m_fixture->pages().isEmpty());
}

void TestLaunchers::incompleteSet_data()
{
    QTest::addColumn<int>("patMord");
    QTest::addColumn<QString>("emptied");
    QTest::newRow("set 2 chosen, set 1 complete") << 2 << QStringLiteral("gR2");
    QTest::newRow("set 1 without PIN") << 1 << QStringLiteral("gP1");
    QTest::newRow("5 chooses set 1") << 5 << QStringLiteral("gII1");
}

void TestLaunchers::incompleteSet()
{
    QFETCH(int, patMord);
    QFETCH(QString, emptied);
    m_main->gPatMord = patMord;
    const QHash<QString, QString *> fields = {{QStringLiteral("gR2"), &m_main->gR2},
                                              {QStringLiteral("gP1"), &m_main->gP1},
                                              {QStringLiteral("gII1"), &m_main->gII1}};
    fields.value(emptied)->clear();
    m_main->popTohyoNormalClick();
    m_main->popTohyoWin5Click();
    QVERIFY(m_outside->opened.isEmpty());
    QCOMPARE(m_fixture->messages.size(), 2);
    QCOMPARE(m_fixture->messages.first().type, MessageDialog::Type::Information);
    QCOMPARE(m_fixture->messages.first().text,
             QStringLiteral("IPAT加入者情報が正しく設定されていません\r\n[登録情報]ボタンから設定を行ってください。"));
}

void TestLaunchers::menus()
{
    const QList<QAction *> voting = m_main->spSkinPopupMenu2->actions();
    QCOMPARE(voting.size(), 2);
    QCOMPARE(voting.at(0)->text(), QStringLiteral("通常投票"));
    QCOMPARE(voting.at(1)->text(), QStringLiteral("WIN5投票"));
    const QList<QAction *> help = m_main->spSkinPopupMenu1->actions();
    QCOMPARE(help.size(), 2);
    QCOMPARE(help.at(0)->text(), QStringLiteral("ヘルプを表示"));
    QVERIFY(!help.at(0)->icon().isNull());
    QCOMPARE(help.at(1)->text(), QStringLiteral("バージョン情報"));

    // A press on the button opens its menu at the button; choosing an item runs it.
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    QTimer::singleShot(300, this, [this] {
        QVERIFY(m_main->spSkinPopupMenu2->isVisible());
        const QPoint below = m_main->btnTohyo->mapToGlobal(QPoint(0, m_main->btnTohyo->height()));
        QCOMPARE(m_main->spSkinPopupMenu2->pos(), below);
        m_main->popTohyoNormal->trigger();
        m_main->spSkinPopupMenu2->close();
    });
    QTest::mousePress(m_main->btnTohyo, Qt::LeftButton);
    QCOMPARE(m_outside->opened.size(), 1);
}

void TestLaunchers::help()
{
    m_main->LastCompletedUrl = QStringLiteral("kept");
    m_main->popHelp->trigger();
    QCOMPARE(m_outside->opened, QList<QUrl> {QUrl(Origins::get().site + QStringLiteral("/quenvel/help/top.php"))});
    QCOMPARE(m_main->LastCompletedUrl, QStringLiteral("kept"));
}

void TestLaunchers::versionWindow()
{
    m_fixture->answerAccount(200, "<r><isAuthenticated>true</isAuthenticated></r>");
    m_main->gUserName = QStringLiteral("u@x.jp");
    m_main->gPass = QStringLiteral("pw");
    {
        // The start-up shows the splash once; it closes as the window shows.
        SettingsStore store(QStringLiteral("frmPelorin"));
        store.writeString(SettingsNames::UserName, m_main->gUserName);
        store.writeString(SettingsNames::Pass, m_main->gPass);
        QVERIFY(store.commit());
    }
    QVERIFY(m_main->FormCreate());
    SplashScreen *splash = m_main->AdvSmoothSplashScreen1;
    QSignalSpy closed(splash, &SplashScreen::closed);
    m_main->show();
    QVERIFY(closed.wait(3000));

    m_main->popAbount->trigger();
    m_main->popAbount->trigger(); // twice: still one splash
    QVERIFY(splash->isShowing());
    QCOMPARE(splash->versionText(), QStringLiteral("Version 1.1.0.9"));
    QTest::qWait(500);
    QVERIFY(splash->isVisible()); // it stays until clicked
    QVERIFY(QApplication::activeWindow() != splash);
    QTest::mouseClick(splash, Qt::LeftButton);
    QVERIFY(closed.wait(3000));
    QCOMPARE(closed.size(), 2);
    QVERIFY(!splash->isVisible());
}

QTEST_MAIN(TestLaunchers)
#include "TestLaunchers.moc"
