#include "AccountProtocol.h"
#include "HttpClient.h"
#include "LoopbackServer.h"
#include "Origins.h"

#include <QTest>

#include <mutex>

using namespace AccountProtocol;

// The account server of these tests answers every script with the status and body the
// current row sets, and keeps the last request's path and body.
class TestAccountProtocol : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void authenticate_data();
    void authenticate();
    void settingsDialogReadsOnlyTheAccount();
    void noServer();
    void bodiesSent_data();
    void bodiesSent();
    void signUpReplies_data();
    void signUpReplies();
    void reminderReplies();
    void passwordChange_data();
    void passwordChange();

private:
    void answer(int status, const QByteArray &body);
    QByteArray lastBody();
    QByteArray lastPath();

    LoopbackServer m_server;
    std::mutex m_mutex;
    int m_status = 200;
    std::string m_body;
    std::string m_lastBody;
    std::string m_lastPath;
};

void TestAccountProtocol::initTestCase()
{
    m_server.server().Post(R"(/_pelorin/(\w+)\.php)", [this](const httplib::Request &req, httplib::Response &res) {
        std::lock_guard lock(m_mutex);
        m_lastBody = req.body;
        m_lastPath = req.path;
        res.status = m_status;
        res.set_content(m_body, "text/plain; charset=UTF-8");
    });
    m_server.start();
    Origins origins = Origins::get();
    origins.account = m_server.origin();
    Origins::setForTesting(origins);
}

void TestAccountProtocol::answer(int status, const QByteArray &body)
{
    std::lock_guard lock(m_mutex);
    m_status = status;
    m_body = body.toStdString();
}

QByteArray TestAccountProtocol::lastBody()
{
    std::lock_guard lock(m_mutex);
    return QByteArray::fromStdString(m_lastBody);
}

QByteArray TestAccountProtocol::lastPath()
{
    std::lock_guard lock(m_mutex);
    return QByteArray::fromStdString(m_lastPath);
}

void TestAccountProtocol::authenticate_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("wasAuthenticated");
    QTest::addColumn<bool>("authenticated");
    QTest::addColumn<int>("point");
    QTest::addColumn<QString>("message");

    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    QTest::newRow("TRUE and 120") << 200 << head + "<r><isAuthenticated>TRUE</isAuthenticated><point>120</point></r>"
                                  << false << true << 120 << QString();
    QTest::newRow("point 12a") << 200 << head + "<r><isAuthenticated>true</isAuthenticated><point>12a</point></r>"
                               << false << true << 0 << QString();
    QTest::newRow("negative point") << 200 << head + "<r><isAuthenticated>true</isAuthenticated><point>-5</point></r>"
                                    << false << true << -5 << QString();
    QTest::newRow("blank before true") << 200 << QByteArray("<r><isAuthenticated> true</isAuthenticated></r>") << true
                                       << false << 7 << QString();
    QTest::newRow("false") << 200 << QByteArray("<r><isAuthenticated>false</isAuthenticated><point>0</point></r>")
                           << true << false << 0 << QString();
    QTest::newRow("no isAuthenticated keeps the last result")
        << 200 << QByteArray("<r><point>30</point></r>") << true << true << 30 << QString();
    QTest::newRow("element kept across end tags")
        << 200 << QByteArray("<r><isAuthenticated>true</isAuthenticated>x<point>1</point>55</r>") << false << false
        << 55 << QString();
    QTest::newRow("names compared exactly")
        << 200 << QByteArray("<r><IsAuthenticated>true</IsAuthenticated><Point>9</Point></r>") << false << false << 7
        << QString();
    QTest::newRow("malformed keeps what came first")
        << 200 << QByteArray("<r><isAuthenticated>true</isAuthenticated><point>40</pt></r>") << false << true << 40
        << QStringLiteral("XMLParseError=Xml Parse error");
    QTest::newRow("empty body") << 200 << QByteArray() << true << true << 7 << QString();
    QTest::newRow("404 silent") << 404 << QByteArray("x") << true << true << 7 << QString();
    QTest::newRow("503") << 503 << QByteArray() << false << false << 7 << networkMessage(QStringLiteral("503"));
}

void TestAccountProtocol::authenticate()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, wasAuthenticated);
    QFETCH(bool, authenticated);
    QFETCH(int, point);
    QFETCH(QString, message);

    answer(status, body);
    AuthState state;
    state.authenticated = wasAuthenticated;
    state.point = 7;
    state.xmlElement = QStringLiteral("point"); // a left-over from an earlier reply must not count
    HttpClient http;
    QCOMPARE(AccountProtocol::authenticate(http, QStringLiteral("taro@example.jp"), QStringLiteral("pw"), state,
                                           AuthReader::AccountAndPoints),
             message);
    QCOMPARE(state.authenticated, authenticated);
    QCOMPARE(state.point, point);
    QCOMPARE(lastPath(), QByteArray("/_pelorin/auth.php"));
}

void TestAccountProtocol::settingsDialogReadsOnlyTheAccount()
{
    answer(200, "<r><isAuthenticated>true</isAuthenticated><point>120</point></r>");
    AuthState state;
    state.point = 3;
    HttpClient http;
    QCOMPARE(
        AccountProtocol::authenticate(http, QStringLiteral("a"), QStringLiteral("b"), state, AuthReader::AccountOnly),
        QString());
    QVERIFY(state.authenticated);
    QCOMPARE(state.point, 3);
}

void TestAccountProtocol::noServer()
{
    LoopbackServer closed;
    closed.start();
    Origins origins = Origins::get();
    const Origins saved = origins;
    origins.account = closed.origin();
    closed.stop();
    Origins::setForTesting(origins);
    auto restore = qScopeGuard([&] { Origins::setForTesting(saved); });

    HttpClient http;
    AuthState state;
    const QString message = AccountProtocol::authenticate(http, QStringLiteral("a"), QStringLiteral("b"), state,
                                                          AuthReader::AccountAndPoints);
    QVERIFY(message.endsWith(QStringLiteral("\r\n\r\nStatusCode=")));
    QVERIFY(message.startsWith(QStringLiteral("インターネット接続に問題が発生しました。")));
    QCOMPARE(sendSignUp(http, QStringLiteral("a@b.jp"), true), QStringLiteral(" "));
    QCOMPARE(changePassword(http, QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("cccc")).message, message);
}

void TestAccountProtocol::bodiesSent_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("authentication unencoded")
        << QStringLiteral("auth") << QByteArray("/_pelorin/auth.php") << QByteArray("m=a+b c@x.jp&p=p&w =1");
    QTest::newRow("sign-up encoded, notices wanted") << QStringLiteral("signup1") << QByteArray("/_pelorin/regist.php")
                                                     << QByteArray("email=a%2Bb+c@x.jp&an=1&pr=Q0002");
    QTest::newRow("sign-up, no notices") << QStringLiteral("signup0") << QByteArray("/_pelorin/regist.php")
                                         << QByteArray("email=a%2Bb+c@x.jp&an=0&pr=Q0002");
    QTest::newRow("reminder encoded") << QStringLiteral("reminder") << QByteArray("/_pelorin/reminder.php")
                                      << QByteArray("m=a%2Bb+c@x.jp");
    QTest::newRow("password change unencoded") << QStringLiteral("change") << QByteArray("/_pelorin/change_pass.php")
                                               << QByteArray("m=a+b c@x.jp&op=p&w =1&np=n%41 w");
}

void TestAccountProtocol::bodiesSent()
{
    QFETCH(QString, request);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, body);
    answer(200, "<OK>");
    HttpClient http;
    const QString address = QStringLiteral("a+b c@x.jp");
    AuthState state;
    if (request == QLatin1String("auth"))
        AccountProtocol::authenticate(http, address, QStringLiteral("p&w =1"), state, AuthReader::AccountAndPoints);
    else if (request == QLatin1String("signup1"))
        sendSignUp(http, address, true);
    else if (request == QLatin1String("signup0"))
        sendSignUp(http, address, false);
    else if (request == QLatin1String("reminder"))
        sendReminder(http, address);
    else
        changePassword(http, address, QStringLiteral("p&w =1"), QStringLiteral("n%41 w"));
    QCOMPARE(lastPath(), path);
    QCOMPARE(lastBody(), body);
}

void TestAccountProtocol::signUpReplies_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("outcome");
    QTest::newRow("<OK>") << 200 << QByteArray("<OK>") << QStringLiteral("<OK>") << int(SignUpOutcome::Created);
    QTest::newRow("<OK> and a line break")
        << 200 << QByteArray("<OK>\r\n") << QStringLiteral("<OK>\r\n") << int(SignUpOutcome::Failed);
    QTest::newRow("blank before <OK>") << 200 << QByteArray(" <OK>") << QStringLiteral(" <OK>")
                                       << int(SignUpOutcome::Failed);
    QTest::newRow("known address") << 200 << QByteArray("このメールアドレスは既に登録済みです。")
                                   << QStringLiteral("このメールアドレスは既に登録済みです。")
                                   << int(SignUpOutcome::AlreadyRegistered);
    QTest::newRow("server's own error") << 200 << QByteArray("メールアドレスが正しくありません。")
                                        << QStringLiteral("メールアドレスが正しくありません。")
                                        << int(SignUpOutcome::Failed);
    QTest::newRow("outside the code page")
        << 200 << QByteArray("\xF0\x9F\x98\x80 error") << QStringLiteral("? error") << int(SignUpOutcome::Failed);
    QTest::newRow("503") << 503 << QByteArray("down") << QStringLiteral("503 ") << int(SignUpOutcome::Failed);
}

void TestAccountProtocol::signUpReplies()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, reply);
    QFETCH(int, outcome);
    answer(status, body);
    HttpClient http;
    const QString text = sendSignUp(http, QStringLiteral("new@example.jp"), true);
    QCOMPARE(text, reply);
    QCOMPARE(int(signUpOutcome(text)), outcome);
}

void TestAccountProtocol::reminderReplies()
{
    HttpClient http;
    answer(200, "ご登録のメールアドレスにパスワードをメールでお送りしました。");
    QVERIFY(reminderSent(sendReminder(http, QStringLiteral("a@b.jp"))));
    answer(200, "登録されていないメールアドレスです。");
    const QString refused = sendReminder(http, QStringLiteral("a@b.jp"));
    QCOMPARE(refused, QStringLiteral("登録されていないメールアドレスです。"));
    QVERIFY(!reminderSent(refused));
    answer(404, "");
    QCOMPARE(sendReminder(http, QStringLiteral("a@b.jp")), QStringLiteral("404 "));
}

void TestAccountProtocol::passwordChange_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QString>("message");
    QTest::newRow("changed") << 200 << QByteArray("パスワードを変更いたしました。") << true << QString();
    QTest::newRow("refused") << 200 << QByteArray("現在のパスワードが正しくありません。") << false
                             << QStringLiteral("現在のパスワードが正しくありません。");
    QTest::newRow("404 silent") << 404 << QByteArray() << false << QString();
    QTest::newRow("500") << 500 << QByteArray("oops") << false << networkMessage(QStringLiteral("500"));
}

void TestAccountProtocol::passwordChange()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, changed);
    QFETCH(QString, message);
    answer(status, body);
    HttpClient http;
    const PasswordChange result
        = changePassword(http, QStringLiteral("a@b.jp"), QStringLiteral("1234"), QStringLiteral("5678"));
    QCOMPARE(result.changed, changed);
    QCOMPARE(result.message, message);
}

QTEST_GUILESS_MAIN(TestAccountProtocol)
#include "TestAccountProtocol.moc"
