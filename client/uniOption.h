#pragma once

#include "HttpClient.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TfrmPelorin;

// The account settings dialog: the account (its password changed through its own
// dialog) and the two IPAT credential sets with the one in use. Edits reach the main
// window only through OK; a password the server has accepted reaches it in any case.
class TfrmOption : public QDialog
{
    Q_OBJECT

public:
    static constexpr QSize DesignClientSize {449, 565};

    explicit TfrmOption(TfrmPelorin *mainWindow);
    ~TfrmOption() override;

    void FormCreate();
    void txtII1Change();
    void btnChangePassClick();
    void btnCancelClick();
    void Authenticate(const QString &address, const QString &password);

    // From the change-password dialog: the server took this password. It shows in txt2
    // and is the account's password from now on, whichever way this dialog closes.
    void passwordChangedOnServer(const QString &password);
    const QString &acceptedPassword() const { return m_acceptedPassword; }

    bool FAuthenticated = false;
    QString FXmlElement;
    bool FChanged = false;

    QLineEdit *txt1;
    QLineEdit *txt2;
    QPushButton *btnChangePass;
    QRadioButton *radPat1;
    QRadioButton *radPat2;
    QLineEdit *txtII1, *txtI1, *txtP1, *txtR1;
    QLineEdit *txtII2, *txtI2, *txtP2, *txtR2;
    QPushButton *btnCancel; // captioned "&OK": the dialog's only button
    HttpClient httpClient;

private:
    TfrmPelorin *m_main;
    QString m_acceptedPassword;
};

// The settings dialog while it exists.
extern TfrmOption *frmOption;
