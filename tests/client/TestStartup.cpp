#include "ClientFixture.h"
#include "CredentialCipher.h"
#include "SettingsNames.h"
#include "SettingsStore.h"
#include "SplashScreen.h"
#include "UserSandbox.h"
#include "platform/OrderlyClose.h"
#include "platform/SingleInstance.h"
#include "platform/VersionInfo.h"
#include "uniPelorin.h"
#include "uniStart.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>

class TestStartup : public QObject
{
    Q_OBJECT

public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void versionOfTheClient();
    void logIn_data();
    void logIn();
    void noAccountEndsWithoutStoring();
    void completedWizardLogsInAgain();
    void settingsApplied();
    void closeWritesEveryValue();
    void terminationSignalWritesSettings();
    void failedWriteIsTold();
    void dataFolderThatCannotBeMade();
    void splashClosesWhenTheWindowShows();
    void secondInstanceBringsTheFirstForward();

private:
    void storeAccount(const QString &user, const QString &password);
    QSettings *raw();

    std::unique_ptr<UserSandbox> m_sandbox;
    std::unique_ptr<ClientFixture> m_fixture;
    std::unique_ptr<QSettings> m_raw;
};

const QByteArray Accepted = "<?xml version=\"1.0\"?><r><isAuthenticated>true</isAuthenticated><point>120</point></r>";

void TestStartup::initTestCase()
{
    m_sandbox = std::make_unique<UserSandbox>();
}

void TestStartup::init()
{
    QFile::remove(m_sandbox->settingsFile());
    m_fixture = std::make_unique<ClientFixture>();
}

void TestStartup::cleanup()
{
    m_raw.reset();
    m_fixture.reset();
}

QSettings *TestStartup::raw()
{
    m_raw = std::make_unique<QSettings>(m_sandbox->settingsFile(), QSettings::IniFormat);
    m_raw->beginGroup(QStringLiteral("frmPelorin"));
    return m_raw.get();
}

void TestStartup::storeAccount(const QString &user, const QString &password)
{
    SettingsStore store(QStringLiteral("frmPelorin"));
    store.writeString(SettingsNames::UserName, user);
    store.writeString(SettingsNames::Pass, password);
    QVERIFY(store.commit());
}

void TestStartup::versionOfTheClient()
{
    QCOMPARE(GetVersionValue(TVersionKey::FileVersion).trimmed(), QStringLiteral("1.1.0.9"));
    QCOMPARE(GetVersionValue(TVersionKey::ProductVersion), QStringLiteral("1.10"));
    QCOMPARE(GetVersionValue(TVersionKey::OriginalFilename), QStringLiteral("Pelorin.exe"));
}

void TestStartup::logIn_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<QStringList>("messages");

    const QString refused = QStringLiteral("【a+b c@x.jp】\r\n\r\nユーザー認証できませんでした。\r\n"
                                           "登録情報で設定内容をご確認ください。\r\n");
    const QString network = QStringLiteral("インターネット接続に問題が発生しました。\r\n\r\n"
                                           "このアプリケーションはインターネットに接続している環境でご利用ください。"
                                           "\r\n\r\nStatusCode=");
    QTest::newRow("accepted") << 200 << Accepted << true << QStringList();
    QTest::newRow("refused") << 200 << QByteArray("<r><isAuthenticated>false</isAuthenticated></r>") << false
                             << QStringList {refused};
    QTest::newRow("404") << 404 << QByteArray() << false << QStringList {refused};
    QTest::newRow("503") << 503 << QByteArray() << false << QStringList {network + QStringLiteral("503"), refused};
    QTest::newRow("malformed after a yes")
        << 200 << QByteArray("<r><isAuthenticated>true</isAuthenticated><point>7</point") << true
        << QStringList {QStringLiteral("XMLParseError=Xml Parse error")};
    QTest::newRow("empty body") << 200 << QByteArray() << false << QStringList {refused};
    QTest::newRow("no server") << 0 << QByteArray() << false << QStringList {network, refused};
}

void TestStartup::logIn()
{
    QFETCH(int, status);
    QFETCH(QByteArray, reply);
    QFETCH(bool, loggedIn);
    QFETCH(QStringList, messages);

    storeAccount(QStringLiteral("a+b c@x.jp"), QStringLiteral("pw12"));
    if (status == 0)
        m_fixture->stopAccountServer();
    else
        m_fixture->answerAccount(status, reply.toStdString());

    TfrmPelorin form;
    QVERIFY(form.FormCreate());
    QStringList shown;
    for (const auto &message : m_fixture->messages) {
        QCOMPARE(message.type, MessageDialog::Type::Error);
        shown << message.text;
    }
    QCOMPARE(shown, messages);
    if (status != 0)
        QCOMPARE(m_fixture->accountRequests(), QStringList {QStringLiteral("/_pelorin/auth.php?m=a+b c@x.jp&p=pw12")});

    if (loggedIn) {
        QCOMPARE(form.sta1->text(), QStringLiteral("ID: a+b c@x.jp"));
        QCOMPARE(form.sta2->text(),
                 status == 200 && reply == Accepted ? QStringLiteral("所有ポイント: 120P")
                                                    : QStringLiteral("所有ポイント: 7P"));
        QTRY_COMPARE_WITH_TIMEOUT(m_fixture->pages().value(0),
                                  QStringLiteral("/quenvel/index.php?m=a%2Bb+c@x.jp&p=pw12&v=1.1.0.9&t=1"), 20000);
    } else {
        QCOMPARE(form.sta1->text(), QString());
        QCOMPARE(form.sta2->text(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(form.LastCompletedUrl, QStringLiteral("about:blank"), 20000);
        QCOMPARE(m_fixture->pages(), QStringList());
    }
}

void TestStartup::noAccountEndsWithoutStoring()
{
    // The wizard comes up; the user closes it and confirms.
    m_fixture->answer = MessageDialog::Result::Yes;
    bool wizardShown = false;
    QTimer::singleShot(200, this, [&] {
        wizardShown = frmStart && frmStart->isVisible();
        if (frmStart)
            frmStart->close();
    });
    TfrmPelorin form;
    QVERIFY(!form.FormCreate());
    QVERIFY(wizardShown);
    QVERIFY(!form.isVisible());
    QCOMPARE(m_fixture->messages.size(), 1);
    QCOMPARE(m_fixture->messages.first().type, MessageDialog::Type::Information);
    QVERIFY(m_fixture->accountRequests().isEmpty());
    QVERIFY(!QSettings(m_sandbox->settingsFile(), QSettings::IniFormat)
                 .childGroups()
                 .contains(QStringLiteral("frmPelorin")));
    QVERIFY(QFileInfo(m_sandbox->path() + QStringLiteral("/data/Pelorin Quenvel Kit")).isDir());
}

void TestStartup::completedWizardLogsInAgain()
{
    m_fixture->answerAccount(200, Accepted.toStdString());
    QTimer::singleShot(200, this, [] {
        QVERIFY(frmStart);
        frmStart->rad1_yes->setChecked(true);
        frmStart->btnNextClick(frmStart->btnNext);
        frmStart->txtMail->setText(QStringLiteral("u@x.jp"));
        frmStart->txtPass->setText(QStringLiteral("1234"));
        frmStart->btnNextClick(frmStart->btnNext); // signs in, on to the done page
        frmStart->btnNextClick(frmStart->btnNext); // 完了
    });
    TfrmPelorin form;
    QVERIFY(form.FormCreate());
    QCOMPARE(form.gUserName, QStringLiteral("u@x.jp"));
    // Checked by the wizard, then once more by the start-up.
    QCOMPARE(m_fixture->accountRequests(), QStringList(2, QStringLiteral("/_pelorin/auth.php?m=u@x.jp&p=1234")));
    QTRY_COMPARE_WITH_TIMEOUT(m_fixture->pages().value(0),
                              QStringLiteral("/quenvel/index.php?m=u@x.jp&p=1234&v=1.1.0.9&t=1"), 20000);
    QVERIFY(m_fixture->messages.isEmpty());
    // Nothing is stored until the window closes.
    QVERIFY(!QFile::exists(m_sandbox->settingsFile()));
    QVERIFY(form.close());
    QCOMPARE(raw()->value(QStringLiteral("gPass")).toString(), QStringLiteral("1234"));
}

void TestStartup::settingsApplied()
{
    m_fixture->answerAccount(200, Accepted.toStdString());
    {
        SettingsStore store(QStringLiteral("frmPelorin"));
        store.writeString(SettingsNames::UserName, QStringLiteral("u@x.jp"));
        store.writeString(SettingsNames::Pass, QStringLiteral("pw"));
        store.writeInteger(SettingsNames::Top, -8);
        store.writeInteger(SettingsNames::Left, 33);
        store.writeInteger(SettingsNames::Width, 800);
        store.writeString(SettingsNames::Height, QStringLiteral("tall"));
        store.writeString(SettingsNames::P1, EncryptSetting(QStringLiteral("1234"), 1));
        store.writeString(SettingsNames::P2, QStringLiteral("not base64 at all"));
        store.writeInteger(SettingsNames::PatMord, 5);
        QVERIFY(store.commit());
    }
    TfrmPelorin form;
    QVERIFY(form.FormCreate());
    QCOMPARE(form.pos(), QPoint(33, -8));
    QCOMPARE(form.size(), QSize(800, 760));
    QCOMPARE(form.gP1, QStringLiteral("1234"));
    QCOMPARE(form.gPatMord, 1);
    QCOMPARE(form.gII2, QString());
}

void TestStartup::closeWritesEveryValue()
{
    m_fixture->answerAccount(200, Accepted.toStdString());
    storeAccount(QStringLiteral("u@x.jp"), QStringLiteral("pw"));
    {
        TfrmPelorin form;
        QVERIFY(form.FormCreate());
        form.show();
        form.move(-20, -8);
        form.gII1 = QStringLiteral("inet");
        form.gP1 = QStringLiteral("1234");
        form.gP2.clear();
        form.gPatMord = 2;
        QVERIFY(form.close());
    }
    QSettings *stored = raw();
    QCOMPARE(stored->childKeys().size(), 15);
    QCOMPARE(stored->value(QStringLiteral("Top")).toString(), QStringLiteral("-8"));
    QCOMPARE(stored->value(QStringLiteral("Left")).toString(), QStringLiteral("-20"));
    QCOMPARE(stored->value(QStringLiteral("gII1")).toString(), QStringLiteral("inet"));
    QCOMPARE(stored->value(QStringLiteral("gI2")).toString(), QString());
    const QString p1 = stored->value(QStringLiteral("gP1")).toString();
    QCOMPARE(p1.size(), 8);
    QVERIFY(p1.endsWith(QStringLiteral("==")));
    QCOMPARE(DecryptSetting(p1, 1), QStringLiteral("1234"));
    QCOMPARE(stored->value(QStringLiteral("gP2")).toString(), QString());
    QCOMPARE(stored->value(QStringLiteral("gPatMord")).toString(), QStringLiteral("2"));
}

void TestStartup::terminationSignalWritesSettings()
{
    m_fixture->answerAccount(200, Accepted.toStdString());
    storeAccount(QStringLiteral("u@x.jp"), QStringLiteral("pw"));
    {
        TfrmPelorin form;
        QVERIFY(form.FormCreate());
        Platform::closeOrderlyOnRequest(&form, [&form] { form.close(); });
        form.show();
        form.gR1 = QStringLiteral("written by the signal");
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ::raise(SIGTERM);
        QTRY_VERIFY(!form.isVisible());
    }
    QCOMPARE(raw()->value(QStringLiteral("gR1")).toString(), QStringLiteral("written by the signal"));
}

void TestStartup::failedWriteIsTold()
{
    m_fixture->answerAccount(200, Accepted.toStdString());
    storeAccount(QStringLiteral("u@x.jp"), QStringLiteral("pw"));
    TfrmPelorin form;
    QVERIFY(form.FormCreate());
    QFile::remove(m_sandbox->settingsFile());
    QVERIFY(QDir().mkpath(m_sandbox->settingsFile())); // a folder where the file belongs
    auto tidy = qScopeGuard([&] { QDir(m_sandbox->settingsFile()).removeRecursively(); });
    m_fixture->messages.clear();
    QVERIFY(!form.writeSettings());
    QCOMPARE(m_fixture->messages.size(), 1);
    QCOMPARE(m_fixture->messages.first().type, MessageDialog::Type::Error);
    QVERIFY(m_fixture->messages.first().text.startsWith(QStringLiteral("設定を保存できませんでした。")));
}

void TestStartup::dataFolderThatCannotBeMade()
{
    m_fixture->answerAccount(200, Accepted.toStdString());
    storeAccount(QStringLiteral("u@x.jp"), QStringLiteral("pw"));
    const QString folder = m_sandbox->path() + QStringLiteral("/data/Pelorin Quenvel Kit");
    QDir(folder).removeRecursively();
    QFile blocker(folder); // a file where the folder belongs
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto tidy = qScopeGuard([&] { QFile::remove(folder); });
    TfrmPelorin form;
    QVERIFY(form.FormCreate());
    QCOMPARE(m_fixture->messages.size(), 1);
    QCOMPARE(m_fixture->messages.first().text, QStringLiteral("データフォルダの作成に失敗しました。"));
    // The start-up goes on: logged in all the same.
    QCOMPARE(form.sta1->text(), QStringLiteral("ID: u@x.jp"));
}

void TestStartup::splashClosesWhenTheWindowShows()
{
    m_fixture->answerAccount(200, Accepted.toStdString());
    storeAccount(QStringLiteral("u@x.jp"), QStringLiteral("pw"));
    TfrmPelorin form;
    QVERIFY(form.FormCreate());
    SplashScreen *splash = form.AdvSmoothSplashScreen1;
    QVERIFY(splash->isShowing());
    QCOMPARE(splash->versionText(), QStringLiteral("Version 1.1.0.9"));
    QVERIFY(!splash->testAttribute(Qt::WA_QuitOnClose));
    QVERIFY(splash->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    QVERIFY(splash->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QSignalSpy closed(splash, &SplashScreen::closed);
    form.show();
    QVERIFY(closed.wait(3000));
    QVERIFY(!splash->isVisible());
    QCOMPARE(splash->fadeLevel(), 10);

    // Shown again (the version window), a click closes it; hiding twice changes nothing.
    splash->showSplash();
    QTRY_COMPARE(splash->fadeLevel(), 255);
    QTest::mouseClick(splash, Qt::LeftButton);
    QVERIFY(closed.wait(3000));
    splash->hideSplash();
    QCOMPARE(closed.size(), 2);
}

void TestStartup::secondInstanceBringsTheFirstForward()
{
    m_fixture->answerAccount(200, Accepted.toStdString());
    storeAccount(QStringLiteral("u@x.jp"), QStringLiteral("pw"));
    SingleInstance first(QStringLiteral("PelorinQuenvelMutexTest"));
    QVERIFY(first.tryToBeFirst());
    TfrmPelorin form;
    QVERIFY(form.FormCreate());
    connect(&first, &SingleInstance::comeForwardRequested, &form, &TfrmPelorin::bringForward);
    form.show();
    form.showMinimized();
    QTRY_VERIFY(form.isMinimized());

    SingleInstance second(QStringLiteral("PelorinQuenvelMutexTest"));
    QVERIFY(!second.tryToBeFirst());
    // The answer needs the first copy's event loop, which in a real second program runs
    // in the first process; here it runs while the second waits on another thread.
    bool answered = false;
    std::thread asker([&] {
        SingleInstance other(QStringLiteral("PelorinQuenvelMutexTest"));
        answered = other.askFirstToComeForward();
    });
    QTRY_VERIFY(!form.isMinimized());
    asker.join();
    QVERIFY(answered);
    QVERIFY(form.isVisible());
}

QTEST_MAIN(TestStartup)
#include "TestStartup.moc"
