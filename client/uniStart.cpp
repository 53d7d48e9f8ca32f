#include "uniStart.h"

#include "AccountProtocol.h"
#include "Application.h"
#include "Cp932.h"
#include "LatinEdit.h"
#include "MessageDialog.h"
#include "SkinFrame.h"
#include "uniPelorin.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

TfrmStart *frmStart = nullptr;

namespace {

QLabel *wrappedLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

TfrmStart::TfrmStart(TfrmPelorin *mainWindow)
    : QDialog(nullptr)
    , m_main(mainWindow)
{
    setObjectName(QStringLiteral("TfrmStart"));
    setWindowTitle(QStringLiteral("FalvanePelorinクエンベルキットの初期設定"));
    setModal(true);

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(DesignClientSize);
    auto *clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 10);
    clientLayout->setSpacing(0);

    auto *title = new QLabel(client);
    title->setFixedSize(DesignClientSize.width(), 50);
    title->setPixmap(QIcon(QStringLiteral(":/assets/wizard-title.svg")).pixmap(QSize(DesignClientSize.width(), 50)));
    title->setAccessibleName(QStringLiteral("初期設定"));
    clientLayout->addWidget(title);

    auto *pages = new QWidget(client);
    auto *pagesLayout = new QVBoxLayout(pages);
    pagesLayout->setContentsMargins(24, 16, 24, 8);

    // Question page.
    Panel1 = new QWidget(pages);
    auto *p1 = new QVBoxLayout(Panel1);
    p1->setContentsMargins(0, 0, 0, 0);
    Label1 = new QLabel(QStringLiteral("FalvanePelorinクエンベルキットの初期設定を開始します"), Panel1);
    Label1->setProperty("role", QStringLiteral("heading"));
    Label2 = wrappedLabel(QStringLiteral("FalvanePelorinに登録済みのメールアドレスはありますか？"), Panel1);
    rad1_yes
        = new QRadioButton(QStringLiteral("はい。以前にFalvanePelorinに登録したメールアドレスを持っています"), Panel1);
    rad1_no = new QRadioButton(QStringLiteral("いいえ。今回はじめてFalvanePelorinを利用します"), Panel1);
    rad1_no->setChecked(true);
    p1->addWidget(Label1);
    p1->addSpacing(12);
    p1->addWidget(Label2);
    p1->addSpacing(8);
    p1->addWidget(rad1_yes);
    p1->addWidget(rad1_no);
    p1->addStretch(1);

    // Account page.
    Panel2 = new QWidget(pages);
    auto *p2 = new QVBoxLayout(Panel2);
    p2->setContentsMargins(0, 0, 0, 0);
    lbl2 = wrappedLabel(QString(), Panel2);
    p2->addWidget(lbl2);
    p2->addSpacing(10);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    lblMail = new QLabel(QStringLiteral("メールアドレス："), Panel2);
    txtMail = makeLatinEdit(Panel2, QStringLiteral("メールアドレス"));
    lblMail->setBuddy(txtMail);
    lblPass = new QLabel(QStringLiteral("パスワード："), Panel2);
    txtPass = makeLatinEdit(Panel2, QStringLiteral("パスワード"));
    lblPass->setBuddy(txtPass);
    chkOshirase = new QCheckBox(QStringLiteral("Falvaneからお知らせを受け取る"), Panel2);
    chkOshirase->setChecked(true);
    chkOshirase->hide();
    lblReissue = new QLabel(QStringLiteral("<a href=\"#\">パスワードの再発行</a>"), Panel2);
    lblReissue->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    lblReissue->setAccessibleName(QStringLiteral("パスワードの再発行"));
    connect(lblReissue, &QLabel::linkActivated, this, guarded([this] { lblReissueClick(); }));
    grid->addWidget(lblMail, 0, 0);
    grid->addWidget(txtMail, 0, 1, 1, 2);
    grid->addWidget(lblPass, 1, 0);
    grid->addWidget(txtPass, 1, 1);
    grid->addWidget(chkOshirase, 1, 1);
    grid->addWidget(lblReissue, 1, 2);
    grid->setColumnStretch(1, 1);
    p2->addLayout(grid);
    p2->addSpacing(10);
    lblMailAlert = wrappedLabel(QStringLiteral("すぐにこのアドレス宛へパスワードが発行されますので、"
                                               "必ず連絡がつくメールアドレスを指定してください。"),
                                Panel2);
    lblMailAlert->hide();
    lblMailAlert2 = wrappedLabel(QString(), Panel2);
    lblMailAlert2->setObjectName(QStringLiteral("statusLine"));
    lblMailAlert2->hide();
    p2->addWidget(lblMailAlert);
    p2->addWidget(lblMailAlert2);
    p2->addStretch(1);

    // Done page.
    Panel4 = new QWidget(pages);
    auto *p4 = new QVBoxLayout(Panel4);
    p4->setContentsMargins(0, 0, 0, 0);
    Label7 = new QLabel(QStringLiteral("設定が完了しました"), Panel4);
    Label7->setProperty("role", QStringLiteral("heading"));
    Label4 = wrappedLabel(QStringLiteral("お客様の登録情報は下記となります。この情報はメニューの[登録情報]ボタンから"
                                         "いつでも参照することができます。[完了]ボタンを押してください。"),
                          Panel4);
    auto *result = new QGridLayout;
    Label9 = new QLabel(QStringLiteral("メールアドレス(ID)："), Panel4);
    lblResultMail = new QLabel(Panel4);
    Label6 = new QLabel(QStringLiteral("パスワード："), Panel4);
    lblResultPass = new QLabel(Panel4);
    for (QLabel *value : {lblResultMail, lblResultPass})
        value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    result->addWidget(Label9, 0, 0);
    result->addWidget(lblResultMail, 0, 1);
    result->addWidget(Label6, 1, 0);
    result->addWidget(lblResultPass, 1, 1);
    result->setColumnStretch(1, 1);
    p4->addWidget(Label7);
    p4->addSpacing(12);
    p4->addWidget(Label4);
    p4->addSpacing(12);
    p4->addLayout(result);
    p4->addStretch(1);

    for (QWidget *page : {Panel1, Panel2, Panel4})
        pagesLayout->addWidget(page);
    clientLayout->addWidget(pages, 1);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 16, 0);
    buttons->addStretch(1);
    btnBack = new QPushButton(QStringLiteral("< 戻る (&B)"), client);
    btnNext = new QPushButton(QStringLiteral("次へ > (&N)"), client);
    btnBack->setEnabled(false);
    btnNext->setDefault(true);
    btnNext->setAutoDefault(true);
    btnBack->setAutoDefault(false);
    buttons->addWidget(btnBack);
    buttons->addWidget(btnNext);
    clientLayout->addLayout(buttons);

    connect(btnBack, &QPushButton::clicked, this, guarded([this] { btnNextClick(btnBack); }));
    connect(btnNext, &QPushButton::clicked, this, guarded([this] { btnNextClick(btnNext); }));
    connect(txtMail, &QLineEdit::textChanged, this, [this] { txtMailChange(); });
    connect(txtPass, &QLineEdit::textChanged, this, [this] { txtMailChange(); });

    SkinFrame::install(this, client, {});
    adjustSize();
    setFixedSize(sizeHint());
    move(QGuiApplication::primaryScreen()->geometry().center() - QPoint(width() / 2, height() / 2));
    FormCreate();
}

TfrmStart::~TfrmStart()
{
    if (frmStart == this)
        frmStart = nullptr;
}

void TfrmStart::FormCreate()
{
    FPage = 0;
    FNewAccount = false;
    showOnly(Panel1);
}

void TfrmStart::showOnly(QWidget *page)
{
    for (QWidget *each : {Panel1, Panel2, Panel4})
        each->setVisible(each == page);
}

void TfrmStart::showStatus(const QString &text)
{
    lblMailAlert2->setText(text);
    lblMailAlert2->show();
}

bool TfrmStart::IsMailChars(const QByteArray &text)
{
    for (const char c : text) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'
            || c == '.' || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

bool TfrmStart::CheckMailAddress(const QString &text)
{
    // Lengths and positions are those of the code page's bytes.
    const QByteArray bytes = Cp932::fromUnicode(text);
    const qsizetype at = bytes.indexOf('@');
    if (at < 0 || bytes.contains(".."))
        return false;
    const QByteArray local = bytes.left(at);
    const QByteArray domain = bytes.mid(at + 1);
    if (local.isEmpty() || domain.size() < 4)
        return false;
    const qsizetype dot = domain.indexOf('.');
    if (dot < 1 || domain.size() - dot - 1 < 2)
        return false;
    return IsMailChars(local) && IsMailChars(domain);
}

void TfrmStart::txtMailChange()
{
    const bool address = CheckMailAddress(txtMail->text());
    if (FNewAccount)
        btnNext->setEnabled(address);
    else
        btnNext->setEnabled(address && Cp932::fromUnicode(txtPass->text()).size() >= 4);
}

QString TfrmStart::SendSignUp(const QString &address, bool wantsNotices)
{
    return AccountProtocol::sendSignUp(httpClient, address, wantsNotices);
}

QString TfrmStart::SendReminder(const QString &address)
{
    return AccountProtocol::sendReminder(httpClient, address);
}

void TfrmStart::btnNextClick(QObject *sender)
{
    FPage += sender == btnNext ? 1 : -1;
    switch (FPage) {
    case 0:
        showOnly(Panel1);
        btnBack->setEnabled(false);
        btnNext->setEnabled(true);
        break;
    case 1:
        if (rad1_yes->isChecked()) {
            FNewAccount = false;
            lbl2->setText(QStringLiteral("FalvanePelorinに登録済みのメールアドレスとパスワードを入力し、"
                                         "[次へ]ボタンを押してください。"));
            lblPass->show();
            txtPass->show();
            lblReissue->show();
            lblMailAlert->hide();
            chkOshirase->hide();
        } else {
            FNewAccount = true;
            lbl2->setText(QStringLiteral("FalvanePelorinの登録に使用するメールアドレスを入力して"
                                         "[次へ]ボタンを押してください。"));
            lblPass->hide();
            txtPass->hide();
            lblReissue->hide();
            lblMailAlert->show();
            chkOshirase->show();
        }
        showOnly(Panel2);
        btnBack->setEnabled(true);
        btnNext->setEnabled(false);
        lblMailAlert2->hide();
        txtMail->setFocus();
        txtMailChange();
        break;
    case 2:
        lblMailAlert2->hide();
        if (FNewAccount) {
            FPage = 1;
            const QString reply = SendSignUp(txtMail->text(), chkOshirase->isChecked());
            switch (AccountProtocol::signUpOutcome(reply)) {
            case AccountProtocol::SignUpOutcome::Created:
                btnBack->setEnabled(false);
                btnNext->setEnabled(false);
                lblMailAlert->hide();
                chkOshirase->hide();
                lblPass->show();
                txtPass->show();
                txtPass->setFocus();
                showStatus(
                    QStringLiteral("パスワードを記載したメールを送信しました。"
                                   "メールに記載されている6桁の数字を上の欄に記入して[次へ]ボタンを押してください"));
                FNewAccount = false;
                txtMailChange();
                break;
            case AccountProtocol::SignUpOutcome::AlreadyRegistered:
                if (MessageDialog::show(
                        this, MessageDialog::Type::Confirmation,
                        QStringLiteral("このメールアドレスは既に登録済みです。パスワードをお忘れの場合、"
                                       "再発行が可能です。\r\n\r\nパスワードの再発行をご希望ですか？"),
                        MessageDialog::Buttons::YesNo)
                    == MessageDialog::Result::Yes) {
                    const QString sent = SendReminder(txtMail->text());
                    if (AccountProtocol::reminderSent(sent))
                        MessageDialog::show(this, MessageDialog::Type::Information,
                                            QStringLiteral("パスワード再発行メールを送信しました。\r\n"
                                                           "最初に戻り初期設定をやり直してください。"));
                    else
                        MessageDialog::show(this, MessageDialog::Type::Error, sent);
                }
                break;
            case AccountProtocol::SignUpOutcome::Failed:
                MessageDialog::show(this, MessageDialog::Type::Error, reply);
                break;
            }
        } else {
            btnBack->setEnabled(false);
            btnNext->setEnabled(false);
            {
                // Back and Next come back whatever the sign-in ends in.
                auto enableAgain = qScopeGuard([this] {
                    btnBack->setEnabled(true);
                    btnNext->setEnabled(true);
                });
                m_main->Authenticate(txtMail->text(), txtPass->text());
            }
            if (m_main->FAuthenticated) {
                FPage = 2;
                btnNextClick(btnNext); // on to the done page, as Next would
            } else {
                FPage = 1;
                showStatus(QStringLiteral("この情報で認証できませんでした。正しいメールアドレスとパスワードを入力し、"
                                          "再度[次へ]ボタンを押してください。"));
            }
        }
        break;
    case 3:
        btnBack->hide();
        btnNext->show();
        btnNext->setText(QStringLiteral("完了 (&N)"));
        showOnly(Panel4);
        lblResultMail->setText(txtMail->text());
        lblResultPass->setText(txtPass->text());
        btnNext->setFocus();
        break;
    case 4:
        m_main->gUserName = txtMail->text();
        m_main->gPass = txtPass->text();
        close();
        break;
    default:
        break;
    }
}

void TfrmStart::lblReissueClick()
{
    if (txtMail->text().isEmpty()) {
        MessageDialog::show(this, MessageDialog::Type::Error, QStringLiteral("メールアドレスが入力されていません。"));
        return;
    }
    const QString reply = SendReminder(txtMail->text());
    if (AccountProtocol::reminderSent(reply))
        MessageDialog::show(
            this, MessageDialog::Type::Information,
            QStringLiteral("パスワード再発行メールを送信しました。\r\n届いたパスワードを入力してください。"));
    else
        MessageDialog::show(this, MessageDialog::Type::Error, reply);
}

bool TfrmStart::FormCloseQuery()
{
    if (!m_main->gUserName.isEmpty() && !m_main->gPass.isEmpty())
        return true;
    return MessageDialog::show(this, MessageDialog::Type::Information,
                               QStringLiteral("まだメールアドレスとパスワードの設定が完了していません。"
                                              "FalvanePelorinクエンベルキットを使用するには、この設定を完了する"
                                              "必要があります。\r\n\r\n本当に終了してもよろしいですか？"),
                               MessageDialog::Buttons::YesNo)
        == MessageDialog::Result::Yes;
}

void TfrmStart::closeEvent(QCloseEvent *event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    m_closeApproved = true;
    QDialog::closeEvent(event);
    m_closeApproved = false;
}

void TfrmStart::reject()
{
    // Esc asks the same question as the frame's close button.
    if (m_closeApproved || FormCloseQuery())
        QDialog::reject();
}
