#pragma once

#include "HttpClient.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TfrmOption;

// Changes the account's password on the server, from the settings dialog.
class TfrmChangePass : public QDialog
{
    Q_OBJECT

public:
    static constexpr QSize DesignClientSize {323, 164};

    explicit TfrmChangePass(TfrmOption *settings);
    ~TfrmChangePass() override;

    void txtPass1Change();
    void btnChangeClick();

    QLabel *lblMail;
    QLineEdit *txtPass1; // current password
    QLabel *Label1;
    QLineEdit *txtPass2; // new password
    QLabel *Label2;
    QPushButton *btnChange;
    QPushButton *btnCancel;
    HttpClient httpClient;

private:
    TfrmOption *m_settings;
};

// The change-password dialog while it is open.
extern TfrmChangePass *frmChangePass;
