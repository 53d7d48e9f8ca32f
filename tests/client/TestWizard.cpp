#include "ClientFixture.h"
#include "UserSandbox.h"
#include "uniPelorin.h"
#include "uniStart.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

class TestWizard : public QObject
{
    Q_OBJECT

public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void mailAddress_data();
    void mailAddress();
    void form();
    void nextRule();
    void newAccountToDone();
    void knownAddress_data();
    void knownAddress();
    void signUpFailureShownAsReply_data();
    void signUpFailureShownAsReply();
    void failedSignInKeepsTheText();
    void backKeepsTheEdits();
    void reissueLink();
    void closingAsks();

private:
    void toAccountPage(bool existing);

    std::unique_ptr<UserSandbox> m_sandbox;
    std::unique_ptr<ClientFixture> m_fixture;
    std::unique_ptr<TfrmPelorin> m_main;
    std::unique_ptr<TfrmStart> m_wizard;
};

const char Accepted[] = "<r><isAuthenticated>true</isAuthenticated><point>0</point></r>";
const char Refused[] = "<r><isAuthenticated>false</isAuthenticated></r>";
const char Mailed[] = "ご登録のメールアドレスにパスワードをメールでお送りしました。";

void TestWizard::initTestCase()
{
    m_sandbox = std::make_unique<UserSandbox>();
}

void TestWizard::init()
{
    m_fixture = std::make_unique<ClientFixture>();
    m_main = std::make_unique<TfrmPelorin>();
    m_wizard = std::make_unique<TfrmStart>(m_main.get());
    m_wizard->show();
}

void TestWizard::cleanup()
{
    m_wizard.reset();
    m_main.reset();
    m_fixture.reset();
}

void TestWizard::toAccountPage(bool existing)
{
    (existing ? m_wizard->rad1_yes : m_wizard->rad1_no)->setChecked(true);
    QTest::mouseClick(m_wizard->btnNext, Qt::LeftButton);
    QCOMPARE(m_wizard->FPage, 1);
    QVERIFY(m_wizard->Panel2->isVisible());
}

void TestWizard::mailAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("shortest") << QStringLiteral("a@b.cd") << true;
    QTest::newRow("dot third of four") << QStringLiteral("a@bc.d") << false;
    QTest::newRow("three-character domain") << QStringLiteral("a@b.c") << false;
    QTest::newRow("no dot in the domain") << QStringLiteral("a@bcde") << false;
    QTest::newRow("domain starts with a dot") << QStringLiteral("a@.bcd") << false;
    QTest::newRow("dot starts the local part") << QStringLiteral(".a@b.cd") << true;
    QTest::newRow("dot ends the local part") << QStringLiteral("a.@b.cd") << true;
    QTest::newRow("dot ends a long domain") << QStringLiteral("a@bc.de.") << true;
    QTest::newRow("double dot") << QStringLiteral("a..b@c.de") << false;
    QTest::newRow("second @") << QStringLiteral("a@b@c.de") << false;
    QTest::newRow("plus") << QStringLiteral("a+b@c.de") << false;
    QTest::newRow("double-byte") << QStringLiteral("あ@b.cd") << false;
    QTest::newRow("empty local part") << QStringLiteral("@b.cd") << false;
    QTest::newRow("no @") << QStringLiteral("ab.cd") << false;
    QTest::newRow("blank") << QStringLiteral("a b@c.de") << false;
    QTest::newRow("ordinary") << QStringLiteral("taro_yamada-1@mail.example.jp") << true;
}

void TestWizard::mailAddress()
{
    QFETCH(QString, address);
    QFETCH(bool, accepted);
    QCOMPARE(TfrmStart::CheckMailAddress(address), accepted);
}

void TestWizard::form()
{
    QCOMPARE(m_wizard->windowTitle(), QStringLiteral("FalvanePelorinクエンベルキットの初期設定"));
    QCOMPARE(m_wizard->findChild<QWidget *>(QStringLiteral("clientArea"))->size(), QSize(553, 310));
    QVERIFY(m_wizard->Panel1->isVisible());
    QVERIFY(!m_wizard->Panel2->isVisible());
    QVERIFY(!m_wizard->Panel4->isVisible());
    QVERIFY(m_wizard->rad1_no->isChecked());
    QVERIFY(!m_wizard->btnBack->isEnabled());
    QVERIFY(m_wizard->btnNext->isDefault());
    QVERIFY(!m_wizard->txtMail->testAttribute(Qt::WA_InputMethodEnabled));
    QVERIFY(m_wizard->txtMail->maxLength() > 100000);
    QCOMPARE(m_wizard->txtPass->echoMode(), QLineEdit::Normal);
    // Enter presses Next.
    QTest::keyClick(m_wizard.get(), Qt::Key_Return);
    QCOMPARE(m_wizard->FPage, 1);
}

void TestWizard::nextRule()
{
    toAccountPage(false);
    QVERIFY(!m_wizard->txtPass->isVisible());
    QVERIFY(m_wizard->chkOshirase->isVisible());
    QVERIFY(!m_wizard->btnNext->isEnabled());
    QTest::keyClicks(m_wizard->txtMail, QStringLiteral("a@b.cd"));
    QVERIFY(m_wizard->btnNext->isEnabled()); // no password wanted for a new account

    QTest::mouseClick(m_wizard->btnBack, Qt::LeftButton);
    toAccountPage(true);
    QVERIFY(m_wizard->txtPass->isVisible());
    QVERIFY(!m_wizard->btnNext->isEnabled());
    QTest::keyClicks(m_wizard->txtPass, QStringLiteral("123"));
    QVERIFY(!m_wizard->btnNext->isEnabled());
    QTest::keyClicks(m_wizard->txtPass, QStringLiteral("4"));
    QVERIFY(m_wizard->btnNext->isEnabled());
    m_wizard->txtMail->setText(QStringLiteral("a@b.c"));
    QVERIFY(!m_wizard->btnNext->isEnabled());
}

void TestWizard::newAccountToDone()
{
    m_fixture->answerScript("regist", 200, "<OK>");
    m_fixture->answerScript("auth", 200, Accepted);
    toAccountPage(false);
    m_wizard->chkOshirase->setChecked(false);
    QTest::keyClicks(m_wizard->txtMail, QStringLiteral("new@example.jp"));
    QTest::mouseClick(m_wizard->btnNext, Qt::LeftButton);

    QCOMPARE(m_fixture->accountRequests().last(),
             QStringLiteral("/_pelorin/regist.php?email=new@example.jp&an=0&pr=Q0002"));
    QCOMPARE(m_wizard->FPage, 1);
    QVERIFY(!m_wizard->FNewAccount);
    QVERIFY(m_wizard->txtPass->isVisible());
    QVERIFY(!m_wizard->chkOshirase->isVisible());
    QVERIFY(!m_wizard->lblReissue->isVisible());
    QVERIFY(m_wizard->lblMailAlert2->isVisible());
    QVERIFY(m_wizard->lblMailAlert2->text().startsWith(QStringLiteral("パスワードを記載したメールを送信しました。")));
    QVERIFY(!m_wizard->btnBack->isEnabled());
    QVERIFY(!m_wizard->btnNext->isEnabled());
    QTest::keyClicks(m_wizard->txtPass, QStringLiteral("482913"));
    QVERIFY(m_wizard->btnNext->isEnabled());
    QVERIFY(!m_wizard->btnBack->isEnabled());

    QTest::mouseClick(m_wizard->btnNext, Qt::LeftButton);
    QCOMPARE(m_fixture->accountRequests().last(), QStringLiteral("/_pelorin/auth.php?m=new@example.jp&p=482913"));
    QCOMPARE(m_wizard->FPage, 3);
    QVERIFY(m_wizard->Panel4->isVisible());
    QVERIFY(!m_wizard->btnBack->isVisible());
    QCOMPARE(m_wizard->btnNext->text(), QStringLiteral("完了 (&N)"));
    QCOMPARE(m_wizard->lblResultMail->text(), QStringLiteral("new@example.jp"));
    QCOMPARE(m_wizard->lblResultPass->text(), QStringLiteral("482913"));
    QVERIFY(m_main->gUserName.isEmpty());

    QTest::mouseClick(m_wizard->btnNext, Qt::LeftButton);
    QCOMPARE(m_main->gUserName, QStringLiteral("new@example.jp"));
    QCOMPARE(m_main->gPass, QStringLiteral("482913"));
    QVERIFY(!m_wizard->isVisible());
    QVERIFY(m_fixture->messages.isEmpty());
}

void TestWizard::knownAddress_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QByteArray>("reminderReply");
    QTest::addColumn<QStringList>("messages");
    const QString question
        = QStringLiteral("このメールアドレスは既に登録済みです。パスワードをお忘れの場合、再発行が可能です。"
                         "\r\n\r\nパスワードの再発行をご希望ですか？");
    QTest::newRow("yes, mailed") << int(MessageDialog::Result::Yes) << QByteArray(Mailed)
                                 << QStringList {question,
                                                 QStringLiteral("パスワード再発行メールを送信しました。\r\n"
                                                                "最初に戻り初期設定をやり直してください。")};
    QTest::newRow("yes, refused") << int(MessageDialog::Result::Yes) << QByteArray("送信できませんでした。")
                                  << QStringList {question, QStringLiteral("送信できませんでした。")};
    QTest::newRow("no") << int(MessageDialog::Result::No) << QByteArray(Mailed) << QStringList {question};
}

void TestWizard::knownAddress()
{
    QFETCH(int, answer);
    QFETCH(QByteArray, reminderReply);
    QFETCH(QStringList, messages);
    m_fixture->answerScript("regist", 200, "このメールアドレスは既に登録済みです。");
    m_fixture->answerScript("reminder", 200, reminderReply.toStdString());
    m_fixture->answer = MessageDialog::Result(answer);
    toAccountPage(false);
    QTest::keyClicks(m_wizard->txtMail, QStringLiteral("known@example.jp"));
    QTest::mouseClick(m_wizard->btnNext, Qt::LeftButton);
    QStringList shown;
    for (const auto &message : m_fixture->messages)
        shown << message.text;
    QCOMPARE(shown, messages);
    QCOMPARE(m_wizard->FPage, 1);
    QVERIFY(m_wizard->Panel2->isVisible());
    QCOMPARE(m_wizard->txtMail->text(), QStringLiteral("known@example.jp"));
    const bool asked = MessageDialog::Result(answer) == MessageDialog::Result::Yes;
    QCOMPARE(
        m_fixture->accountRequests().last().startsWith(QStringLiteral("/_pelorin/reminder.php?m=known@example.jp")),
        asked);
}

void TestWizard::signUpFailureShownAsReply_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("shown");
    QTest::newRow("503") << 503 << QStringLiteral("503 ");
    QTest::newRow("no server") << 0 << QStringLiteral(" ");
    QTest::newRow("<OK> with a line break") << 200 << QStringLiteral("<OK>\r\n");
}

void TestWizard::signUpFailureShownAsReply()
{
    QFETCH(int, status);
    QFETCH(QString, shown);
    if (status == 0)
        m_fixture->stopAccountServer();
    else
        m_fixture->answerScript("regist", status, shown.toStdString());
    toAccountPage(false);
    QTest::keyClicks(m_wizard->txtMail, QStringLiteral("new@example.jp"));
    QTest::mouseClick(m_wizard->btnNext, Qt::LeftButton);
    QCOMPARE(m_fixture->messages.size(), 1);
    QCOMPARE(m_fixture->messages.first().type, MessageDialog::Type::Error);
    QCOMPARE(m_fixture->messages.first().text, shown);
    QCOMPARE(m_wizard->FPage, 1);
    QVERIFY(m_wizard->FNewAccount);
    QVERIFY(m_wizard->btnBack->isEnabled());
}

void TestWizard::failedSignInKeepsTheText()
{
    m_fixture->answerScript("auth", 200, Refused);
    toAccountPage(true);
    QTest::keyClicks(m_wizard->txtMail, QStringLiteral("taro@example.jp"));
    QTest::keyClicks(m_wizard->txtPass, QStringLiteral("wrong"));
    QTest::mouseClick(m_wizard->btnNext, Qt::LeftButton);
    QCOMPARE(m_wizard->FPage, 1);
    QCOMPARE(m_wizard->txtMail->text(), QStringLiteral("taro@example.jp"));
    QCOMPARE(m_wizard->txtPass->text(), QStringLiteral("wrong"));
    QVERIFY(m_wizard->btnBack->isEnabled());
    QVERIFY(m_wizard->btnNext->isEnabled());
    QVERIFY(m_wizard->lblMailAlert2->isVisible());
    QVERIFY(m_wizard->lblMailAlert2->text().startsWith(QStringLiteral("この情報で認証できませんでした。")));

    // A network failure: the sign-in's own message, and both buttons back.
    m_fixture->answerScript("auth", 500, "");
    QTest::mouseClick(m_wizard->btnNext, Qt::LeftButton);
    QCOMPARE(m_fixture->messages.size(), 1);
    QVERIFY(m_fixture->messages.first().text.endsWith(QStringLiteral("StatusCode=500")));
    QVERIFY(m_wizard->btnBack->isEnabled());
    QVERIFY(m_wizard->btnNext->isEnabled());
}

void TestWizard::backKeepsTheEdits()
{
    toAccountPage(true);
    QTest::keyClicks(m_wizard->txtMail, QStringLiteral("a@b.cd"));
    QTest::keyClicks(m_wizard->txtPass, QStringLiteral("secret"));
    QTest::mouseClick(m_wizard->btnBack, Qt::LeftButton);
    QCOMPARE(m_wizard->FPage, 0);
    QVERIFY(m_wizard->Panel1->isVisible());
    QVERIFY(!m_wizard->btnBack->isEnabled());
    QVERIFY(m_wizard->btnNext->isEnabled());
    toAccountPage(false);
    QCOMPARE(m_wizard->txtMail->text(), QStringLiteral("a@b.cd"));
    QCOMPARE(m_wizard->txtPass->text(), QStringLiteral("secret"));
    QVERIFY(!m_wizard->txtPass->isVisible());
}

void TestWizard::reissueLink()
{
    toAccountPage(true);
    m_wizard->lblReissueClick();
    QCOMPARE(m_fixture->messages.last().text, QStringLiteral("メールアドレスが入力されていません。"));
    QVERIFY(m_fixture->accountRequests().isEmpty());

    m_fixture->answerScript("reminder", 200, Mailed);
    m_wizard->txtMail->setText(QStringLiteral("not checked"));
    m_wizard->lblReissueClick();
    QCOMPARE(m_fixture->accountRequests().last(), QStringLiteral("/_pelorin/reminder.php?m=not+checked"));
    QCOMPARE(m_fixture->messages.last().type, MessageDialog::Type::Information);
    QCOMPARE(m_fixture->messages.last().text,
             QStringLiteral("パスワード再発行メールを送信しました。\r\n届いたパスワードを入力してください。"));
    QCOMPARE(m_wizard->FPage, 1);
}

void TestWizard::closingAsks()
{
    toAccountPage(false);
    m_fixture->answer = MessageDialog::Result::No;
    QVERIFY(!m_wizard->close());
    QVERIFY(m_wizard->isVisible());
    QTest::keyClick(m_wizard.get(), Qt::Key_Escape);
    QVERIFY(m_wizard->isVisible());
    QCOMPARE(m_fixture->messages.size(), 2);
    QCOMPARE(m_fixture->messages.first().type, MessageDialog::Type::Information);
    QVERIFY(m_fixture->messages.first().text.endsWith(QStringLiteral("本当に終了してもよろしいですか？")));
    QCOMPARE(m_wizard->FPage, 1);

    m_fixture->answer = MessageDialog::Result::Yes;
    QVERIFY(m_wizard->close());
    QVERIFY(m_main->gUserName.isEmpty());
}

QTEST_MAIN(TestWizard)
#include "TestWizard.moc"
