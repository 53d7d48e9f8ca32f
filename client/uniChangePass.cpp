#include "uniChangePass.h"

#include "AccountProtocol.h"
#include "Application.h"
#include "LatinEdit.h"
#include "MessageDialog.h"
#include "SkinFrame.h"
#include "uniOption.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmChangePass *frmChangePass = nullptr;

TfrmChangePass::TfrmChangePass(TfrmOption *settings)
    : QDialog(nullptr)
    , m_settings(settings)
{
    frmChangePass = this;
    setObjectName(QStringLiteral("TfrmChangePass"));
    setWindowTitle(QStringLiteral("パスワードの変更"));
    setModal(true);

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(DesignClientSize);
    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(16, 14, 16, 12);
    auto *grid = new QGridLayout;
    lblMail = new QLabel(QStringLiteral("現在のパスワード："), client);
    txtPass1 = makeLatinEdit(client, QStringLiteral("現在のパスワード"));
    Label1 = new QLabel(QStringLiteral("新しいパスワード："), client);
    txtPass2 = makeLatinEdit(client, QStringLiteral("新しいパスワード"));
    lblMail->setBuddy(txtPass1);
    Label1->setBuddy(txtPass2);
    Label2 = new QLabel(QStringLiteral("※4桁以上の数字で指定してください"), client);
    grid->addWidget(lblMail, 0, 0);
    grid->addWidget(txtPass1, 0, 1);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(txtPass2, 1, 1);
    Label2->setWordWrap(true);
    grid->addWidget(Label2, 2, 0, 1, 2, Qt::AlignRight);
    layout->addLayout(grid);
    layout->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnChange = new QPushButton(QStringLiteral("変更する(&O)"), client);
    btnCancel = new QPushButton(QStringLiteral("キャンセル(&C)"), client);
    btnChange->setEnabled(false);
    btnChange->setDefault(true);
    buttons->addWidget(btnChange);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);

    // The new password has the focus first.
    setTabOrder(txtPass2, btnChange);
    setTabOrder(btnChange, btnCancel);
    setTabOrder(btnCancel, txtPass1);
    txtPass2->setFocus();

    connect(txtPass1, &QLineEdit::textChanged, this, [this] { txtPass1Change(); });
    connect(txtPass2, &QLineEdit::textChanged, this, [this] { txtPass1Change(); });
    connect(btnChange, &QPushButton::clicked, this, guarded([this] { btnChangeClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    SkinFrame::install(this, client, {});
    adjustSize();
    setFixedSize(sizeHint());
}

TfrmChangePass::~TfrmChangePass()
{
    if (frmChangePass == this)
        frmChangePass = nullptr;
}

void TfrmChangePass::txtPass1Change()
{
    btnChange->setEnabled(txtPass1->text().size() >= 4 && txtPass2->text().size() >= 4);
}

void TfrmChangePass::btnChangeClick()
{
    const AccountProtocol::PasswordChange result
        = AccountProtocol::changePassword(httpClient, m_settings->txt1->text(), txtPass1->text(), txtPass2->text());
    if (result.changed) {
        m_settings->passwordChangedOnServer(txtPass2->text());
        accept();
        return;
    }
    if (!result.message.isEmpty())
        MessageDialog::show(this, MessageDialog::Type::Error, result.message);
}
