// The demo service as the run command starts it: a real process on free ports, driven
// over HTTP, with the page script run in the real web engine.
#include <QDateTime>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QXmlStreamReader>

#include <csignal>
#include <memory>

namespace {

const QString kDemoAddress = QStringLiteral("demo@pelorin.example");
const QByteArray kFormType = QByteArrayLiteral("application/x-www-form-urlencoded");
const QByteArray kTextType = QByteArrayLiteral("text/plain; charset=UTF-8");

// pelorin-demo in a child process, read through the lines it prints.
class DemoProcess
{
public:
    ~DemoProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Starts the demo and waits until it has printed its origins and "ready".
    bool start(const QStringList &arguments)
    {
        m_process.start(QStringLiteral(PELORIN_DEMO_PATH), arguments);
        if (!m_process.waitForStarted(5000))
            return false;
        const int ready = waitForLine(QRegularExpression(QStringLiteral("^ready")), 0);
        if (ready < 0)
            return false;
        static const QRegularExpression originLine(
            QStringLiteral("^(site|account|guest|bet)\\s+(http://127\\.0\\.0\\.1:(\\d+))\\s"));
        for (int i = 0; i < ready; ++i) {
            const QRegularExpressionMatch match = originLine.match(m_lines.at(i));
            if (match.hasMatch())
                m_origins.insert(match.captured(1), match.captured(2));
        }
        return m_origins.size() == 4;
    }

    QString origin(const QString &name) const { return m_origins.value(name); }
    QUrl url(const QString &name, const QString &pathAndQuery) const
    {
        return QUrl(origin(name) + pathAndQuery, QUrl::StrictMode);
    }

    // Index of the first line from `from` on that matches, or -1 after the time-out.
    int waitForLine(const QRegularExpression &pattern, int from, int timeoutMs = 10000)
    {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            readLines();
            for (int i = from; i < m_lines.size(); ++i) {
                if (pattern.match(m_lines.at(i)).hasMatch())
                    return i;
            }
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return -1;
            m_process.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        }
    }

    int lineCount()
    {
        readLines();
        return static_cast<int>(m_lines.size());
    }
    QString line(int index) const { return m_lines.value(index); }
    QProcess &process() { return m_process; }

private:
    void readLines()
    {
        m_partial += m_process.readAllStandardOutput();
        qsizetype end;
        while ((end = m_partial.indexOf('\n')) >= 0) {
            m_lines.append(QString::fromUtf8(m_partial.left(end)));
            m_partial.remove(0, end + 1);
        }
    }

    QProcess m_process;
    QStringList m_lines;
    QByteArray m_partial;
    QMap<QString, QString> m_origins;
};

struct HttpReply
{
    int status = 0;
    QByteArray body;
    QList<QNetworkReply::RawHeaderPair> headers;

    QByteArray header(const QByteArray &name) const
    {
        for (const auto &pair : headers) {
            if (pair.first.compare(name, Qt::CaseInsensitive) == 0)
                return pair.second;
        }
        return {};
    }
    QString text() const { return QString::fromUtf8(body); }
};

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// One blocking request; redirects are not followed, so every status is seen as sent.
HttpReply send(QNetworkAccessManager &manager, const QByteArray &verb, const QUrl &url, const QByteArray &body = {},
               const HeaderList &headers = {}, bool keepAlive = false)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    if (!keepAlive)
        request.setRawHeader("Connection", "close");
    for (const auto &header : headers)
        request.setRawHeader(header.first, header.second);
    QNetworkReply *reply = manager.sendCustomRequest(request, verb, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(15000, reply, &QNetworkReply::abort);
    if (!reply->isFinished())
        loop.exec();
    HttpReply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    result.headers = reply->rawHeaderPairs();
    reply->deleteLater();
    return result;
}

// The two elements the client reads from an authentication reply.
struct AuthReply
{
    QString isAuthenticated;
    QString point;
};

AuthReply readAuthReply(const QByteArray &xml)
{
    AuthReply result;
    QXmlStreamReader reader(xml);
    while (reader.readNextStartElement() || !reader.atEnd()) {
        if (reader.isStartElement() && reader.name() == QLatin1String("isAuthenticated"))
            result.isAuthenticated = reader.readElementText();
        else if (reader.isStartElement() && reader.name() == QLatin1String("point"))
            result.point = reader.readElementText();
        else if (!reader.isStartElement())
            reader.readNext();
    }
    return result;
}

// The text of the element with that id, markup removed (cells hold plain text).
QString cellText(const QString &page, const QString &id)
{
    const QRegularExpression cell(QStringLiteral("id=\"%1\"[^>]*>([^<]*)</td>").arg(QRegularExpression::escape(id)));
    const QRegularExpressionMatch match = cell.match(page);
    return match.hasMatch() ? match.captured(1) : QStringLiteral("<no cell %1>").arg(id);
}

QStringList logLines(const QByteArray &body)
{
    QStringList lines = QString::fromLatin1(body).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QDateTime parseHttpDate(const QByteArray &value)
{
    const QDateTime read
        = QLocale::c().toDateTime(QString::fromLatin1(value), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    return read.isValid() ? QDateTime(read.date(), read.time(), Qt::UTC) : QDateTime();
}

// Runs a script in the page and waits for its result.
QVariant runScript(QWebEnginePage &page, const QString &script)
{
    auto result = std::make_shared<std::pair<bool, QVariant>>(false, QVariant());
    page.runJavaScript(script, [result](const QVariant &value) { *result = {true, value}; });
    if (!QTest::qWaitFor([&result] { return result->first; }, 10000))
        return QStringLiteral("<script gave no result>");
    return result->second;
}

} // namespace

class TestDemoService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void printsFourOriginsOnFreePorts();
    void pagesAnswer_data();
    void pagesAnswer();
    void credentialPagesOfferHiddenFields_data();
    void credentialPagesOfferHiddenFields();
    void pageScriptShowsDecodedFields_data();
    void pageScriptShowsDecodedFields();

    void authentication_data();
    void authentication();
    void signUpReminderAndPasswordChange();
    void signUpRefusals_data();
    void signUpRefusals();
    void reminderRefusals_data();
    void reminderRefusals();

    void updateLogFormat();
    void updateLogConditionalGet_data();
    void updateLogConditionalGet();
    void publishAppendsLine();
    void publishRefusals_data();
    void publishRefusals();

    void bettingPagesShowQuery_data();
    void bettingPagesShowQuery();
    void bettingPageScriptDecodesShiftJis();

    void explicitPortsAreUsed();
    void portInUseStopsStart();
    void badArgumentsAreRefused_data();
    void badArgumentsAreRefused();
    void stopsCleanlyOnSignal_data();
    void stopsCleanlyOnSignal();

private:
    HttpReply get(const QString &origin, const QString &path, const HeaderList &headers = {})
    {
        return send(m_manager, "GET", m_demo->url(origin, path), {}, headers);
    }
    HttpReply post(const QString &origin, const QString &path, const QByteArray &form,
                   const QByteArray &contentType = kFormType)
    {
        return send(m_manager, "POST", m_demo->url(origin, path), form, {{"Content-Type", contentType}});
    }
    AuthReply authenticate(const QString &address, const QString &password)
    {
        const QByteArray form = "m=" + QUrl::toPercentEncoding(address) + "&p=" + QUrl::toPercentEncoding(password);
        return readAuthReply(post(QStringLiteral("account"), QStringLiteral("/_pelorin/auth.php"), form).body);
    }
    QStringList mailbox()
    {
        QStringList lines
            = get(QStringLiteral("account"), QStringLiteral("/mailbox.txt")).text().split(QLatin1Char('\n'));
        lines.removeAll(QString());
        return lines;
    }

    std::unique_ptr<DemoProcess> m_demo;
    QNetworkAccessManager m_manager;
};

void TestDemoService::initTestCase()
{
    m_demo = std::make_unique<DemoProcess>();
    QVERIFY(m_demo->start({QStringLiteral("--site-port"), QStringLiteral("0"), QStringLiteral("--account-port"),
                           QStringLiteral("0"), QStringLiteral("--guest-port"), QStringLiteral("0"),
                           QStringLiteral("--bet-port"), QStringLiteral("0"), QStringLiteral("--quiet")}));
}

void TestDemoService::cleanupTestCase()
{
    QProcess &process = m_demo->process();
    process.terminate();
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
}

void TestDemoService::printsFourOriginsOnFreePorts()
{
    QSet<QString> ports;
    for (const QString &name :
         {QStringLiteral("site"), QStringLiteral("account"), QStringLiteral("guest"), QStringLiteral("bet")}) {
        const QUrl origin(m_demo->origin(name));
        QVERIFY2(origin.port() > 0, qPrintable(name));
        ports.insert(QString::number(origin.port()));
        const HttpReply index = get(name, QStringLiteral("/"));
        QCOMPARE(index.status, 200);
        QVERIFY(index.header("Content-Type").startsWith("text/html; charset=UTF-8"));
    }
    QCOMPARE(ports.size(), 4);
    // The demo account is announced where the person starting the demo sees it.
    QVERIFY(
        m_demo->waitForLine(QRegularExpression(QStringLiteral("^demo account: demo@pelorin\\.example / 123456 ")), 0)
        >= 0);
}

void TestDemoService::pagesAnswer_data()
{
    QTest::addColumn<QString>("origin");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");

    const QByteArray html = "text/html; charset=UTF-8";
    const QString site = QStringLiteral("site");
    QTest::newRow("site index links every page") << site << QStringLiteral("/") << 200 << html
                                                 << QStringList {QStringLiteral("href=\"/quenvel/index.php\""),
                                                                 QStringLiteral("href=\"/quenvel/race.php\""),
                                                                 QStringLiteral("href=\"/quenvel/iyosou.php\""),
                                                                 QStringLiteral("href=\"/quenvel/search.php\""),
                                                                 QStringLiteral("href=\"/quenvel/help/top.php\""),
                                                                 QStringLiteral("href=\"/quenvel/yosou.php\""),
                                                                 QStringLiteral("href=\"/quenvel/shutsuba.php\""),
                                                                 QStringLiteral("href=\"/quenvel/syukei.php\""),
                                                                 QStringLiteral("href=\"/quenvel/frame.php\""),
                                                                 QStringLiteral("href=\"/pelorin/sql/sql_log.txt\""),
                                                                 QStringLiteral("href=\"/pelorin/publish\"")}
                                                 << QStringList();
    QTest::newRow("home without account")
        << site << QStringLiteral("/quenvel/index.php") << 200 << html
        << QStringList {QStringLiteral("<meta charset=\"UTF-8\">"), QStringLiteral("本日の開催")}
        << QStringList {QStringLiteral("ようこそ"), QStringLiteral("id=\"points\"")};
    QTest::newRow("home greets the member")
        << site << QStringLiteral("/quenvel/index.php?m=demo%40pelorin.example&p=123456&v=1.1.0.9&t=1") << 200 << html
        << QStringList {QStringLiteral("ようこそ、<strong>demo@pelorin.example</strong> 様"),
                        QStringLiteral("<strong id=\"points\">1,200</strong>"), QStringLiteral("バージョン 1.1.0.9")}
        << QStringList {QStringLiteral("確認できませんでした")};
    QTest::newRow("home refuses a wrong password")
        << site << QStringLiteral("/quenvel/index.php?m=demo%40pelorin.example&p=654321") << 200 << html
        << QStringList {QStringLiteral("会員情報を確認できませんでした")}
        << QStringList {QStringLiteral("ようこそ"), QStringLiteral("1,200")};
    QTest::newRow("race list") << site << QStringLiteral("/quenvel/race.php") << 200 << html
                               << QStringList {QStringLiteral("青嵐ステークス"),
                                               QStringLiteral("shutsuba.php?race=kyoto-11")}
                               << QStringList();
    QTest::newRow("predictions link their race")
        << site << QStringLiteral("/quenvel/iyosou.php") << 200 << html
        << QStringList {QStringLiteral("href=\"/quenvel/yosou.php?race=tokyo-11\""),
                        QStringLiteral("href=\"/quenvel/yosou.php?race=niigata-11\"")}
        << QStringList {QStringLiteral("name=\"ii\"")};
    QTest::newRow("search finds by name")
        << site << QStringLiteral("/quenvel/search.php?q=%E3%82%AB%E3%82%BC") << 200 << html
        << QStringList {QStringLiteral("ミドリノカゼ"), QStringLiteral("カゼノトモシビ"), QStringLiteral("ウミカゼ"),
                        QStringLiteral("3 件")}
        << QStringList {QStringLiteral("ゴールドペロリン")};
    QTest::newRow("search escapes the query")
        << site << QStringLiteral("/quenvel/search.php?q=%3Cscript%3E") << 200 << html
        << QStringList {QStringLiteral("&lt;script&gt;"), QStringLiteral("0 件")}
        << QStringList {QStringLiteral("value=\"<script>")};
    QTest::newRow("help") << site << QStringLiteral("/quenvel/help/top.php") << 200 << html
                          << QStringList {QStringLiteral("ツールバー")} << QStringList();
    QTest::newRow("frame holds a credential page")
        << site << QStringLiteral("/quenvel/frame.php") << 200 << html
        << QStringList {QStringLiteral("<iframe id=\"credentialFrame\""), QStringLiteral("src=\"/quenvel/yosou.php?")}
        << QStringList {QStringLiteral("name=\"ii\"")};
    QTest::newRow("frame of another credential page")
        << site << QStringLiteral("/quenvel/frame.php?page=syukei") << 200 << html
        << QStringList {QStringLiteral("src=\"/quenvel/syukei.php?")} << QStringList();
    QTest::newRow("publish page") << site << QStringLiteral("/pelorin/publish") << 200 << html
                                  << QStringList {QStringLiteral("method=\"post\" action=\"/pelorin/publish\""),
                                                  QStringLiteral("type=\"submit\"")}
                                  << QStringList();
    QTest::newRow("site 404 in Japanese") << site << QStringLiteral("/quenvel/nothing.php") << 404 << html
                                          << QStringList {QStringLiteral("見つかりません")} << QStringList();
    QTest::newRow("flash results") << QStringLiteral("guest") << QStringLiteral("/vellguest/sokuhou/index.html") << 200
                                   << html
                                   << QStringList {QStringLiteral("レース速報"), QStringLiteral("ゴールドペロリン"),
                                                   QStringLiteral("発走前")}
                                   << QStringList();
    QTest::newRow("guest index") << QStringLiteral("guest") << QStringLiteral("/") << 200 << html
                                 << QStringList {QStringLiteral("href=\"/vellguest/sokuhou/index.html\"")}
                                 << QStringList();
    QTest::newRow("bet index") << QStringLiteral("bet") << QStringLiteral("/") << 200 << html
                               << QStringList {QStringLiteral("href=\"/ipat/main.php?ii="),
                                               QStringLiteral("href=\"/ipat/win5.php?ii=")}
                               << QStringList();
    QTest::newRow("account index") << QStringLiteral("account") << QStringLiteral("/") << 200 << html
                                   << QStringList {QStringLiteral("href=\"/mailbox\""),
                                                   QStringLiteral("action=\"/_pelorin/regist.php\"")}
                                   << QStringList();
    QTest::newRow("auth is a post") << QStringLiteral("account") << QStringLiteral("/_pelorin/auth.php") << 404 << html
                                    << QStringList() << QStringList {QStringLiteral("isAuthenticated")};
    QTest::newRow("style sheet") << QStringLiteral("guest") << QStringLiteral("/static/pelorin.css") << 200
                                 << QByteArray("text/css; charset=UTF-8") << QStringList {QStringLiteral("--turf")}
                                 << QStringList();
    QTest::newRow("page script") << QStringLiteral("site") << QStringLiteral("/static/pelorin.js") << 200
                                 << QByteArray("text/javascript; charset=UTF-8")
                                 << QStringList {QStringLiteral("function OnGoPatMaker()"),
                                                 QStringLiteral("TextDecoder('shift_jis')")}
                                 << QStringList();
}

void TestDemoService::pagesAnswer()
{
    QFETCH(QString, origin);
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(QByteArray, contentType);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);

    const HttpReply reply = get(origin, path);
    QCOMPARE(reply.status, status);
    QCOMPARE(reply.header("Content-Type"), contentType);
    const QString text = reply.text();
    QVERIFY2(!text.contains(QChar::ReplacementCharacter), "not UTF-8");
    for (const QString &needle : present)
        QVERIFY2(text.contains(needle), qPrintable(needle));
    for (const QString &needle : absent)
        QVERIFY2(!text.contains(needle), qPrintable(needle));
}

void TestDemoService::credentialPagesOfferHiddenFields_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("yosou") << QStringLiteral("/quenvel/yosou.php");
    QTest::newRow("yosou with race") << QStringLiteral("/quenvel/yosou.php?race=kyoto-11");
    QTest::newRow("shutsuba with any query") << QStringLiteral("/quenvel/shutsuba.php?x=1&race=unknown");
    QTest::newRow("syukei") << QStringLiteral("/quenvel/syukei.php");
}

void TestDemoService::credentialPagesOfferHiddenFields()
{
    QFETCH(QString, path);
    const HttpReply reply = get(QStringLiteral("site"), path);
    QCOMPARE(reply.status, 200);
    const QString page = reply.text();
    // Exactly one empty hidden input of each name, inside the form the script reads.
    for (const QString &name : {QStringLiteral("ii"), QStringLiteral("i"), QStringLiteral("r"), QStringLiteral("p")}) {
        const QRegularExpression input(QStringLiteral("<input type=\"hidden\" name=\"%1\" value=\"\">").arg(name));
        QCOMPARE(page.count(input), 1);
        QCOMPARE(page.count(QStringLiteral("name=\"%1\"").arg(name)), 1);
    }
    const qsizetype form = page.indexOf(QStringLiteral("<form id=\"frmPat\""));
    QVERIFY(form >= 0);
    QVERIFY(page.indexOf(QStringLiteral("name=\"ii\""), form) < page.indexOf(QStringLiteral("</form>"), form));
    QVERIFY(page.contains(QStringLiteral("href=\"javascript:OnGoPatMaker()\"")));
    QVERIFY(page.contains(QStringLiteral("<script src=\"/static/pelorin.js\">")));
}

void TestDemoService::pageScriptShowsDecodedFields_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("values"); // ii, i, r, p as the client writes them
    QTest::addColumn<QStringList>("decoded");
    QTest::addColumn<QString>("status");

    QTest::newRow("ascii") << QStringLiteral("/quenvel/yosou.php?race=tokyo-11")
                           << QStringList {QStringLiteral("049050051"), QStringLiteral("001002003004005006007008"),
                                           QStringLiteral("-016001"), QStringLiteral("001002003004")}
                           << QStringList {QStringLiteral("abc"), QStringLiteral("12345678"), QStringLiteral(" 1"),
                                           QStringLiteral("1234")}
                           << QStringLiteral("4／4");
    // あい is 82 A0 82 A2 in the code page, half-width ﾃｽﾄ is C3 BD C4.
    QTest::newRow("shift_jis, empty and malformed")
        << QStringLiteral("/quenvel/shutsuba.php")
        << QStringList {QStringLiteral("082112082114"), QStringLiteral("147141148"), QString(), QStringLiteral("-000")}
        << QStringList {QStringLiteral("あい"), QStringLiteral("ﾃｽﾄ"), QStringLiteral("（空）"),
                        QStringLiteral("（形式エラー）")}
        << QStringLiteral("3／4");
    QTest::newRow("nothing received") << QStringLiteral("/quenvel/syukei.php")
                                      << QStringList {QString(), QString(), QString(), QString()}
                                      << QStringList {QStringLiteral("（空）"), QStringLiteral("（空）"),
                                                      QStringLiteral("（空）"), QStringLiteral("（空）")}
                                      << QStringLiteral("受け取っていません");
}

void TestDemoService::pageScriptShowsDecodedFields()
{
    QFETCH(QString, path);
    QFETCH(QStringList, values);
    QFETCH(QStringList, decoded);
    QFETCH(QString, status);

    QWebEnginePage page;
    QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
    page.load(m_demo->url(QStringLiteral("site"), path));
    QVERIFY(loaded.wait(30000));
    QVERIFY(loaded.first().first().toBool());

    // Fill the fields as the client does, then follow the page's own link.
    const QJsonArray json = QJsonArray::fromStringList(values);
    runScript(
        page,
        QStringLiteral("(function (v) { var f = document.getElementById('frmPat');"
                       " ['ii', 'i', 'r', 'p'].forEach(function (n, k) { f.elements.namedItem(n).value = v[k]; });"
                       " document.getElementById('lnkPatMaker').click(); })(%1)")
            .arg(QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact))));
    QTRY_VERIFY_WITH_TIMEOUT(!runScript(page, QStringLiteral("document.getElementById('patResult').hidden")).toBool(),
                             10000);
    const QVariant shown = runScript(
        page,
        QStringLiteral(
            "['ii', 'i', 'r', 'p'].map(function (n) { return document.getElementById('dec-' + n).textContent; })"));
    QCOMPARE(shown.toStringList(), decoded);
    const QVariant raw = runScript(
        page,
        QStringLiteral(
            "['ii', 'i', 'r', 'p'].map(function (n) { return document.getElementById('raw-' + n).textContent; })"));
    for (qsizetype i = 0; i < values.size(); ++i)
        QCOMPARE(raw.toStringList().value(i), values.at(i).isEmpty() ? QStringLiteral("（空）") : values.at(i));
    QVERIFY(runScript(page, QStringLiteral("document.getElementById('patStatus').textContent"))
                .toString()
                .contains(status));
}

void TestDemoService::authentication_data()
{
    QTest::addColumn<QByteArray>("form");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QString>("authenticated");
    QTest::addColumn<QString>("points");

    QTest::newRow("encoded address") << QByteArray("m=demo%40pelorin.example&p=123456") << kFormType
                                     << QStringLiteral("true") << QStringLiteral("1200");
    QTest::newRow("as the client sends it") << QByteArray("m=demo@pelorin.example&p=123456") << kFormType
                                            << QStringLiteral("true") << QStringLiteral("1200");
    QTest::newRow("address in capitals") << QByteArray("m=DEMO%40Pelorin.Example&p=123456") << kFormType
                                         << QStringLiteral("true") << QStringLiteral("1200");
    QTest::newRow("with charset") << QByteArray("m=demo%40pelorin.example&p=123456")
                                  << QByteArray("application/x-www-form-urlencoded; charset=Shift_JIS")
                                  << QStringLiteral("true") << QStringLiteral("1200");
    QTest::newRow("wrong password") << QByteArray("m=demo%40pelorin.example&p=12345") << kFormType
                                    << QStringLiteral("false") << QStringLiteral("0");
    QTest::newRow("password with a suffix") << QByteArray("m=demo%40pelorin.example&p=123456%20") << kFormType
                                            << QStringLiteral("false") << QStringLiteral("0");
    QTest::newRow("unknown address") << QByteArray("m=nobody%40pelorin.example&p=123456") << kFormType
                                     << QStringLiteral("false") << QStringLiteral("0");
    QTest::newRow("no address") << QByteArray("p=123456") << kFormType << QStringLiteral("false")
                                << QStringLiteral("0");
    QTest::newRow("not a form") << QByteArray("m=demo%40pelorin.example&p=123456") << QByteArray("text/plain")
                                << QStringLiteral("false") << QStringLiteral("0");
}

void TestDemoService::authentication()
{
    QFETCH(QByteArray, form);
    QFETCH(QByteArray, contentType);
    QFETCH(QString, authenticated);
    QFETCH(QString, points);

    const HttpReply reply = post(QStringLiteral("account"), QStringLiteral("/_pelorin/auth.php"), form, contentType);
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.body.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    const AuthReply auth = readAuthReply(reply.body);
    QCOMPARE(auth.isAuthenticated, authenticated);
    QCOMPARE(auth.point, points);
}

void TestDemoService::signUpReminderAndPasswordChange()
{
    const QString address = QStringLiteral("newcomer@example.com");
    const QString account = QStringLiteral("account");
    const int mailsBefore = static_cast<int>(mailbox().size());

    // Sign-up: the exact reply the wizard accepts, and a password "mailed".
    int from = m_demo->lineCount();
    HttpReply reply
        = post(account, QStringLiteral("/_pelorin/regist.php"), "email=newcomer%40example.com&an=1&pr=Q0002");
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.header("Content-Type"), kTextType);
    QCOMPARE(reply.body, QByteArray("<OK>"));
    const QRegularExpression signUpMail(
        QStringLiteral("^mail to newcomer@example\\.com: password (\\d{6}) \\(sign-up\\)$"));
    const int mailLine = m_demo->waitForLine(signUpMail, from);
    QVERIFY(mailLine >= 0);
    const QString password = signUpMail.match(m_demo->line(mailLine)).captured(1);
    QStringList mails = mailbox();
    QCOMPARE(mails.size(), mailsBefore + 1);
    QCOMPARE(mails.last(), address + QLatin1Char('\t') + password);
    QVERIFY(get(account, QStringLiteral("/mailbox")).text().contains(password));
    AuthReply auth = authenticate(address, password);
    QCOMPARE(auth.isAuthenticated, QStringLiteral("true"));
    QCOMPARE(auth.point, QStringLiteral("0"));

    // A second sign-up with the same address, in other letter case.
    reply = post(account, QStringLiteral("/_pelorin/regist.php"), "email=NewComer%40example.com&an=0&pr=Q0002");
    QCOMPARE(reply.header("Content-Type"), kTextType);
    QVERIFY(reply.text().contains(QStringLiteral("登録済み")));
    QCOMPARE(mailbox().size(), mailsBefore + 1);

    // Reminder: the same password mailed again.
    from = m_demo->lineCount();
    reply = post(account, QStringLiteral("/_pelorin/reminder.php"), "m=newcomer%40example.com");
    QCOMPARE(reply.header("Content-Type"), kTextType);
    QVERIFY(reply.text().contains(QStringLiteral("パスワードをメールでお送")));
    QVERIFY(m_demo->waitForLine(
                QRegularExpression(
                    QStringLiteral("^mail to newcomer@example\\.com: password %1 \\(reminder\\)$").arg(password)),
                from)
            >= 0);
    mails = mailbox();
    QCOMPARE(mails.size(), mailsBefore + 2);
    QCOMPARE(mails.last(), address + QLatin1Char('\t') + password);

    // Password change: refused with a wrong current password or a short new one.
    const QString changed = QStringLiteral("changed");
    const QString success = QStringLiteral("パスワードを変更いたしました");
    const QList<QByteArray> refused = {"m=newcomer@example.com&op=000000&np=" + changed.toLatin1(),
                                       "m=newcomer@example.com&op=" + password.toLatin1() + "&np=abc",
                                       "m=nobody@example.com&op=" + password.toLatin1() + "&np=" + changed.toLatin1()};
    for (const QByteArray &form : refused) {
        reply = post(account, QStringLiteral("/_pelorin/change_pass.php"), form);
        QCOMPARE(reply.header("Content-Type"), kTextType);
        QVERIFY2(!reply.text().isEmpty() && !reply.text().contains(success), form.constData());
    }
    QCOMPARE(authenticate(address, password).isAuthenticated, QStringLiteral("true"));

    reply = post(account, QStringLiteral("/_pelorin/change_pass.php"),
                 "m=newcomer@example.com&op=" + password.toLatin1() + "&np=" + changed.toLatin1());
    QVERIFY(reply.text().contains(success));
    QCOMPARE(authenticate(address, changed).isAuthenticated, QStringLiteral("true"));
    QCOMPARE(authenticate(address, password).isAuthenticated, QStringLiteral("false"));
}

void TestDemoService::signUpRefusals_data()
{
    QTest::addColumn<QByteArray>("form");
    QTest::newRow("no at sign") << QByteArray("email=not-an-address&an=1&pr=Q0002");
    QTest::newRow("no dot in domain") << QByteArray("email=a%40example&an=1&pr=Q0002");
    QTest::newRow("two dots") << QByteArray("email=a..b%40example.com&an=1&pr=Q0002");
    QTest::newRow("two at signs") << QByteArray("email=a%40b%40example.com&an=1&pr=Q0002");
    QTest::newRow("double-byte") << QByteArray("email=%82%A0%40example.com&an=1&pr=Q0002");
    QTest::newRow("empty address") << QByteArray("email=&an=1&pr=Q0002");
    QTest::newRow("no product code") << QByteArray("email=someone%40example.com&an=1");
    QTest::newRow("other product code") << QByteArray("email=someone%40example.com&an=1&pr=Q0001");
    QTest::newRow("odd notices flag") << QByteArray("email=someone%40example.com&an=yes&pr=Q0002");
}

void TestDemoService::signUpRefusals()
{
    QFETCH(QByteArray, form);
    const int mailsBefore = static_cast<int>(mailbox().size());
    const HttpReply reply = post(QStringLiteral("account"), QStringLiteral("/_pelorin/regist.php"), form);
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.header("Content-Type"), kTextType);
    const QString text = reply.text();
    QVERIFY(!text.isEmpty());
    QVERIFY(!text.contains(QStringLiteral("<OK>")));
    QVERIFY(!text.contains(QStringLiteral("登録済み")));
    QVERIFY2(text.contains(QRegularExpression(QStringLiteral("[\\x{3040}-\\x{30FF}\\x{4E00}-\\x{9FFF}]"))),
             "not a Japanese message");
    QCOMPARE(mailbox().size(), mailsBefore);
}

void TestDemoService::reminderRefusals_data()
{
    QTest::addColumn<QByteArray>("form");
    QTest::newRow("unknown address") << QByteArray("m=nobody%40example.com");
    QTest::newRow("no address") << QByteArray("m=");
}

void TestDemoService::reminderRefusals()
{
    QFETCH(QByteArray, form);
    const int mailsBefore = static_cast<int>(mailbox().size());
    const HttpReply reply = post(QStringLiteral("account"), QStringLiteral("/_pelorin/reminder.php"), form);
    QCOMPARE(reply.status, 200);
    QVERIFY(!reply.text().isEmpty());
    QVERIFY(!reply.text().contains(QStringLiteral("パスワードをメールでお送")));
    QCOMPARE(mailbox().size(), mailsBefore);
}

void TestDemoService::updateLogFormat()
{
    const HttpReply reply = get(QStringLiteral("site"), QStringLiteral("/pelorin/sql/sql_log.txt"));
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.header("Content-Type").startsWith("text/plain"));
    QVERIFY(!reply.header("ETag").isEmpty());
    QVERIFY(parseHttpDate(reply.header("Last-Modified")).isValid());
    QVERIFY(reply.body.endsWith("\r\n"));
    for (const char c : reply.body)
        QVERIFY(static_cast<unsigned char>(c) < 0x80);
    const QStringList lines = logLines(reply.body);
    QVERIFY(!lines.isEmpty());
    const QRegularExpression shape(QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2} [\\x20-\\x7E]+$"));
    for (const QString &line : lines) {
        QVERIFY2(shape.match(line).hasMatch(), qPrintable(line));
        QVERIFY2(QDateTime::fromString(line.left(19), QStringLiteral("yyyy/MM/dd HH:mm:ss")).isValid(),
                 qPrintable(line));
    }
}

void TestDemoService::updateLogConditionalGet_data()
{
    QTest::addColumn<QString>("ifNoneMatch"); // {etag} stands for the current tag
    QTest::addColumn<QString>("ifModifiedSince"); // {date} for the current Last-Modified
    QTest::addColumn<int>("status");

    QTest::newRow("same tag") << QStringLiteral("{etag}") << QString() << 304;
    QTest::newRow("tag in a list") << QStringLiteral("\"0000\", {etag}") << QString() << 304;
    QTest::newRow("weak tag") << QStringLiteral("W/{etag}") << QString() << 304;
    QTest::newRow("any tag") << QStringLiteral("*") << QString() << 304;
    QTest::newRow("other tag") << QStringLiteral("\"0000\"") << QString() << 200;
    QTest::newRow("same date") << QString() << QStringLiteral("{date}") << 304;
    QTest::newRow("older date") << QString() << QStringLiteral("Sun, 06 Nov 1994 08:49:37 GMT") << 200;
    QTest::newRow("unreadable date") << QString() << QStringLiteral("yesterday") << 200;
    QTest::newRow("tag wins over date") << QStringLiteral("\"0000\"") << QStringLiteral("{date}") << 200;
}

void TestDemoService::updateLogConditionalGet()
{
    QFETCH(QString, ifNoneMatch);
    QFETCH(QString, ifModifiedSince);
    QFETCH(int, status);

    const HttpReply current = get(QStringLiteral("site"), QStringLiteral("/pelorin/sql/sql_log.txt"));
    const QByteArray etag = current.header("ETag");
    const QByteArray date = current.header("Last-Modified");
    HeaderList headers;
    if (!ifNoneMatch.isEmpty())
        headers.append({"If-None-Match", ifNoneMatch.toLatin1().replace("{etag}", etag)});
    if (!ifModifiedSince.isEmpty())
        headers.append({"If-Modified-Since", ifModifiedSince.toLatin1().replace("{date}", date)});

    const HttpReply reply = get(QStringLiteral("site"), QStringLiteral("/pelorin/sql/sql_log.txt"), headers);
    QCOMPARE(reply.status, status);
    QCOMPARE(reply.header("ETag"), etag);
    QCOMPARE(reply.header("Last-Modified"), date);
    QCOMPARE(reply.body, status == 304 ? QByteArray() : current.body);
}

void TestDemoService::publishAppendsLine()
{
    const QString site = QStringLiteral("site");
    const QString logPath = QStringLiteral("/pelorin/sql/sql_log.txt");
    const HttpReply before = get(site, logPath);
    const QStringList linesBefore = logLines(before.body);

    // Without a stamp the line carries the current local time.
    int from = m_demo->lineCount();
    HttpReply reply = post(site, QStringLiteral("/pelorin/publish"), "note=odds+update");
    QCOMPARE(reply.status, 200);
    const QString line = reply.text().trimmed();
    QVERIFY(line.endsWith(QStringLiteral(" odds update")));
    const QDateTime stamp = QDateTime::fromString(line.left(19), QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    QVERIFY(stamp.isValid());
    QVERIFY(qAbs(stamp.secsTo(QDateTime::currentDateTime())) <= 5);
    QVERIFY(m_demo->waitForLine(
                QRegularExpression(QStringLiteral("^published ") + QRegularExpression::escape(line) + QLatin1Char('$')),
                from)
            >= 0);

    HttpReply after = get(site, logPath);
    QStringList lines = logLines(after.body);
    QCOMPARE(lines.size(), linesBefore.size() + 1);
    QCOMPARE(lines.mid(0, linesBefore.size()), linesBefore);
    QCOMPARE(lines.last(), line);
    QVERIFY(after.header("ETag") != before.header("ETag"));
    QVERIFY(parseHttpDate(after.header("Last-Modified")) > parseHttpDate(before.header("Last-Modified")));
    // A reader holding the old version gets the new one in full.
    QCOMPARE(get(site, logPath, {{"If-None-Match", before.header("ETag")}}).status, 200);
    QCOMPARE(get(site, logPath, {{"If-Modified-Since", before.header("Last-Modified")}}).status, 200);

    // A given stamp, right away after the first: still a new version.
    reply = post(site, QStringLiteral("/pelorin/publish"), "stamp=2011%2F07%2F22+09%3A00%3A00&note=");
    QCOMPARE(reply.status, 200);
    const HttpReply last = get(site, logPath);
    lines = logLines(last.body);
    QCOMPARE(lines.last(), QStringLiteral("2011/07/22 09:00:00"));
    QCOMPARE(get(site, logPath, {{"If-Modified-Since", after.header("Last-Modified")}}).status, 200);
    QCOMPARE(get(site, logPath, {{"If-None-Match", last.header("ETag")}}).status, 304);
}

void TestDemoService::publishRefusals_data()
{
    QTest::addColumn<QByteArray>("form");
    QTest::newRow("double-byte stamp") << QByteArray("stamp=%E3%81%82");
    QTest::newRow("line break in stamp") << QByteArray("stamp=2011%2F07%2F22%0D%0A2011%2F07%2F23");
    QTest::newRow("control character in note") << QByteArray("note=a%01b");
    QTest::newRow("overlong stamp") << "stamp=" + QByteArray(81, '1');
}

void TestDemoService::publishRefusals()
{
    QFETCH(QByteArray, form);
    const QString site = QStringLiteral("site");
    const QString logPath = QStringLiteral("/pelorin/sql/sql_log.txt");
    const QByteArray etag = get(site, logPath).header("ETag");
    const HttpReply reply = post(site, QStringLiteral("/pelorin/publish"), form);
    QCOMPARE(reply.status, 400);
    QCOMPARE(get(site, logPath, {{"If-None-Match", etag}}).status, 304);
}

void TestDemoService::bettingPagesShowQuery_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("raw"); // ii, i, p, r
    QTest::addColumn<QStringList>("decoded"); // ii, i, p, r

    const QString normal = QStringLiteral("通常投票");
    QTest::newRow("normal voting") << QStringLiteral("/ipat/main.php?ii=049050051&i=-016&p=001002003004&r=005006007008")
                                   << normal
                                   << QStringList {QStringLiteral("049050051"), QStringLiteral("-016"),
                                                   QStringLiteral("001002003004"), QStringLiteral("005006007008")}
                                   << QStringList {QStringLiteral("abc"), QStringLiteral(" "), QStringLiteral("1234"),
                                                   QStringLiteral("5678")};
    QTest::newRow("win5 voting") << QStringLiteral("/ipat/win5.php?ii=017018&i=000&p=009&r=001")
                                 << QStringLiteral("WIN5投票")
                                 << QStringList {QStringLiteral("017018"), QStringLiteral("000"), QStringLiteral("009"),
                                                 QStringLiteral("001")}
                                 << QStringList {QStringLiteral("AB"), QStringLiteral("0"), QStringLiteral("9"),
                                                 QStringLiteral("1")};
    QTest::newRow("malformed, empty and missing")
        << QStringLiteral("/ipat/main.php?ii=zz&i=-000&p=") << normal
        << QStringList {QStringLiteral("zz"), QStringLiteral("-000"), QStringLiteral("（空）"),
                        QStringLiteral("（なし）")}
        << QStringList {QStringLiteral("（形式エラー）"), QStringLiteral("（形式エラー）"), QStringLiteral("（空）"),
                        QStringLiteral("（なし）")};
    QTest::newRow("markup is shown, not run")
        << QStringLiteral("/ipat/main.php?ii=%3Cb%3E&i=208&p=-049") << normal
        << QStringList {QStringLiteral("&lt;b&gt;"), QStringLiteral("208"), QStringLiteral("-049"),
                        QStringLiteral("（なし）")}
        << QStringList {QStringLiteral("（形式エラー）"), QStringLiteral("（形式エラー）"),
                        QStringLiteral("（形式エラー）"), QStringLiteral("（なし）")};
    QTest::newRow("shift_jis left to the page script")
        << QStringLiteral("/ipat/main.php?ii=082112082114") << normal
        << QStringList {QStringLiteral("082112082114"), QStringLiteral("（なし）"), QStringLiteral("（なし）"),
                        QStringLiteral("（なし）")}
        << QStringList {QStringLiteral("（Shift_JIS 4 バイト）"), QStringLiteral("（なし）"),
                        QStringLiteral("（なし）"), QStringLiteral("（なし）")};
}

void TestDemoService::bettingPagesShowQuery()
{
    QFETCH(QString, path);
    QFETCH(QString, title);
    QFETCH(QStringList, raw);
    QFETCH(QStringList, decoded);

    const HttpReply reply = get(QStringLiteral("bet"), path);
    QCOMPARE(reply.status, 200);
    const QString page = reply.text();
    QVERIFY(page.contains(QStringLiteral("<h1>%1</h1>").arg(title)));
    const QStringList names = {QStringLiteral("ii"), QStringLiteral("i"), QStringLiteral("p"), QStringLiteral("r")};
    for (qsizetype i = 0; i < names.size(); ++i) {
        QCOMPARE(cellText(page, QStringLiteral("raw-") + names.at(i)), raw.at(i));
        QCOMPARE(cellText(page, QStringLiteral("dec-") + names.at(i)), decoded.at(i));
    }
}

void TestDemoService::bettingPageScriptDecodesShiftJis()
{
    QWebEnginePage page;
    QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
    page.load(m_demo->url(QStringLiteral("bet"), QStringLiteral("/ipat/win5.php?ii=082112082114&i=147141148&p=001")));
    QVERIFY(loaded.wait(30000));
    QVERIFY(loaded.first().first().toBool());
    const QVariant cells = runScript(
        page,
        QStringLiteral(
            "['ii', 'i', 'p'].map(function (n) { return document.getElementById('dec-' + n).textContent; })"));
    QCOMPARE(cells.toStringList(), (QStringList {QStringLiteral("あい"), QStringLiteral("ﾃｽﾄ"), QStringLiteral("1")}));
}

void TestDemoService::explicitPortsAreUsed()
{
    // Ports that were free a moment ago.
    QList<quint16> ports;
    {
        QTcpServer probes[4];
        for (QTcpServer &probe : probes) {
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            ports.append(probe.serverPort());
        }
    }
    DemoProcess demo;
    QVERIFY(demo.start({QStringLiteral("--site-port=%1").arg(ports[0]), QStringLiteral("--account-port"),
                        QString::number(ports[1]), QStringLiteral("--guest-port=%1").arg(ports[2]),
                        QStringLiteral("--bet-port"), QString::number(ports[3])}));
    const QStringList names
        = {QStringLiteral("site"), QStringLiteral("account"), QStringLiteral("guest"), QStringLiteral("bet")};
    for (qsizetype i = 0; i < names.size(); ++i) {
        QCOMPARE(demo.origin(names.at(i)), QStringLiteral("http://127.0.0.1:%1").arg(ports.at(i)));
        QCOMPARE(send(m_manager, "GET", demo.url(names.at(i), QStringLiteral("/"))).status, 200);
    }
    // Without --quiet every request is logged.
    QVERIFY(demo.waitForLine(QRegularExpression(QStringLiteral("^\\[bet\\] GET / -> 200$")), 0) >= 0);
}

void TestDemoService::portInUseStopsStart()
{
    QTcpServer busy;
    QVERIFY(busy.listen(QHostAddress::LocalHost, 0));
    QProcess demo;
    demo.start(QStringLiteral(PELORIN_DEMO_PATH),
               {QStringLiteral("--site-port"), QStringLiteral("0"), QStringLiteral("--account-port"),
                QStringLiteral("0"), QStringLiteral("--guest-port"), QString::number(busy.serverPort()),
                QStringLiteral("--bet-port"), QStringLiteral("0")});
    QVERIFY(demo.waitForFinished(10000));
    QCOMPARE(demo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(demo.exitCode(), 1);
    QVERIFY(
        QString::fromUtf8(demo.readAllStandardError()).contains(QStringLiteral("127.0.0.1:%1").arg(busy.serverPort())));
    QVERIFY(!demo.readAllStandardOutput().contains("ready"));
}

void TestDemoService::badArgumentsAreRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("not a number") << QStringList {QStringLiteral("--site-port"), QStringLiteral("abc")};
    QTest::newRow("too large") << QStringList {QStringLiteral("--bet-port=70000")};
    QTest::newRow("missing value") << QStringList {QStringLiteral("--guest-port")};
    QTest::newRow("unknown option") << QStringList {QStringLiteral("--verbose")};
}

void TestDemoService::badArgumentsAreRefused()
{
    QFETCH(QStringList, arguments);
    QProcess demo;
    demo.start(QStringLiteral(PELORIN_DEMO_PATH), arguments);
    QVERIFY(demo.waitForFinished(10000));
    QCOMPARE(demo.exitCode(), 2);
    QVERIFY(!demo.readAllStandardError().isEmpty());
    QVERIFY(!demo.readAllStandardOutput().contains("ready"));
}

void TestDemoService::stopsCleanlyOnSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
}

void TestDemoService::stopsCleanlyOnSignal()
{
    QFETCH(int, signal);
    DemoProcess demo;
    QVERIFY(demo.start({QStringLiteral("--site-port=0"), QStringLiteral("--account-port=0"),
                        QStringLiteral("--guest-port=0"), QStringLiteral("--bet-port=0"), QStringLiteral("--quiet")}));
    // A browser keeps its connection open; the demo must still stop.
    QNetworkAccessManager manager;
    QCOMPARE(send(manager, "GET", demo.url(QStringLiteral("site"), QStringLiteral("/")), {}, {}, true).status, 200);

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(::kill(static_cast<pid_t>(demo.process().processId()), signal), 0);
    QVERIFY(demo.process().waitForFinished(10000));
    QCOMPARE(demo.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(demo.process().exitCode(), 0);
    QVERIFY(demo.waitForLine(QRegularExpression(QStringLiteral("^stopped$")), 0) >= 0);
    qInfo("stopped %lld ms after the signal", static_cast<long long>(clock.elapsed()));
}

int main(int argc, char **argv)
{
    // The web engine shares its contexts with the application's; it must be told first.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QGuiApplication app(argc, argv);
    TestDemoService test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestDemoService.moc"
