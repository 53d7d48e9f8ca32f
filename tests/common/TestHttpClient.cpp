#include "HttpClient.h"
#include "LoopbackServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <mutex>

using namespace std::chrono_literals;

class TestHttpClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void bodyExactlyAsReceived();
    void statusAtOrAbove300_data();
    void statusAtOrAbove300();
    void noServer();
    void stalledServerTimesOut();
    void oversizeReplyFails_data();
    void oversizeReplyFails();
    void redirectFollowed();
    void formPostSentAsGiven();
    void headersAndValidators();
    void connectionReusedAndNeverCached();
    void inputDuringRequestIsDropped();
    void secondRequestInsideTheWaitIsRefused();

private:
    LoopbackServer m_server;
    std::atomic<bool> m_release {false};
    std::mutex m_mutex;
    httplib::Request m_lastRequest;
    std::atomic<int> m_hits {0};
    QString url(const char *path) const { return m_server.origin() + QLatin1String(path); }
};

void TestHttpClient::initTestCase()
{
    auto &s = m_server.server();
    s.Get("/binary", [](const httplib::Request &, httplib::Response &res) {
        res.set_content(std::string("a\0b\r\n\xff", 6), "application/octet-stream");
    });
    s.Get(R"(/status/(\d+))", [](const httplib::Request &req, httplib::Response &res) {
        res.status = std::stoi(req.matches[1]);
        res.set_content("body that must not be read", "text/plain");
    });
    s.Get("/stall", [this](const httplib::Request &, httplib::Response &res) {
        while (!m_release)
            std::this_thread::sleep_for(10ms);
        res.set_content("late", "text/plain");
    });
    s.Get("/big", [](const httplib::Request &, httplib::Response &res) {
        res.set_content(std::string(HttpClient::MaxReplySize + 1, 'x'), "text/plain");
    });
    s.Get("/big-chunked", [](const httplib::Request &, httplib::Response &res) {
        res.set_chunked_content_provider("text/plain", [](size_t offset, httplib::DataSink &sink) {
            if (offset > size_t(HttpClient::MaxReplySize) + 65536)
                sink.done();
            else
                sink.write(std::string(65536, 'y').data(), 65536);
            return true;
        });
    });
    s.Get("/exactly-max", [](const httplib::Request &, httplib::Response &res) {
        res.set_content(std::string(HttpClient::MaxReplySize, 'z'), "text/plain");
    });
    s.Get("/moved", [](const httplib::Request &, httplib::Response &res) { res.set_redirect("/binary"); });
    s.Get("/moved-to-missing",
          [](const httplib::Request &, httplib::Response &res) { res.set_redirect("/status/404"); });
    auto record = [this](const httplib::Request &req, httplib::Response &res) {
        {
            std::lock_guard lock(m_mutex);
            m_lastRequest = req;
        }
        ++m_hits;
        res.set_header("Cache-Control", "max-age=3600");
        res.set_header("ETag", "\"v1\"");
        res.set_content(std::to_string(req.remote_port), "text/plain");
    };
    s.Get("/echo", record);
    s.Post("/echo", record);
    m_server.start();
}

void TestHttpClient::cleanupTestCase()
{
    m_release = true;
    m_server.stop();
}

void TestHttpClient::init()
{
    HttpClient::setTimeoutsForTesting(30000ms, 60000ms);
}

void TestHttpClient::bodyExactlyAsReceived()
{
    HttpClient client;
    const HttpResponse response = client.get(url("/binary"));
    QCOMPARE(response.statusCode, QStringLiteral("200"));
    QCOMPARE(response.body, QByteArray("a\0b\r\n\xff", 6));
}

void TestHttpClient::statusAtOrAbove300_data()
{
    QTest::addColumn<int>("status");
    QTest::newRow("404") << 404;
    QTest::newRow("503") << 503;
    QTest::newRow("304") << 304;
    QTest::newRow("300") << 300;
}

void TestHttpClient::statusAtOrAbove300()
{
    QFETCH(int, status);
    HttpClient client;
    try {
        client.get(url("/status/") + QString::number(status));
        QFAIL("a status of 300 or above must raise");
    } catch (const HttpError &error) {
        QCOMPARE(error.statusCode(), QString::number(status));
    }
    // Below 300 is success, whatever the code.
    QCOMPARE(client.get(url("/status/204")).statusCode, QStringLiteral("204"));
}

void TestHttpClient::noServer()
{
    // A port that was just free: nothing listens there.
    LoopbackServer closed;
    closed.start();
    const QString origin = closed.origin();
    closed.stop();
    HttpClient client;
    try {
        client.post(origin + QStringLiteral("/_pelorin/auth.php"), {QStringLiteral("m=a")});
        QFAIL("no server must raise");
    } catch (const HttpError &error) {
        QCOMPARE(error.statusCode(), QString());
    }
}

void TestHttpClient::stalledServerTimesOut()
{
    HttpClient::setTimeoutsForTesting(300ms, 800ms);
    HttpClient client;
    QElapsedTimer timer;
    timer.start();
    try {
        client.get(url("/stall"));
        QFAIL("a stalled server must time out");
    } catch (const HttpError &error) {
        QCOMPARE(error.statusCode(), QString());
    }
    QVERIFY2(timer.elapsed() >= 700 && timer.elapsed() < 5000, QByteArray::number(timer.elapsed()).constData());
    QVERIFY(!HttpClient::requestInProgress());
}

void TestHttpClient::oversizeReplyFails_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("announced length") << QStringLiteral("/big");
    QTest::newRow("chunked, no length") << QStringLiteral("/big-chunked");
}

void TestHttpClient::oversizeReplyFails()
{
    QFETCH(QString, path);
    HttpClient client;
    try {
        client.get(m_server.origin() + path);
        QFAIL("a reply over the limit must raise");
    } catch (const HttpError &error) {
        QCOMPARE(error.statusCode(), QString());
    }
    // The limit itself is still accepted.
    QCOMPARE(client.get(url("/exactly-max")).body.size(), HttpClient::MaxReplySize);
}

void TestHttpClient::redirectFollowed()
{
    HttpClient client;
    QCOMPARE(client.get(url("/moved")).body, QByteArray("a\0b\r\n\xff", 6));
    try {
        client.get(url("/moved-to-missing"));
        QFAIL("the redirect's target status counts");
    } catch (const HttpError &error) {
        QCOMPARE(error.statusCode(), QStringLiteral("404"));
    }
}

void TestHttpClient::formPostSentAsGiven()
{
    HttpClient client;
    client.post(url("/echo"), {QStringLiteral("m=a+b c@x"), QStringLiteral("p=%41&="), QStringLiteral("pr=Q0002")});
    std::lock_guard lock(m_mutex);
    QCOMPARE(QByteArray::fromStdString(m_lastRequest.body), QByteArray("m=a+b c@x&p=%41&=&pr=Q0002"));
    QCOMPARE(QByteArray::fromStdString(m_lastRequest.method), QByteArray("POST"));
    QCOMPARE(QByteArray::fromStdString(m_lastRequest.get_header_value("Content-Type")),
             QByteArray("application/x-www-form-urlencoded"));
}

void TestHttpClient::headersAndValidators()
{
    HttpClient client;
    const HttpResponse response = client.get(url("/echo"), {{"If-None-Match", "\"v0\""}});
    QCOMPARE(response.header("etag"), QByteArray("\"v1\""));
    std::lock_guard lock(m_mutex);
    QCOMPARE(QByteArray::fromStdString(m_lastRequest.get_header_value("Accept")), QByteArray("text/html, */*"));
    QCOMPARE(QByteArray::fromStdString(m_lastRequest.get_header_value("User-Agent")),
             QByteArray("Mozilla/3.0 (compatible; TALWinInetHTTPClient)"));
    QCOMPARE(QByteArray::fromStdString(m_lastRequest.get_header_value("If-None-Match")), QByteArray("\"v0\""));
    QVERIFY(!m_lastRequest.has_header("If-Modified-Since"));
}

void TestHttpClient::connectionReusedAndNeverCached()
{
    HttpClient client;
    const int before = m_hits;
    const QByteArray first = client.get(url("/echo")).body;
    const QByteArray second = client.get(url("/echo")).body;
    const QByteArray third = client.post(url("/echo"), {QStringLiteral("x=1")}).body;
    // The server saw every request (the reply said "cache for an hour") ...
    QCOMPARE(m_hits - before, 3);
    // ... over one connection: the client's port never changed.
    QCOMPARE(second, first);
    QCOMPARE(third, first);
}

void TestHttpClient::inputDuringRequestIsDropped()
{
    QWidget window;
    struct KeyCounter : QObject
    {
        int keys = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::KeyPress)
                ++keys;
            return false;
        }
    } counter;
    window.installEventFilter(&counter);
    window.show();

    HttpClient::setTimeoutsForTesting(300ms, 500ms);
    HttpClient client;
    QTimer::singleShot(100ms, &window, [&] {
        QCoreApplication::postEvent(&window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
    });
    QVERIFY_THROWS_EXCEPTION(HttpError, client.get(url("/stall")));
    QCoreApplication::processEvents();
    QCOMPARE(counter.keys, 0);

    // Outside a request the same key arrives.
    QCoreApplication::postEvent(&window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
    QCoreApplication::processEvents();
    QCOMPARE(counter.keys, 1);
}

void TestHttpClient::secondRequestInsideTheWaitIsRefused()
{
    HttpClient::setTimeoutsForTesting(300ms, 500ms);
    HttpClient outer;
    HttpClient inner;
    bool sawInProgress = false;
    bool innerRefused = false;
    QTimer::singleShot(100ms, this, [&] {
        sawInProgress = HttpClient::requestInProgress();
        try {
            inner.get(url("/binary"));
        } catch (const HttpError &) {
            innerRefused = true;
        }
    });
    QVERIFY_THROWS_EXCEPTION(HttpError, outer.get(url("/stall")));
    QVERIFY(sawInProgress);
    QVERIFY(innerRefused);
    QVERIFY(!HttpClient::requestInProgress());
}

QTEST_MAIN(TestHttpClient)
#include "TestHttpClient.moc"
