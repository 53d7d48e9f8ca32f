#include "ClientFixture.h"
#include "UserSandbox.h"
#include "uniChangePass.h"
#include "uniOption.h"
#include "uniPelorin.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

class TestAccountDialogs : public QObject
{
    Q_OBJECT

public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void filledFromTheMainWindow();
    void okOutcomes_data();
    void okOutcomes();
    void changedPasswordSurvivesAnyClose_data();
    void changedPasswordSurvivesAnyClose();
    void changeAnswered_data();
    void changeAnswered();
    void changeButtonRule();
    void centredOverTheMainWindow();

private:
    QStringList sitePagesAfterSettling();
    void changePassword(TfrmOption *dialog, const QString &newPassword);

    std::unique_ptr<UserSandbox> m_sandbox;
    std::unique_ptr<ClientFixture> m_fixture;
    std::unique_ptr<TfrmPelorin> m_main;
    QString m_lastPage;
};

const char Accepted[] = "<r><isAuthenticated>true</isAuthenticated><point>9</point></r>";
const char Refused[] = "<r><isAuthenticated>false</isAuthenticated></r>";
const char Changed[] = "パスワードを変更いたしました。";

void TestAccountDialogs::initTestCase()
{
    m_sandbox = std::make_unique<UserSandbox>();
}

void TestAccountDialogs::init()
{
    m_fixture = std::make_unique<ClientFixture>();
    m_main = std::make_unique<TfrmPelorin>();
    m_main->gUserName = QStringLiteral("taro@example.jp");
    m_main->gPass = QStringLiteral("1111");
    m_main->gII1 = QStringLiteral("A1");
    m_main->gI1 = QStringLiteral("12345678");
    m_main->gP1 = QStringLiteral("1234");
    m_main->gR1 = QStringLiteral("5678");
    m_main->gPatMord = 1;
    m_lastPage = m_fixture->siteOrigin() + QStringLiteral("/quenvel/yosou.php?race=1");
    m_main->LastCompletedUrl = m_lastPage;
}

void TestAccountDialogs::cleanup()
{
    m_main.reset();
    m_fixture.reset();
}

// The pages the main window's browser asked for, once its navigations have had time.
QStringList TestAccountDialogs::sitePagesAfterSettling()
{
    QTest::qWait(1500);
    return m_fixture->pages();
}

// Through the settings dialog's button, as the user does: the change dialog opens with
// the current password, takes the new one and closes when the server has it.
void TestAccountDialogs::changePassword(TfrmOption *dialog, const QString &newPassword)
{
    QString current;
    QTimer::singleShot(50, this, [&] {
        current = frmChangePass->txtPass1->text();
        frmChangePass->txtPass2->setText(newPassword);
        QTest::mouseClick(frmChangePass->btnChange, Qt::LeftButton);
        if (frmChangePass) // still open: the change failed; leave the test's dialogs
            frmChangePass->reject();
    });
    dialog->btnChangePassClick();
    QCOMPARE(current, QStringLiteral("1111"));
    QCOMPARE(dialog->txt2->text(), newPassword);
}

void TestAccountDialogs::filledFromTheMainWindow()
{
    m_main->gPatMord = 2;
    TfrmOption dialog(m_main.get());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("FalvanePelorin クエンベルキット - 登録情報"));
    QCOMPARE(dialog.findChild<QWidget *>(QStringLiteral("clientArea"))->size(), QSize(449, 565));
    QCOMPARE(dialog.txt1->text(), QStringLiteral("taro@example.jp"));
    QCOMPARE(dialog.txt2->text(), QStringLiteral("1111"));
    QVERIFY(!dialog.txt1->isEnabled());
    QVERIFY(!dialog.txt2->isEnabled());
    QCOMPARE(dialog.txtP1->text(), QStringLiteral("1234"));
    QCOMPARE(dialog.txtP1->echoMode(), QLineEdit::Password);
    QVERIFY(!dialog.txtII2->testAttribute(Qt::WA_InputMethodEnabled));
    QVERIFY(dialog.radPat2->isChecked());
    QVERIFY(!dialog.FChanged);
    QCOMPARE(dialog.btnCancel->text(), QStringLiteral("&OK"));
}

void TestAccountDialogs::okOutcomes_data()
{
    QTest::addColumn<QString>("visit");
    QTest::addColumn<QByteArray>("authReply");
    QTest::addColumn<QString>("pass");
    QTest::addColumn<int>("patMord");
    QTest::addColumn<bool>("reloaded");
    QTest::addColumn<int>("homeOpened"); // 1 yes, 0 no, -1 replaced at once by the reload
    QTest::addColumn<int>("messages");

    QTest::newRow("nothing touched") << QStringLiteral("none") << QByteArray(Accepted) << QStringLiteral("1111") << 1
                                     << false << 0 << 0;
    QTest::newRow("only the chosen set") << QStringLiteral("set") << QByteArray(Accepted) << QStringLiteral("1111") << 2
                                         << true << 0 << 0;
    QTest::newRow("an edit restored") << QStringLiteral("restore") << QByteArray(Accepted) << QStringLiteral("1111")
                                      << 1 << true << 0 << 0;
    QTest::newRow("new password accepted")
        << QStringLiteral("password") << QByteArray(Accepted) << QStringLiteral("2222") << 1 << false << 1 << 0;
    QTest::newRow("new password refused on OK")
        << QStringLiteral("password") << QByteArray(Refused) << QStringLiteral("2222") << 1 << false << 0 << 1;
    QTest::newRow("password and a credential") << QStringLiteral("password+credential") << QByteArray(Accepted)
                                               << QStringLiteral("2222") << 1 << true << -1 << 0;
}

void TestAccountDialogs::okOutcomes()
{
    QFETCH(QString, visit);
    QFETCH(QByteArray, authReply);
    QFETCH(QString, pass);
    QFETCH(int, patMord);
    QFETCH(bool, reloaded);
    QFETCH(int, homeOpened);
    QFETCH(int, messages);
    m_fixture->answerScript("auth", 200, authReply.toStdString());
    m_fixture->answerScript("change_pass", 200, Changed);

    QTimer::singleShot(100, this, [&] {
        TfrmOption *dialog = frmOption;
        QVERIFY(dialog && dialog->isVisible());
        if (visit == QLatin1String("set"))
            dialog->radPat2->setChecked(true);
        if (visit == QLatin1String("restore")) {
            dialog->txtR1->setText(QStringLiteral("x"));
            dialog->txtR1->setText(QStringLiteral("5678"));
        }
        if (visit.startsWith(QLatin1String("password")))
            changePassword(dialog, QStringLiteral("2222"));
        if (visit.endsWith(QLatin1String("+credential")))
            dialog->txtII1->setText(QStringLiteral("B2"));
        QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
    });
    m_main->btnOptionClick();
    QVERIFY(!frmOption);

    QCOMPARE(m_main->gPass, pass);
    QCOMPARE(m_main->gPatMord, patMord);
    QCOMPARE(m_main->gI1, QStringLiteral("12345678"));
    QCOMPARE(m_main->gII1, visit.endsWith(QLatin1String("+credential")) ? QStringLiteral("B2") : QStringLiteral("A1"));
    QCOMPARE(m_fixture->messages.size(), messages);
    if (messages) {
        QCOMPARE(m_fixture->messages.first().text,
                 QStringLiteral("ご指定のIDとパスワードでは認証できません。\r\n設定をご確認ください。\r\n"));
    }
    const QStringList requests = m_fixture->accountRequests();
    if (visit.startsWith(QLatin1String("password"))) {
        QCOMPARE(requests,
                 (QStringList {QStringLiteral("/_pelorin/change_pass.php?m=taro@example.jp&op=1111&np=2222"),
                               QStringLiteral("/_pelorin/auth.php?m=taro@example.jp&p=2222")}));
    } else {
        QCOMPARE(requests, QStringList());
    }
    const QStringList pages = sitePagesAfterSettling();
    if (homeOpened >= 0)
        QCOMPARE(pages.contains(QStringLiteral("/quenvel/index.php?m=taro@example.jp&p=2222")), homeOpened == 1);
    QCOMPARE(pages.contains(QStringLiteral("/quenvel/yosou.php?race=1")), reloaded);
}

void TestAccountDialogs::changedPasswordSurvivesAnyClose_data()
{
    QTest::addColumn<bool>("byTheFrame");
    QTest::newRow("closed by the frame") << true;
    QTest::newRow("Esc") << false;
}

void TestAccountDialogs::changedPasswordSurvivesAnyClose()
{
    QFETCH(bool, byTheFrame);
    m_fixture->answerScript("change_pass", 200, Changed);
    QTimer::singleShot(100, this, [&] {
        TfrmOption *dialog = frmOption;
        QVERIFY(dialog);
        dialog->txtII1->setText(QStringLiteral("discarded"));
        changePassword(dialog, QStringLiteral("3333"));
        if (byTheFrame)
            dialog->close();
        else
            QTest::keyClick(dialog, Qt::Key_Escape);
    });
    m_main->btnOptionClick();
    // The server has the new password: it is the account's password now.
    QCOMPARE(m_main->gPass, QStringLiteral("3333"));
    // Everything else of the visit is discarded, and nothing was asked of the server again.
    QCOMPARE(m_main->gII1, QStringLiteral("A1"));
    QCOMPARE(m_fixture->accountRequests().size(), 1);
    QVERIFY(m_fixture->messages.isEmpty());
}

void TestAccountDialogs::changeAnswered_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("message");
    QTest::newRow("refused") << 200 << QByteArray("現在のパスワードが正しくありません。")
                             << QStringLiteral("現在のパスワードが正しくありません。");
    QTest::newRow("404, silent") << 404 << QByteArray() << QString();
    QTest::newRow("503") << 503 << QByteArray() << QStringLiteral("StatusCode=503");
}

void TestAccountDialogs::changeAnswered()
{
    QFETCH(int, status);
    QFETCH(QByteArray, reply);
    QFETCH(QString, message);
    m_fixture->answerScript("change_pass", status, reply.toStdString());
    TfrmOption dialog(m_main.get());
    TfrmChangePass change(&dialog);
    change.show();
    change.txtPass2->setText(QStringLiteral("9999"));
    change.btnChangeClick();
    QVERIFY(change.isVisible());
    QCOMPARE(change.txtPass2->text(), QStringLiteral("9999"));
    QCOMPARE(dialog.txt2->text(), QStringLiteral("1111"));
    QVERIFY(dialog.acceptedPassword().isEmpty());
    if (message.isEmpty()) {
        QVERIFY(m_fixture->messages.isEmpty());
    } else {
        QCOMPARE(m_fixture->messages.size(), 1);
        QVERIFY(m_fixture->messages.first().text.endsWith(message));
    }
}

void TestAccountDialogs::changeButtonRule()
{
    TfrmOption dialog(m_main.get());
    TfrmChangePass change(&dialog);
    change.show();
    QVERIFY(QTest::qWaitForWindowActive(&change));
    QCOMPARE(change.windowTitle(), QStringLiteral("パスワードの変更"));
    QCOMPARE(change.findChild<QWidget *>(QStringLiteral("clientArea"))->size(), QSize(323, 164));
    QCOMPARE(QApplication::focusWidget(), change.txtPass2);
    change.txtPass1->setText(QStringLiteral("111"));
    change.txtPass2->setText(QStringLiteral("2222"));
    QVERIFY(!change.btnChange->isEnabled());
    change.txtPass1->setText(QStringLiteral("1111"));
    QVERIFY(change.btnChange->isEnabled());
    change.txtPass2->setText(QStringLiteral("222"));
    QVERIFY(!change.btnChange->isEnabled());
}

void TestAccountDialogs::centredOverTheMainWindow()
{
    for (const QPoint at : {QPoint(0, 0), QPoint(333, 127)}) {
        m_main->move(at);
        QRect seen;
        QTimer::singleShot(100, this, [&] {
            seen = frmOption->frameGeometry();
            frmOption->close();
        });
        m_main->btnOptionClick();
        const QRect main = m_main->frameGeometry();
        QCOMPARE(seen.left(), main.left() + main.width() / 2 - seen.width() / 2);
        QCOMPARE(seen.top(), main.top() + main.height() / 2 - seen.height() / 2);
    }
}

QTEST_MAIN(TestAccountDialogs)
#include "TestAccountDialogs.moc"
