#pragma once

#include "HttpClient.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;
class TfrmPelorin;

// The first-run wizard: signs in an account made earlier, or creates one (the server
// mails its password), and hands address and password to the main window. It stores
// nothing itself; the main window does, when it closes.
class TfrmStart : public QDialog
{
    Q_OBJECT

public:
    static constexpr QSize DesignClientSize {553, 310};

    explicit TfrmStart(TfrmPelorin *mainWindow);
    ~TfrmStart() override;

    void FormCreate();
    // Both buttons: Next steps forward, Back steps back.
    void btnNextClick(QObject *sender);
    void txtMailChange();
    void lblReissueClick();
    // True when the wizard may close.
    bool FormCloseQuery();

    static bool CheckMailAddress(const QString &text);
    static bool IsMailChars(const QByteArray &text);

    QString SendSignUp(const QString &address, bool wantsNotices);
    QString SendReminder(const QString &address);

    int FPage = 0;
    bool FNewAccount = false;

    QWidget *Panel1; // question page
    QLabel *Label1;
    QLabel *Label2;
    QRadioButton *rad1_yes;
    QRadioButton *rad1_no;
    QWidget *Panel2; // account page
    QLabel *lbl2;
    QLabel *lblMail;
    QLineEdit *txtMail;
    QLabel *lblPass;
    QLineEdit *txtPass;
    QCheckBox *chkOshirase;
    QLabel *lblReissue;
    QLabel *lblMailAlert;
    QLabel *lblMailAlert2;
    QWidget *Panel4; // done page
    QLabel *Label7;
    QLabel *Label4;
    QLabel *Label9;
    QLabel *lblResultMail;
    QLabel *Label6;
    QLabel *lblResultPass;
    QPushButton *btnBack;
    QPushButton *btnNext;
    HttpClient httpClient;

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showOnly(QWidget *page);
    void showStatus(const QString &text);

    TfrmPelorin *m_main;
    bool m_closeApproved = false;
};

// The wizard while it is open.
extern TfrmStart *frmStart;
