#pragma once

#include "HttpClient.h"

#include <QString>
#include <QWidget>

class BrowserView;
class ImageButton;
class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class SkinFrame;
class SplashScreen;

// The client's main window: a skinned frame around the embedded browser, with the
// banner, the toolbar and the status bar. It owns the member's state for the whole run:
// read from the settings store once at creation, written back once at close.
class TfrmPelorin : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize DesignClientSize {910, 722};

    explicit TfrmPelorin(QWidget *parent = nullptr);
    ~TfrmPelorin() override;

    // The whole start-up. False when the program is to end at once (no account after
    // the first-run wizard): nothing has been stored then.
    bool FormCreate();

    // Brings the window forward, restoring it when minimized (a second start asks this).
    void bringForward();

    void Authenticate(const QString &address, const QString &password);

    // The member's state, read and written by the wizard and the dialogs.
    QString gUserName;
    QString gPass;
    QString gII1, gI1, gR1, gP1;
    QString gII2, gI2, gR2, gP2;
    int gPatMord = 1;
    bool FAuthenticated = false;
    int FPoint = 0;
    QString FXmlElement;
    QString FDataFolder;
    QString LastCompletedUrl;

    // Components, named as the window's design names them.
    BrowserView *web = nullptr;
    ImageButton *btnPrev = nullptr;
    ImageButton *btnNext = nullptr;
    ImageButton *btnStop = nullptr;
    ImageButton *btnReload = nullptr;
    ImageButton *btnHome = nullptr;
    ImageButton *btnRace = nullptr;
    ImageButton *btnYoso = nullptr;
    ImageButton *btnTohyo = nullptr;
    ImageButton *btnData = nullptr;
    ImageButton *btnSokuho = nullptr;
    ImageButton *btnOption = nullptr;
    ImageButton *btnHelp = nullptr;
    QLabel *sta0 = nullptr;
    QProgressBar *bar1 = nullptr;
    QLabel *sta1 = nullptr;
    QLabel *sta2 = nullptr;
    QMenu *spSkinPopupMenu1 = nullptr; // help
    QAction *popHelp = nullptr;
    QAction *popAbount = nullptr;
    QMenu *spSkinPopupMenu2 = nullptr; // voting
    QAction *popTohyoNormal = nullptr;
    QAction *popTohyoWin5 = nullptr;
    SplashScreen *AdvSmoothSplashScreen1 = nullptr;
    SkinFrame *spDynamicSkinForm1 = nullptr;
    HttpClient httpClient;

    // Handlers.
    void FormShow();
    void FormCloseQuery();
    void btnHomeClick();
    void btnRaceClick();
    void btnYosoClick();
    void btnDataClick();
    void btnSokuhoClick();
    void btnPrevClick();
    void btnNextClick();
    void btnStopClick();
    void btnReloadClick();
    void btnOptionClick();
    void webNewBeforeNavigate2(const QString &url);
    void webNewDocumentComplete(const QString &url, bool isTop);
    void webNewCommandStateChange(int command, bool enable);
    void webProgressChange(int progress, int progressMax);
    void webStatusTextChange(const QString &text);
    void popTohyoNormalClick();
    void popTohyoWin5Click();
    void popHelpClick();
    void popAbountClick();
    void AdvSmoothSplashScreen1Click();

    // The settings' write pass; false (after telling the user) when the store failed.
    bool writeSettings();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *buildBody();
    QWidget *buildBanner();
    QWidget *buildToolBar();
    QWidget *buildStatusBar();
    void readSettings();
    void openMenuAt(QMenu *menu, QWidget *button);
    void openVotingPage(const QString &pagePrefix);
};

// The main window while the program runs (as the design's global of the same name).
extern TfrmPelorin *frmPelorin;
