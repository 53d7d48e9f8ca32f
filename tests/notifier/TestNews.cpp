#include "AlertWindow.h"
#include "HttpClient.h"
#include "LoopbackServer.h"
#include "Origins.h"
#include "PrivateDisplay.h"
#include "UserSandbox.h"
#include "platform/Platform.h"
#include "platform/StartupShortcut.h"
#include "uniPelorinNews.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <atomic>
#include <chrono>
#include <csignal>
#include <memory>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

using NewsValues = QMap<QString, QString>;

namespace {

const QString DefaultStamp = QStringLiteral("2011/01/01 00:00:00");

QStringList texts(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *item : items)
        list << QString::fromUtf8(item);
    return list;
}

// The service's data-update log on a loopback server: the reply each test sets, with
// optional validators, and every request as it came.
class LogServer
{
public:
    struct Request
    {
        std::string path;
        std::string ifNoneMatch;
        std::string ifModifiedSince;
    };

    LogServer()
    {
        m_server.server().Get(R"(/.*)", [this](const httplib::Request &req, httplib::Response &res) {
            const int now = ++m_inFlight;
            int seen = m_maxInFlight.load();
            while (now > seen && !m_maxInFlight.compare_exchange_weak(seen, now)) { }
            std::string body;
            int status = 200;
            std::string etag;
            std::string lastModified;
            int delay = 0;
            {
                std::lock_guard lock(m_mutex);
                m_requests.push_back(
                    {req.path, req.get_header_value("If-None-Match"), req.get_header_value("If-Modified-Since")});
                body = m_body;
                status = m_status;
                etag = m_etag;
                lastModified = m_lastModified;
                delay = m_delayMs;
            }
            if (delay > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            if (!etag.empty()) {
                res.set_header("ETag", etag);
                res.set_header("Last-Modified", lastModified);
            }
            if (!etag.empty() && req.get_header_value("If-None-Match") == etag) {
                res.status = 304;
            } else {
                res.status = status;
                res.set_content(body, "text/plain");
            }
            --m_inFlight;
        });
        m_server.start();
    }

    void answer(int status, const QByteArray &body)
    {
        std::lock_guard lock(m_mutex);
        m_status = status;
        m_body = body.toStdString();
    }

    void setValidators(const std::string &etag, const std::string &lastModified)
    {
        std::lock_guard lock(m_mutex);
        m_etag = etag;
        m_lastModified = lastModified;
    }

    void setDelay(int milliseconds)
    {
        std::lock_guard lock(m_mutex);
        m_delayMs = milliseconds;
    }

    std::vector<Request> requests()
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

    int maxInFlight() const { return m_maxInFlight; }
    QString origin() const { return m_server.origin(); }
    void stop() { m_server.stop(); }

private:
    LoopbackServer m_server;
    std::mutex m_mutex;
    int m_status = 200;
    std::string m_body;
    std::string m_etag;
    std::string m_lastModified;
    int m_delayMs = 0;
    std::vector<Request> m_requests;
    std::atomic<int> m_inFlight {0};
    std::atomic<int> m_maxInFlight {0};
};

} // namespace

// The notifier's form with a real tray host, a real settings file and the update log on a
// loopback server; then the program itself, as a process.
class TestNews : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void settingsAtCreation_data();
    void settingsAtCreation();
    void trayIconAndMenu();
    void closeWritesSettings();
    void lastLineOfTheLog_data();
    void lastLineOfTheLog();
    void announceAcrossPolls_data();
    void announceAcrossPolls();
    void theAlertOfAnUpdate();
    void validatorsSpareTheBody();
    void pollSchedule();
    void autoCloseToggle();
    void startupShortcut();
    void startupShortcutEntry_data();
    void startupShortcutEntry();
    void clientStart_data();
    void clientStart();
    void noNotificationArea();
    void terminationWritesSettings_data();
    void terminationWritesSettings();
    void secondStartEndsSilently();

private:
    void startTrayHost();
    void stopTrayHost();
    void storeNews(const NewsValues &values);
    NewsValues storedNews();
    std::unique_ptr<TfrmPelorinNews> createForm();
    bool waitForWindowOf(qint64 pid);

    std::unique_ptr<UserSandbox> m_sandbox;
    std::unique_ptr<LogServer> m_log;
    QProcess m_trayHost;
};

void TestNews::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "no private X server (is Xvfb installed?)");
    m_sandbox = std::make_unique<UserSandbox>();
    HttpClient::setTimeoutsForTesting(2s, 5s);
    startTrayHost();
}

void TestNews::cleanupTestCase()
{
    stopTrayHost();
}

void TestNews::startTrayHost()
{
    m_trayHost.start(QStringLiteral("trayer"),
                     {QStringLiteral("--edge"), QStringLiteral("bottom"), QStringLiteral("--align"),
                      QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
                      QStringLiteral("--height"), QStringLiteral("24")});
    QVERIFY2(m_trayHost.waitForStarted(), "trayer could not be started");
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
}

void TestNews::stopTrayHost()
{
    if (m_trayHost.state() == QProcess::NotRunning)
        return;
    m_trayHost.terminate();
    m_trayHost.waitForFinished(5000);
}

void TestNews::init()
{
    QFile::remove(m_sandbox->settingsFile());
    QFile::remove(Platform::startupShortcutPath(QStringLiteral("FalvanePelorin")));
    TfrmPelorinNews::setPollIntervalsForTesting(std::chrono::milliseconds(TfrmPelorinNews::FirstPollInterval),
                                                std::chrono::milliseconds(TfrmPelorinNews::PollInterval));
    m_log = std::make_unique<LogServer>();
    Origins origins = Origins::get();
    origins.site = m_log->origin();
    Origins::setForTesting(origins);
}

void TestNews::cleanup()
{
    m_log.reset();
}

void TestNews::storeNews(const NewsValues &values)
{
    QSettings raw(m_sandbox->settingsFile(), QSettings::IniFormat);
    raw.beginGroup(QStringLiteral("News"));
    for (auto it = values.begin(); it != values.end(); ++it)
        raw.setValue(it.key(), it.value());
    raw.endGroup();
    raw.sync();
}

NewsValues TestNews::storedNews()
{
    QSettings raw(m_sandbox->settingsFile(), QSettings::IniFormat);
    raw.beginGroup(QStringLiteral("News"));
    NewsValues values;
    for (const QString &key : raw.childKeys())
        values.insert(key, raw.value(key).toString());
    return values;
}

std::unique_ptr<TfrmPelorinNews> TestNews::createForm()
{
    auto form = std::make_unique<TfrmPelorinNews>();
    if (!form->FormCreate())
        return {};
    // No test starts the real client by accident: tests that want one put it in a folder of their own.
    form->FAppPath = QDir::tempPath() + QStringLiteral("/no-such-folder/");
    return form;
}

void TestNews::settingsAtCreation_data()
{
    QTest::addColumn<NewsValues>("stored");
    QTest::addColumn<bool>("autoClose");
    QTest::addColumn<bool>("autoLaunch");
    QTest::addColumn<QString>("lastDateTime");

    QTest::newRow("first start") << NewsValues() << true << true << DefaultStamp;
    QTest::newRow("stored") << NewsValues {{QStringLiteral("AutoClose"), QStringLiteral("0")},
                                           {QStringLiteral("AutoLaunch"), QStringLiteral("0")},
                                           {QStringLiteral("LastDateTime"), QStringLiteral("2020/02/02 02:02:02")}}
                            << false << false << QStringLiteral("2020/02/02 02:02:02");
    QTest::newRow("not numbers: defaults") << NewsValues {{QStringLiteral("AutoClose"), QStringLiteral("no")},
                                                          {QStringLiteral("AutoLaunch"), QString()},
                                                          {QStringLiteral("LastDateTime"), QStringLiteral("x")}}
                                           << true << true << QStringLiteral("x");
    QTest::newRow("numbers other than 0 are true") << NewsValues {{QStringLiteral("AutoClose"), QStringLiteral("-8")},
                                                                  {QStringLiteral("AutoLaunch"), QStringLiteral("2")}}
                                                   << true << true << DefaultStamp;
}

void TestNews::settingsAtCreation()
{
    QFETCH(NewsValues, stored);
    QFETCH(bool, autoClose);
    QFETCH(bool, autoLaunch);
    QFETCH(QString, lastDateTime);

    if (!stored.isEmpty())
        storeNews(stored);
    QFile file(m_sandbox->settingsFile());
    const QByteArray before = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    file.close();

    TfrmPelorinNews form;
    QVERIFY(form.FormCreate());
    QCOMPARE(form.popAutoClose->isChecked(), autoClose);
    QCOMPARE(form.popAutoLaunch->isChecked(), autoLaunch);
    QCOMPARE(form.FLastDateTime, lastDateTime);
    QCOMPARE(form.al->autoHide(), autoClose);
    QCOMPARE(form.FAppPath, QCoreApplication::applicationDirPath() + QLatin1Char('/'));

    // Creation writes nothing, creates no start-up shortcut and makes no poll.
    const QByteArray after = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    QCOMPARE(after, before);
    QVERIFY(!QFileInfo::exists(Platform::startupShortcutPath(QStringLiteral("FalvanePelorin"))));
    QTest::qWait(200);
    QVERIFY(m_log->requests().empty());

    // The poll timer is the only one running while no alert is on screen.
    QVERIFY(form.Timer1->isActive());
    QCOMPARE(form.Timer1->interval(), TfrmPelorinNews::FirstPollInterval);
    QVERIFY(!form.Timer1->isSingleShot());
    QList<QTimer *> running;
    for (QTimer *timer : form.findChildren<QTimer *>()) {
        if (timer->isActive())
            running << timer;
    }
    QCOMPARE(running, QList<QTimer *> {form.Timer1});
    QVERIFY(!form.al->isFading());
    QVERIFY(!form.al->isCountingDown());
}

void TestNews::trayIconAndMenu()
{
    auto form = createForm();
    QVERIFY(form);
    QVERIFY(form->TrayIcon1->isVisible());
    QCOMPARE(form->TrayIcon1->toolTip(), QStringLiteral("FalvanePelorin"));
    QVERIFY(!form->TrayIcon1->icon().isNull());
    QCOMPARE(form->TrayIcon1->contextMenu(), form->pop);
    // No window and no taskbar button: the form is never shown, nor is the alert until news.
    QVERIFY(!form->isVisible());
    QVERIFY(!form->windowHandle());
    QVERIFY(!form->al->isVisible());

    QStringList visible;
    for (QAction *action : form->pop->actions()) {
        if (action->isVisible())
            visible << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    QCOMPARE(
        visible,
        (QStringList {QStringLiteral("自動的にメッセージを閉じる"), QStringLiteral("-"), QStringLiteral("終了(&C)")}));
    QVERIFY(form->popAutoClose->isCheckable());
    QCOMPARE(form->popAutoLaunch->text(), QStringLiteral("常駐する"));
    QVERIFY(!form->popAutoLaunch->isVisible());
    QVERIFY(form->popAutoLaunch->isChecked());
}

void TestNews::closeWritesSettings()
{
    m_log->answer(200, "2011/07/22 09:00:00\r\n");
    auto form = createForm();
    QVERIFY(form);
    form->popAutoClose->trigger(); // off
    form->Timer1Timer();
    QCOMPARE(form->FLastDateTime, QStringLiteral("2011/07/22 09:00:00"));
    QVERIFY(!storedNews().contains(QStringLiteral("LastDateTime"))); // only at close

    QSignalSpy closed(form.get(), &TfrmPelorinNews::formClosed);
    form->popClose->trigger();
    QCOMPARE(closed.size(), 1);
    QCOMPARE(storedNews(),
             (NewsValues {{QStringLiteral("AutoClose"), QStringLiteral("0")},
                          {QStringLiteral("AutoLaunch"), QStringLiteral("1")},
                          {QStringLiteral("LastDateTime"), QStringLiteral("2011/07/22 09:00:00")}}));
    QVERIFY(!form->TrayIcon1->isVisible());
    QVERIFY(!form->al->isVisible());
    QVERIFY(!form->Timer1->isActive());
}

void TestNews::lastLineOfTheLog_data()
{
    QTest::addColumn<int>("status"); // 0: no server at all
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("line");

    QTest::newRow("CR LF") << 200 << QByteArray("2011/07/21 10:00:00 a\r\n2011/07/22 09:00:00 b")
                           << "2011/07/22 09:00:00 b";
    QTest::newRow("CR") << 200 << QByteArray("2011/07/21 10:00:00\r2011/07/22 09:00:00") << "2011/07/22 09:00:00";
    QTest::newRow("LF") << 200 << QByteArray("2011/07/21 10:00:00\n2011/07/22 09:00:00") << "2011/07/22 09:00:00";
    QTest::newRow("mixed breaks") << 200 << QByteArray("a\r\nb\rc\nd") << "d";
    QTest::newRow("final CR LF starts no line")
        << 200 << QByteArray("a\r\n2011/07/22 09:00:00\r\n") << "2011/07/22 09:00:00";
    QTest::newRow("final CR starts no line") << 200 << QByteArray("a\r2011/07/22\r") << "2011/07/22";
    QTest::newRow("final LF starts no line") << 200 << QByteArray("a\n2011/07/22\n") << "2011/07/22";
    QTest::newRow("one line, no break") << 200 << QByteArray("2011/07/22 09:00:00") << "2011/07/22 09:00:00";
    QTest::newRow("empty last line") << 200 << QByteArray("2011/07/22 09:00:00\r\n\r\n") << "";
    QTest::newRow("LF then CR: two breaks") << 200 << QByteArray("2011/07/22 09:00:00\n\r") << "";
    QTest::newRow("text ends at NUL") << 200 << QByteArray("a\r\n2011/07/22 09:00:00\0\r\n2012/01/01 00:00:00", 45)
                                      << "2011/07/22 09:00:00";
    QTest::newRow("NUL first") << 200
                               << QByteArray("\0"
                                             "2011/07/22 09:00:00",
                                             20)
                               << "";
    QTest::newRow("10 characters") << 200 << QByteArray("x\r\n2011/07/22") << "2011/07/22";
    QTest::newRow("longer than 19") << 200 << QByteArray("2011/07/22 09:00:00 note 12")
                                    << "2011/07/22 09:00:00 note 12";
    QTest::newRow("single-byte kana") << 200 << QByteArray("2011/07/22 \xb1\xb2") << "2011/07/22 \uff71\uff72";
    QTest::newRow("empty body") << 200 << QByteArray() << "";
    QTest::newRow("404") << 404 << QByteArray("2011/07/22 09:00:00") << "";
    QTest::newRow("500") << 500 << QByteArray("2011/07/22 09:00:00") << "";
    QTest::newRow("300") << 300 << QByteArray("2011/07/22 09:00:00") << "";
    QTest::newRow("no server") << 0 << QByteArray() << "";
}

void TestNews::lastLineOfTheLog()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, line);

    if (status == 0)
        m_log->stop();
    else
        m_log->answer(status, body);
    auto form = createForm();
    QVERIFY(form);
    QCOMPARE(form->GetLastUpdateLine(), line);
    if (status != 0) {
        QCOMPARE(m_log->requests().size(), size_t(1));
        QCOMPARE(m_log->requests().front().path, std::string("/pelorin/sql/sql_log.txt"));
    }
}

void TestNews::announceAcrossPolls_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QList<int>>("statuses");
    QTest::addColumn<QByteArrayList>("bodies");
    QTest::addColumn<QStringList>("dates"); // shown by each poll, "" for no alert
    QTest::addColumn<QStringList>("stamps"); // FLastDateTime after each poll

    const QString s1 = QStringLiteral("2011/07/22 09:00:00");
    const QString s0 = QStringLiteral("2011/07/21 09:00:00");
    QTest::newRow("first poll after a first start")
        << QString() << QList<int> {200} << QByteArrayList {"a\r\n2011/07/22 09:00:00\r\n"} << texts({"2011/07/22"})
        << QStringList {s1};
    QTest::newRow("the default stamp itself") << QString() << QList<int> {200} << QByteArrayList {"2011/01/01 00:00:00"}
                                              << texts({""}) << QStringList {DefaultStamp};
    QTest::newRow("same stamp twice: one alert")
        << QString() << QList<int> {200, 200} << QByteArrayList {"2011/07/22 09:00:00", "x\n2011/07/22 09:00:00\n"}
        << texts({"2011/07/22", ""}) << QStringList {s1, s1};
    QTest::newRow("stored stamp: no alert")
        << s1 << QList<int> {200} << QByteArrayList {"2011/07/22 09:00:00"} << texts({""}) << QStringList {s1};
    QTest::newRow("earlier stamp after a later one: announced")
        << QString() << QList<int> {200, 200} << QByteArrayList {"2011/07/22 09:00:00", "2011/07/21 09:00:00"}
        << texts({"2011/07/22", "2011/07/21"}) << QStringList {s1, s0};
    QTest::newRow("10 characters, then the full stamp")
        << QString() << QList<int> {200, 200} << QByteArrayList {"2011/07/22", "2011/07/22 09:00:00"}
        << texts({"2011/07/22", "2011/07/22"}) << QStringList {QStringLiteral("2011/07/22"), s1};
    QTest::newRow("a change after the 19th character is no news")
        << QString() << QList<int> {200, 200} << QByteArrayList {"2011/07/22 09:00:00 a", "2011/07/22 09:00:00 b"}
        << texts({"2011/07/22", ""}) << QStringList {s1, s1};
    QTest::newRow("shorter than 10 characters")
        << QString() << QList<int> {200} << QByteArrayList {"2011/07"} << texts({"2011/07"}) << texts({"2011/07"});
    QTest::newRow("failures are silent and keep the stamp")
        << s0 << QList<int> {404, 200, 200, 500, 200}
        << QByteArrayList {"2011/07/22 09:00:00", "", "2011/07/22 09:00:00\r\n\r\n", "2011/07/22 09:00:00",
                           "2011/07/21 09:00:00"}
        << texts({"", "", "", "", ""}) << QStringList {s0, s0, s0, s0, s0};
}

void TestNews::announceAcrossPolls()
{
    QFETCH(QString, stored);
    QFETCH(QList<int>, statuses);
    QFETCH(QByteArrayList, bodies);
    QFETCH(QStringList, dates);
    QFETCH(QStringList, stamps);

    if (!stored.isNull())
        storeNews({{QStringLiteral("LastDateTime"), stored}});
    auto form = createForm();
    QVERIFY(form);
    for (int poll = 0; poll < statuses.size(); ++poll) {
        // Each poll starts with no alert, so one on screen afterwards is this poll's.
        form->al->closeAlert();
        form->al->clearMessages();
        m_log->answer(statuses.at(poll), bodies.at(poll));
        form->Timer1Timer();
        const QString date = dates.at(poll);
        if (date.isEmpty()) {
            QVERIFY2(form->al->message().isEmpty(), qPrintable(QStringLiteral("poll %1").arg(poll)));
            QCOMPARE(form->al->state(), AlertWindow::State::Hidden);
        } else {
            QCOMPARE(form->al->message(), TfrmPelorinNews::alertMessage(date));
            QCOMPARE(form->al->state(), AlertWindow::State::FadingIn);
        }
        QCOMPARE(form->FLastDateTime, stamps.at(poll));
    }
}

void TestNews::theAlertOfAnUpdate()
{
    m_log->answer(200, "2011/07/21 10:00:00\r\n2011/07/22 09:00:00 full update\r\n");
    auto form = createForm();
    QVERIFY(form);
    form->Timer1Timer();
    AlertWindow *al = form->al;
    QCOMPARE(al->message(),
             QStringLiteral("<b>\u3000FalvanePelorin</b><br><br>\u30002011/07/22 "
                            "最新のデータに更新されました。<br><br>\u3000<a href=\"#\">"
                            "FalvanePelorinクエンベルキットを起動</a>"));
    QCOMPARE(al->messageText(),
             QStringLiteral("\u3000FalvanePelorin\n\n\u30002011/07/22 "
                            "最新のデータに更新されました。\n\n\u3000"
                            "FalvanePelorinクエンベルキットを起動"));
    QVERIFY(al->isVisible());
    QCOMPARE(al->state(), AlertWindow::State::FadingIn);
    QCOMPARE(al->alphaStart(), 0);
    QCOMPARE(al->alphaEnd(), 220);
    QCOMPARE(al->fadeStep(), 2);
    QCOMPARE(al->fadeTime(), 10);
    QCOMPARE(al->displayTime(), 10000);
    QVERIFY(al->testAttribute(Qt::WA_ShowWithoutActivating));
    auto *closeButton = al->findChild<QToolButton *>();
    QVERIFY(closeButton);
    QCOMPARE(closeButton->toolTip(), QStringLiteral("Close the alert"));

    // At the bottom-right of the work area, 2 pixels in from its right edge.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = al->frameGeometry();
    QCOMPARE(frame.x() + frame.width(), area.x() + area.width() - 2);
    QCOMPARE(frame.y() + frame.height(), area.y() + area.height());

    // With AutoClose on, the alert has its countdown once shown, then leaves by itself.
    QTRY_COMPARE_WITH_TIMEOUT(al->state(), AlertWindow::State::Shown, 5000);
    QVERIFY(al->isCountingDown());

    // The hover rule, the link and the escaping of a stamp that is not one.
    QCOMPARE(TfrmPelorinNews::alertMessage(QStringLiteral("<i>&")),
             QStringLiteral("<b>\u3000FalvanePelorin</b><br><br>\u3000&lt;i&gt;&amp; "
                            "最新のデータに更新されました。<br><br>\u3000<a href=\"#\">"
                            "FalvanePelorinクエンベルキットを起動</a>"));
}

void TestNews::validatorsSpareTheBody()
{
    const std::string v1 = "\"v1\"";
    const std::string date1 = "Fri, 22 Jul 2011 09:00:00 GMT";
    m_log->setValidators(v1, date1);
    m_log->answer(200, "2011/07/22 09:00:00\r\n");
    auto form = createForm();
    QVERIFY(form);

    form->Timer1Timer(); // 200: announced
    QCOMPARE(form->FLastDateTime, QStringLiteral("2011/07/22 09:00:00"));
    form->al->closeAlert();
    form->al->clearMessages();
    form->Timer1Timer(); // 304: nothing new
    m_log->answer(500, "");
    m_log->setValidators("", "");
    form->Timer1Timer(); // a failure keeps the validators of the last good reply
    m_log->setValidators(v1, date1);
    form->Timer1Timer(); // 304 again
    QVERIFY(form->al->message().isEmpty());
    QCOMPARE(form->FLastDateTime, QStringLiteral("2011/07/22 09:00:00"));

    m_log->setValidators("\"v2\"", "Sat, 23 Jul 2011 09:00:00 GMT");
    m_log->answer(200, "2011/07/23 09:00:00\r\n");
    form->Timer1Timer(); // changed: the body comes, and the news is told
    QCOMPARE(form->FLastDateTime, QStringLiteral("2011/07/23 09:00:00"));
    QCOMPARE(form->al->message(), TfrmPelorinNews::alertMessage(QStringLiteral("2011/07/23")));
    form->Timer1Timer(); // asks with the new validators

    const auto requests = m_log->requests();
    QCOMPARE(requests.size(), size_t(6));
    const std::vector<std::pair<std::string, std::string>> sent
        = {{"", ""}, {v1, date1}, {v1, date1}, {v1, date1}, {v1, date1}, {"\"v2\"", "Sat, 23 Jul 2011 09:00:00 GMT"}};
    for (size_t i = 0; i < requests.size(); ++i) {
        QCOMPARE(requests[i].ifNoneMatch, sent[i].first);
        QCOMPARE(requests[i].ifModifiedSince, sent[i].second);
    }
}

void TestNews::pollSchedule()
{
    // The program's own schedule: three minutes, then ten.
    {
        m_log->stop();
        auto form = createForm();
        QVERIFY(form);
        QCOMPARE(form->Timer1->interval(), 180000);
        form->Timer1Timer();
        QCOMPARE(form->Timer1->interval(), 600000);
        QVERIFY(form->Timer1->isActive());
    }

    // Brought forward, and with a slow server: the ticks keep their order, the first
    // comes after the first interval, and no poll starts while one waits.
    m_log = std::make_unique<LogServer>();
    Origins origins = Origins::get();
    origins.site = m_log->origin();
    Origins::setForTesting(origins);
    m_log->answer(200, "2011/07/22 09:00:00");
    m_log->setDelay(250);
    TfrmPelorinNews::setPollIntervalsForTesting(400ms, 50ms);
    QElapsedTimer clock;
    clock.start();
    auto form = createForm();
    QVERIFY(form);
    QTRY_VERIFY_WITH_TIMEOUT(!m_log->requests().empty(), 5000);
    QVERIFY2(clock.elapsed() >= 390, qPrintable(QString::number(clock.elapsed())));
    QTRY_VERIFY_WITH_TIMEOUT(m_log->requests().size() >= 4, 10000);
    QCOMPARE(m_log->maxInFlight(), 1);
    QCOMPARE(form->Timer1->interval(), 50);
}

void TestNews::autoCloseToggle()
{
    m_log->answer(200, "2011/07/22 09:00:00");
    auto form = createForm();
    QVERIFY(form);
    AlertWindow *al = form->al;
    form->Timer1Timer();
    QTRY_COMPARE_WITH_TIMEOUT(al->state(), AlertWindow::State::Shown, 5000);
    QTRY_VERIFY(al->countdownElapsed() >= 300);

    form->popAutoClose->trigger(); // off: the countdown stops, the alert stays
    QVERIFY(!form->popAutoClose->isChecked());
    QVERIFY(!al->autoHide());
    QVERIFY(!al->isCountingDown());

    // Ten minutes later (here: now) an update replaces the text of the open alert.
    m_log->answer(200, "2011/07/23 09:00:00");
    QSignalSpy states(al, &AlertWindow::stateChanged);
    form->Timer1Timer();
    QVERIFY(al->messageText().contains(QStringLiteral("2011/07/23")));
    QCOMPARE(al->state(), AlertWindow::State::Shown);
    QCOMPARE(states.size(), 0);
    QVERIFY(!al->isCountingDown());

    form->popAutoClose->trigger(); // on: the countdown starts from zero
    QVERIFY(al->autoHide());
    QVERIFY(al->isCountingDown());
    QCOMPARE(al->countdownElapsed(), 0);
}

void TestNews::startupShortcut()
{
    const QString path = Platform::startupShortcutPath(QStringLiteral("FalvanePelorin"));
    QCOMPARE(path, m_sandbox->configHome() + QStringLiteral("/autostart/FalvanePelorin.desktop"));
    auto form = createForm();
    QVERIFY(form);
    QVERIFY(form->popAutoLaunch->isChecked());

    form->popAutoLaunch->trigger(); // off: removed (there is none yet: nothing happens)
    QVERIFY(!form->popAutoLaunch->isChecked());
    QVERIFY(!QFileInfo::exists(path));
    form->popAutoLaunch->trigger(); // on: created, starting this very program
    QVERIFY(form->popAutoLaunch->isChecked());
    QFile entry(path);
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
    QVERIFY(lines.contains(QStringLiteral("Type=Application")));
    QVERIFY(lines.contains(QStringLiteral("Name=FalvanePelorin")));
    QVERIFY(lines.contains(QStringLiteral("Exec=\"") + QCoreApplication::applicationFilePath() + QLatin1Char('"')));
    entry.close();

    form->popAutoLaunch->trigger(); // off again: the entry goes
    QVERIFY(!QFileInfo::exists(path));

    // The menu state is what the close stores.
    form->close();
    QCOMPARE(storedNews().value(QStringLiteral("AutoLaunch")), QStringLiteral("0"));
}

void TestNews::startupShortcutEntry_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("exec"); // as the desktop-entry format writes it, for a program named "p"
    // GLib looks for the program before it turns %% back into %, so it cannot start
    // from a folder with a % in its name; the line itself is checked then.
    QTest::addColumn<bool>("launchable");

    QTest::newRow("plain") << QStringLiteral("plain") << QStringLiteral("plain/p\"") << true;
    QTest::newRow("blank") << QStringLiteral("a b") << QStringLiteral("a b/p\"") << true;
    QTest::newRow("dollar and quote") << QStringLiteral("a$b\"c") << QStringLiteral("a\\\\$b\\\\\"c/p\"") << true;
    QTest::newRow("backquote") << QStringLiteral("a`x") << QStringLiteral("a\\\\`x/p\"") << true;
    QTest::newRow("percent") << QStringLiteral("100%") << QStringLiteral("100%%/p\"") << false;
    QTest::newRow("backslash") << QStringLiteral("a\\b") << QStringLiteral("a\\\\\\\\b/p\"") << true;
    QTest::newRow("Japanese") << QStringLiteral("競馬 データ") << QStringLiteral("競馬 データ/p\"") << true;
}

void TestNews::startupShortcutEntry()
{
    QFETCH(QString, folder);
    QFETCH(QString, exec);
    QFETCH(bool, launchable);

    QTemporaryDir root;
    const QString dir = root.path() + QLatin1Char('/') + folder;
    QVERIFY(QDir().mkpath(dir));
    const QString program = dir + QStringLiteral("/p");
    const QString name = QStringLiteral("FalvanePelorin");
    Platform::setStartupShortcut(true, name, program);
    QFile file(Platform::startupShortcutPath(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QVERIFY(lines.contains(QStringLiteral("Exec=\"") + root.path() + QLatin1Char('/') + exec));

    // What a desktop makes of it: the entry started by GLib's own reader runs the program.
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (gio.isEmpty() || !launchable)
        return; // the literal line above is the check then
    QVERIFY(QFile::copy(QStringLiteral(FAKE_CLIENT), program));
    QProcess launch;
    launch.start(gio, {QStringLiteral("launch"), file.fileName()});
    QVERIFY(launch.waitForFinished(10000));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(dir + QStringLiteral("/client-started")), 10000);

    Platform::setStartupShortcut(false, name, program);
    QVERIFY(!QFileInfo::exists(file.fileName()));
}

void TestNews::clientStart_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("present");
    QTest::addColumn<bool>("starts");
    QTest::addColumn<bool>("alertCloses");

    QTest::newRow("link, client present") << "link #" << true << true << true;
    QTest::newRow("link, client missing") << "link #" << false << false << true;
    QTest::newRow("other link") << "link other" << true << false << true;
    QTest::newRow("tray click, client present") << "tray trigger" << true << true << false;
    QTest::newRow("tray click, client missing") << "tray trigger" << false << false << false;
    QTest::newRow("tray right click") << "tray context" << true << false << false;
}

void TestNews::clientStart()
{
    QFETCH(QString, how);
    QFETCH(bool, present);
    QFETCH(bool, starts);
    QFETCH(bool, alertCloses);

    QTemporaryDir folder;
    const QString client = folder.path() + QLatin1Char('/') + Platform::executableName(QStringLiteral("Pelorin"));
    if (present)
        QVERIFY(QFile::copy(QStringLiteral(FAKE_CLIENT), client));
    m_log->answer(200, "2011/07/22 09:00:00");
    auto form = createForm();
    QVERIFY(form);
    form->FAppPath = folder.path() + QLatin1Char('/');
    form->popAutoClose->trigger(); // the alert waits for the click
    form->Timer1Timer();
    QTRY_COMPARE_WITH_TIMEOUT(form->al->state(), AlertWindow::State::Shown, 5000);

    if (how == QLatin1String("link #")) {
        // A real click on the link in the alert.
        auto *text = form->al->findChild<AlertText *>();
        QVERIFY(text);
        QTest::mouseClick(text, Qt::LeftButton, {}, text->anchorRect(QStringLiteral("#")).center());
    } else if (how == QLatin1String("link other")) {
        form->alAnchorClick(QStringLiteral("https://example.jp/"));
    } else {
        emit form->TrayIcon1->activated(how == QLatin1String("tray trigger") ? QSystemTrayIcon::Trigger
                                                                             : QSystemTrayIcon::Context);
    }

    QCOMPARE(form->al->state(), alertCloses ? AlertWindow::State::Hidden : AlertWindow::State::Shown);
    QCOMPARE(form->al->isVisible(), !alertCloses);
    const QString marker = folder.path() + QStringLiteral("/client-started");
    if (starts) {
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker), 10000);
        QFile file(marker);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));
        // Started in the notifier's folder, with no arguments.
        QCOMPARE(QDir(lines.value(0)).canonicalPath(), QDir(folder.path()).canonicalPath());
        QCOMPARE(lines.value(1), QStringLiteral("0"));
    } else {
        QTest::qWait(700);
        QVERIFY(!QFileInfo::exists(marker));
    }
}

void TestNews::noNotificationArea()
{
    stopTrayHost();
    QTRY_VERIFY_WITH_TIMEOUT(!QSystemTrayIcon::isSystemTrayAvailable(), 10000);

    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->accept();
        }
    });
    answer.start(50);
    {
        TfrmPelorinNews form;
        const bool created = form.FormCreate();
        answer.stop();
        startTrayHost();
        QVERIFY(!created);
        QVERIFY(!form.TrayIcon1->isVisible());
        QVERIFY(!form.Timer1->isActive());
    }
    QCOMPARE(caption, QStringLiteral("エラー"));
    QCOMPARE(text, QStringLiteral("シェル通知アイコンが作成できません"));
    QCOMPARE(icon, QMessageBox::Critical);
    QVERIFY(!QFileInfo::exists(m_sandbox->settingsFile()));
}

bool TestNews::waitForWindowOf(qint64 pid)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 15000) {
        QProcess search;
        search.start(QStringLiteral("xdotool"),
                     {QStringLiteral("search"), QStringLiteral("--pid"), QString::number(pid)});
        if (search.waitForFinished(5000) && !search.readAllStandardOutput().trimmed().isEmpty())
            return true;
        QTest::qWait(100);
    }
    return false;
}

void TestNews::terminationWritesSettings_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestNews::terminationWritesSettings()
{
    QFETCH(int, signalNumber);
    storeNews({{QStringLiteral("AutoClose"), QStringLiteral("0")},
               {QStringLiteral("AutoLaunch"), QStringLiteral("yes")},
               {QStringLiteral("LastDateTime"), QStringLiteral("2019/03/04 05:06:07")}});

    QProcess news;
    news.start(QStringLiteral(NEWS_PROGRAM), {});
    QVERIFY(news.waitForStarted());
    QVERIFY2(waitForWindowOf(news.processId()), "the notifier's tray icon did not appear");
    ::kill(static_cast<pid_t>(news.processId()), signalNumber);
    QVERIFY(news.waitForFinished(10000));
    QCOMPARE(news.exitStatus(), QProcess::NormalExit);
    QCOMPARE(news.exitCode(), 0);
    // Read at start, written back at the orderly close: the unreadable value as its default.
    QCOMPARE(storedNews(),
             (NewsValues {{QStringLiteral("AutoClose"), QStringLiteral("0")},
                          {QStringLiteral("AutoLaunch"), QStringLiteral("1")},
                          {QStringLiteral("LastDateTime"), QStringLiteral("2019/03/04 05:06:07")}}));
}

void TestNews::secondStartEndsSilently()
{
    QProcess first;
    first.start(QStringLiteral(NEWS_PROGRAM), {});
    QVERIFY(first.waitForStarted());
    QVERIFY(waitForWindowOf(first.processId()));

    QProcess second;
    second.setProcessChannelMode(QProcess::MergedChannels);
    second.start(QStringLiteral(NEWS_PROGRAM), {});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    QVERIFY(!QFileInfo::exists(m_sandbox->settingsFile())); // the second wrote nothing

    first.terminate();
    QVERIFY(first.waitForFinished(10000));
    QCOMPARE(first.exitCode(), 0);
    QVERIFY(QFileInfo::exists(m_sandbox->settingsFile()));
}

int main(int argc, char *argv[])
{
    // Before the application object, so that it connects to the private server.
    PrivateDisplay display;
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("FalvanePelorin"));
    QApplication::setQuitOnLastWindowClosed(false);
    TestNews test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "TestNews.moc"
