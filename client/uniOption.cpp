#include "uniOption.h"

#include "AccountProtocol.h"
#include "Application.h"
#include "BrowserView.h"
#include "FormEncoding.h"
#include "LatinEdit.h"
#include "MessageDialog.h"
#include "Origins.h"
#include "SkinFrame.h"
#include "uniChangePass.h"
#include "uniPelorin.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TfrmOption *frmOption = nullptr;

namespace {

QLabel *heading(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setProperty("role", QStringLiteral("heading"));
    return label;
}

} // namespace

TfrmOption::TfrmOption(TfrmPelorin *mainWindow)
    : QDialog(nullptr)
    , m_main(mainWindow)
{
    frmOption = this;
    setObjectName(QStringLiteral("TfrmOption"));
    setWindowTitle(QStringLiteral("FalvanePelorin クエンベルキット - 登録情報"));
    setModal(true);

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(DesignClientSize);
    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->setSpacing(6);

    auto *title = new QLabel(client);
    title->setFixedSize(DesignClientSize.width(), 50);
    title->setPixmap(QIcon(QStringLiteral(":/assets/option-title.svg")).pixmap(QSize(DesignClientSize.width(), 50)));
    title->setAccessibleName(QStringLiteral("登録情報"));
    layout->addWidget(title);

    auto *panel = new QWidget(client);
    auto *body = new QVBoxLayout(panel);
    body->setContentsMargins(16, 6, 16, 0);
    body->setSpacing(4);

    auto *lbl1 = heading(QStringLiteral("メールアドレス(ID)"), panel);
    txt1 = makeLatinEdit(panel, QStringLiteral("メールアドレス(ID)"));
    txt1->setEnabled(false);
    lbl1->setBuddy(txt1);
    body->addWidget(lbl1);
    body->addWidget(txt1);
    auto *lbl2 = heading(QStringLiteral("パスワード"), panel);
    txt2 = makeLatinEdit(panel, QStringLiteral("パスワード"));
    txt2->setEnabled(false);
    lbl2->setBuddy(txt2);
    btnChangePass = new QPushButton(QStringLiteral("パスワードの変更"), panel);
    auto *passRow = new QHBoxLayout;
    passRow->addWidget(txt2, 1);
    passRow->addWidget(btnChangePass);
    body->addWidget(lbl2);
    body->addLayout(passRow);
    body->addSpacing(8);

    body->addWidget(heading(QStringLiteral("IPAT加入者情報"), panel));
    auto *lblIpat = new QLabel(QStringLiteral("２種類の加入者情報を切り換えて利用することができます。"), panel);
    lblIpat->setWordWrap(true);
    body->addWidget(lblIpat);

    auto credentialSet = [panel](QRadioButton *radio, QLineEdit *&ii, QLineEdit *&i, QLineEdit *&p, QLineEdit *&r,
                                 const QString &set) {
        auto *column = new QVBoxLayout;
        column->addWidget(radio);
        auto *box = new QGroupBox(panel);
        box->setAccessibleName(set);
        auto *grid = new QGridLayout(box);
        ii = makeLatinEdit(box, set + QStringLiteral(" INET-ID"));
        i = makeLatinEdit(box, set + QStringLiteral(" 加入者番号"));
        p = makeLatinEdit(box, set + QStringLiteral(" 暗証番号"), true);
        r = makeLatinEdit(box, set + QStringLiteral(" P-ARS番号"));
        const std::pair<const char *, QLineEdit *> rows[]
            = {{"INET-ID：", ii}, {"加入者番号：", i}, {"暗証番号：", p}, {"P-ARS番号：", r}};
        int row = 0;
        for (const auto &[caption, edit] : rows) {
            auto *label = new QLabel(QString::fromUtf8(caption), box);
            label->setBuddy(edit);
            grid->addWidget(label, row * 2, 0);
            grid->addWidget(edit, row * 2 + 1, 0);
            ++row;
        }
        column->addWidget(box, 1);
        return column;
    };
    radPat1 = new QRadioButton(QStringLiteral("加入者情報１を使う"), panel);
    radPat2 = new QRadioButton(QStringLiteral("加入者情報２を使う"), panel);
    auto *sets = new QHBoxLayout;
    sets->addLayout(credentialSet(radPat1, txtII1, txtI1, txtP1, txtR1, QStringLiteral("加入者情報１")));
    sets->addLayout(credentialSet(radPat2, txtII2, txtI2, txtP2, txtR2, QStringLiteral("加入者情報２")));
    body->addLayout(sets, 1);
    layout->addWidget(panel, 1);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 16, 0);
    buttons->addStretch(1);
    btnCancel = new QPushButton(QStringLiteral("&OK"), client);
    btnCancel->setDefault(true);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);

    for (QLineEdit *edit : {txtII1, txtI1, txtP1, txtR1, txtII2, txtI2, txtP2, txtR2})
        connect(edit, &QLineEdit::textChanged, this, [this] { txtII1Change(); });
    connect(btnChangePass, &QPushButton::clicked, this, guarded([this] { btnChangePassClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, guarded([this] { btnCancelClick(); }));

    SkinFrame::install(this, client, {});
    adjustSize();
    setFixedSize(sizeHint());
    FormCreate();
}

TfrmOption::~TfrmOption()
{
    if (frmOption == this)
        frmOption = nullptr;
}

void TfrmOption::FormCreate()
{
    FXmlElement.clear();
    txt1->setText(m_main->gUserName);
    txt2->setText(m_main->gPass);
    txtII1->setText(m_main->gII1);
    txtI1->setText(m_main->gI1);
    txtP1->setText(m_main->gP1);
    txtR1->setText(m_main->gR1);
    txtII2->setText(m_main->gII2);
    txtI2->setText(m_main->gI2);
    txtP2->setText(m_main->gP2);
    txtR2->setText(m_main->gR2);
    radPat2->setChecked(m_main->gPatMord == 2);
    radPat1->setChecked(m_main->gPatMord != 2);
    // Last: filling the edits went through their change handler.
    FChanged = false;
}

void TfrmOption::txtII1Change()
{
    FChanged = true;
}

void TfrmOption::passwordChangedOnServer(const QString &password)
{
    m_acceptedPassword = password;
    txt2->setText(password);
}

void TfrmOption::btnChangePassClick()
{
    TfrmChangePass dialog(this);
    dialog.move(x() + width() / 2 - dialog.width() / 2, y() + height() / 2 - dialog.height() / 2);
    dialog.txtPass1->setText(txt2->text());
    dialog.exec();
}

void TfrmOption::Authenticate(const QString &address, const QString &password)
{
    AccountProtocol::AuthState state {FAuthenticated, 0, FXmlElement};
    const QString message
        = AccountProtocol::authenticate(httpClient, address, password, state, AccountProtocol::AuthReader::AccountOnly);
    FAuthenticated = state.authenticated;
    FXmlElement = state.xmlElement;
    if (!message.isEmpty())
        MessageDialog::show(this, MessageDialog::Type::Error, message);
}

void TfrmOption::btnCancelClick()
{
    // 1-2. The account, checked again only when its password was changed.
    if (txt1->text() != m_main->gUserName || txt2->text() != m_main->gPass) {
        FAuthenticated = false;
        Authenticate(txt1->text(), txt2->text());
        if (FAuthenticated) {
            m_main->gUserName = txt1->text();
            m_main->gPass = txt2->text();
            m_main->web->Navigate(Origins::get().site + QStringLiteral("/quenvel/index.php?m=")
                                  + EncodeFormValue(txt1->text()) + QStringLiteral("&p=") + txt2->text());
        } else {
            MessageDialog::show(
                this, MessageDialog::Type::Error,
                QStringLiteral("ご指定のIDとパスワードでは認証できません。\r\n設定をご確認ください。\r\n"));
        }
    }
    // 3-5. The credential sets and the set in use.
    if ((m_main->gPatMord == 1 && radPat2->isChecked()) || (m_main->gPatMord == 2 && radPat1->isChecked()))
        FChanged = true;
    m_main->gII1 = txtII1->text();
    m_main->gI1 = txtI1->text();
    m_main->gP1 = txtP1->text();
    m_main->gR1 = txtR1->text();
    m_main->gII2 = txtII2->text();
    m_main->gI2 = txtI2->text();
    m_main->gP2 = txtP2->text();
    m_main->gR2 = txtR2->text();
    m_main->gPatMord = radPat2->isChecked() ? 2 : 1;
    // 6. The page on show is loaded again, filled with the set now in use.
    if (FChanged)
        m_main->btnReloadClick();
    // 7.
    accept();
}
