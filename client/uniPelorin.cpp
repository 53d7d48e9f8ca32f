#include "uniPelorin.h"

#include "AccountProtocol.h"
#include "Application.h"
#include "BrowserView.h"
#include "CredentialCipher.h"
#include "CredentialPages.h"
#include "FormEncoding.h"
#include "ImageButton.h"
#include "MessageDialog.h"
#include "Origins.h"
#include "SettingsNames.h"
#include "SettingsStore.h"
#include "SkinFrame.h"
#include "SplashScreen.h"
#include "platform/Platform.h"
#include "platform/VersionInfo.h"
#include "uniOption.h"
#include "uniStart.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>

TfrmPelorin *frmPelorin = nullptr;

namespace {

const QString AppTitle = QStringLiteral("FalvanePelorin クエンベルキット");
const QString DataFolderName = QStringLiteral("Pelorin Quenvel Kit/");
const QString ScriptMarker = QStringLiteral("OnGoPatMaker()");

// A status-bar panel: plain text, read out by assistive technology as it changes. Its
// text is its name (an accessible name of its own would hide the text), what it shows is
// its description.
QLabel *statusPanel(QWidget *parent, const char *objectName, int width, const QString &name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(objectName));
    label->setFixedWidth(width);
    label->setAccessibleDescription(name);
    label->setTextInteractionFlags(Qt::TextSelectableByKeyboard);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

} // namespace

TfrmPelorin::TfrmPelorin(QWidget *parent)
    : QWidget(parent)
{
    frmPelorin = this;
    setObjectName(QStringLiteral("TfrmPelorin"));
    setWindowTitle(AppTitle);
    setWindowIcon(QIcon(QStringLiteral(":/assets/app-icon.svg")));
    spDynamicSkinForm1 = SkinFrame::install(this, buildBody(), SkinFrame::Minimize | SkinFrame::Maximize);
    resize(DesignClientSize + QSize(2, 2 + spDynamicSkinForm1->height()));
}

TfrmPelorin::~TfrmPelorin()
{
    if (frmPelorin == this)
        frmPelorin = nullptr;
}

QWidget *TfrmPelorin::buildBody()
{
    auto *body = new QWidget(this);
    body->setObjectName(QStringLiteral("body"));
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildBanner());
    layout->addWidget(buildToolBar());

    web = new BrowserView(body);
    web->setObjectName(QStringLiteral("web")); // its right-click filter is in force from here on
    layout->addWidget(web, 1);
    connect(web, &BrowserView::beforeNavigate, this,
            guarded([this](const QString &url) { webNewBeforeNavigate2(url); }));
    connect(web, &BrowserView::documentComplete, this,
            guarded([this](const QString &url, bool isTop) { webNewDocumentComplete(url, isTop); }));
    connect(web, &BrowserView::commandStateChange, this,
            guarded([this](int command, bool enable) { webNewCommandStateChange(command, enable); }));
    connect(web, &BrowserView::progressChange, this,
            guarded([this](int progress, int progressMax) { webProgressChange(progress, progressMax); }));
    connect(web, &BrowserView::statusTextChange, this,
            guarded([this](const QString &text) { webStatusTextChange(text); }));

    layout->addWidget(buildStatusBar());

    // The keys a browser's users reach for, each doing what its toolbar button does.
    auto key = [this](QKeySequence sequence, auto handler) {
        auto *shortcut = new QShortcut(sequence, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, guarded(handler));
    };
    key(QKeySequence(Qt::Key_F5), [this] { btnReloadClick(); });
    key(QKeySequence(Qt::ALT | Qt::Key_Left), [this] {
        if (btnPrev->isEnabled())
            btnPrevClick();
    });
    key(QKeySequence(Qt::ALT | Qt::Key_Right), [this] {
        if (btnNext->isEnabled())
            btnNextClick();
    });
    key(QKeySequence(Qt::Key_Escape), [this] {
        if (btnStop->isEnabled())
            btnStopClick();
    });
    return body;
}

QWidget *TfrmPelorin::buildBanner()
{
    auto *Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setAttribute(Qt::WA_StyledBackground);
    Panel2->setFixedHeight(64);
    auto *layout = new QHBoxLayout(Panel2);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto picture = [Panel2](const char *file, QSize size, const QString &name) {
        auto *label = new QLabel(Panel2);
        label->setFixedSize(size);
        label->setPixmap(QIcon(QStringLiteral(":/assets/") + QLatin1String(file)).pixmap(size));
        label->setAccessibleName(name);
        return label;
    };
    layout->addWidget(picture("banner-left.svg", QSize(400, 64), AppTitle));
    // The right picture keeps to the right edge and gives way (cut at its left) when the
    // window is narrower than both; the banner's colour fills what lies between.
    QLabel *right = picture("banner-right.svg", QSize(512, 64), QStringLiteral("バナー"));
    right->setMinimumWidth(0);
    right->setMaximumWidth(QWIDGETSIZE_MAX);
    right->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    right->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(right, 1);
    return Panel2;
}

QWidget *TfrmPelorin::buildToolBar()
{
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("spSkinToolBar1"));
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setFixedHeight(44);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *Panel1 = new QLabel(bar);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedSize(147, 44);
    Panel1->setPixmap(QIcon(QStringLiteral(":/assets/toolbar-panel.svg")).pixmap(QSize(147, 44)));
    auto navButton = [Panel1](const char *base, int left, const QString &name) {
        auto *button = new ImageButton(QStringLiteral("nav-") + QLatin1String(base), QSize(31, 31), name, Panel1);
        button->move(left, 6);
        return button;
    };
    btnPrev = navButton("back", 3, QStringLiteral("戻る"));
    btnNext = navButton("forward", 38, QStringLiteral("進む"));
    btnStop = navButton("stop", 74, QStringLiteral("中止"));
    btnReload = navButton("reload", 110, QStringLiteral("再読み込み"));
    btnPrev->setEnabled(false);
    btnNext->setEnabled(false);
    layout->addWidget(Panel1);

    auto pageButton = [bar, layout](const char *base, const QString &name) {
        auto *button = new ImageButton(QStringLiteral("btn-") + QLatin1String(base), QSize(92, 44), name, bar, true);
        layout->addWidget(button);
        return button;
    };
    btnHome = pageButton("home", QStringLiteral("ホーム"));
    btnRace = pageButton("race", QStringLiteral("レース"));
    btnYoso = pageButton("yoso", QStringLiteral("予想"));
    btnTohyo = pageButton("tohyo", QStringLiteral("投票"));
    btnData = pageButton("data", QStringLiteral("データ"));
    btnSokuho = pageButton("sokuho", QStringLiteral("速報"));
    btnOption = pageButton("option", QStringLiteral("登録情報"));
    btnHelp = pageButton("help", QStringLiteral("ヘルプ"));
    layout->addStretch(1);

    connect(btnPrev, &QAbstractButton::clicked, this, guarded([this] { btnPrevClick(); }));
    connect(btnNext, &QAbstractButton::clicked, this, guarded([this] { btnNextClick(); }));
    connect(btnStop, &QAbstractButton::clicked, this, guarded([this] { btnStopClick(); }));
    connect(btnReload, &QAbstractButton::clicked, this, guarded([this] { btnReloadClick(); }));
    connect(btnHome, &QAbstractButton::clicked, this, guarded([this] { btnHomeClick(); }));
    connect(btnRace, &QAbstractButton::clicked, this, guarded([this] { btnRaceClick(); }));
    connect(btnYoso, &QAbstractButton::clicked, this, guarded([this] { btnYosoClick(); }));
    connect(btnData, &QAbstractButton::clicked, this, guarded([this] { btnDataClick(); }));
    connect(btnSokuho, &QAbstractButton::clicked, this, guarded([this] { btnSokuhoClick(); }));
    connect(btnOption, &QAbstractButton::clicked, this, guarded([this] { btnOptionClick(); }));

    // The two menu buttons open their menus on the press itself, at the button.
    spSkinPopupMenu2 = new QMenu(this);
    spSkinPopupMenu2->setObjectName(QStringLiteral("spSkinPopupMenu2"));
    popTohyoNormal
        = spSkinPopupMenu2->addAction(QIcon(QStringLiteral(":/assets/menu-vote.svg")), QStringLiteral("通常投票"));
    popTohyoWin5
        = spSkinPopupMenu2->addAction(QIcon(QStringLiteral(":/assets/menu-win5.svg")), QStringLiteral("WIN5投票"));
    connect(popTohyoNormal, &QAction::triggered, this, guarded([this] { popTohyoNormalClick(); }));
    connect(popTohyoWin5, &QAction::triggered, this, guarded([this] { popTohyoWin5Click(); }));
    spSkinPopupMenu1 = new QMenu(this);
    spSkinPopupMenu1->setObjectName(QStringLiteral("spSkinPopupMenu1"));
    popHelp
        = spSkinPopupMenu1->addAction(QIcon(QStringLiteral(":/assets/menu-help.svg")), QStringLiteral("ヘルプを表示"));
    popAbount = spSkinPopupMenu1->addAction(QStringLiteral("バージョン情報"));
    connect(popHelp, &QAction::triggered, this, guarded([this] { popHelpClick(); }));
    connect(popAbount, &QAction::triggered, this, guarded([this] { popAbountClick(); }));
    connect(btnTohyo, &QAbstractButton::pressed, this, [this] { openMenuAt(spSkinPopupMenu2, btnTohyo); });
    connect(btnHelp, &QAbstractButton::pressed, this, [this] { openMenuAt(spSkinPopupMenu1, btnHelp); });
    return bar;
}

QWidget *TfrmPelorin::buildStatusBar()
{
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("spSkinStatusBar1"));
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setFixedHeight(21);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(2);
    sta0 = statusPanel(bar, "sta0", 289, QStringLiteral("ステータス"));
    bar1 = new QProgressBar(bar);
    bar1->setObjectName(QStringLiteral("bar1"));
    bar1->setFixedWidth(120);
    bar1->setRange(0, 100);
    bar1->setValue(0);
    bar1->setTextVisible(false);
    bar1->setAccessibleName(QStringLiteral("読み込みの進み具合"));
    sta1 = statusPanel(bar, "sta1", 200, QStringLiteral("ID"));
    sta2 = statusPanel(bar, "sta2", 120, QStringLiteral("所有ポイント"));
    layout->addWidget(sta0);
    layout->addWidget(bar1);
    layout->addWidget(sta1);
    layout->addWidget(sta2);
    layout->addStretch(1);
    return bar;
}

void TfrmPelorin::openMenuAt(QMenu *menu, QWidget *button)
{
    auto *imageButton = qobject_cast<QAbstractButton *>(button);
    menu->exec(button->mapToGlobal(QPoint(0, button->height())));
    if (imageButton)
        imageButton->setDown(false);
}

bool TfrmPelorin::FormCreate()
{
    try {
        // 1. The right-click filter is in force since the browser was made.
        // 2. The version, for the splash and the home page.
        const QString version = GetVersionValue(TVersionKey::FileVersion).trimmed();

        // 3. The splash, until this window shows or the user clicks it.
        AdvSmoothSplashScreen1 = new SplashScreen(this);
        AdvSmoothSplashScreen1->setAttribute(Qt::WA_QuitOnClose, false);
        AdvSmoothSplashScreen1->setVersionText(QStringLiteral("Version ") + version);
        connect(AdvSmoothSplashScreen1, &SplashScreen::clicked, this, [this] { AdvSmoothSplashScreen1Click(); });
        AdvSmoothSplashScreen1->closeWhenShown(this);
        AdvSmoothSplashScreen1->showSplash();

        // 4.
        FAuthenticated = false;
        FPoint = 0;
        gUserName.clear();
        gPass.clear();

        // 5. The data folder.
        QString folder = Platform::applicationDataFolder();
        if (!folder.endsWith(QLatin1Char('/')))
            folder += QLatin1Char('/');
        FDataFolder = folder + DataFolderName;
        if (!QDir().mkpath(FDataFolder))
            MessageDialog::show(nullptr, MessageDialog::Type::Error,
                                QStringLiteral("データフォルダの作成に失敗しました。"));

        // 6. The stored settings, applied at once.
        readSettings();

        // 7. No account yet: the first-run wizard asks for one.
        if (gUserName.isEmpty() || gPass.isEmpty()) {
            AdvSmoothSplashScreen1->hideSplash();
            TfrmStart wizard(this);
            frmStart = &wizard;
            wizard.exec();
        }

        // 8. Log in and open the home page; 9. without an account the program ends.
        if (gUserName.isEmpty() || gPass.isEmpty())
            return false;
        Authenticate(gUserName, gPass);
        if (FAuthenticated) {
            sta1->setText(QStringLiteral("ID: ") + gUserName);
            sta2->setText(QStringLiteral("所有ポイント: ") + QString::number(FPoint) + QStringLiteral("P"));
            web->Navigate(Origins::get().site + QStringLiteral("/quenvel/index.php?m=") + EncodeFormValue(gUserName)
                          + QStringLiteral("&p=") + gPass + QStringLiteral("&v=") + version + QStringLiteral("&t=1"));
        } else {
            MessageDialog::show(this, MessageDialog::Type::Error,
                                QStringLiteral("【") + gUserName + QStringLiteral("】\r\n\r\n")
                                    + QStringLiteral("ユーザー認証できませんでした。\r\n")
                                    + QStringLiteral("登録情報で設定内容をご確認ください。\r\n"));
            web->Navigate(QStringLiteral("about:blank"));
        }
    } catch (const AppError &error) {
        // A step that fails ends the start-up there; the window opens as far as it got.
        Application::showError(error.message());
    }
    return true;
}

void TfrmPelorin::readSettings()
{
    using namespace SettingsNames;
    SettingsStore store(QString::fromLatin1(ClientSection));
    // The centred defaults use the designed size, since the stored size comes after.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int top = store.readInteger(Top, screen.height() / 2 - height() / 2);
    const int left = store.readInteger(Left, screen.width() / 2 - width() / 2);
    move(left, top);
    resize(store.readInteger(Width, DefaultWidth), store.readInteger(Height, DefaultHeight));
    gUserName = store.readString(UserName);
    gPass = store.readString(Pass);
    gII1 = store.readString(II1);
    gI1 = store.readString(I1);
    gR1 = store.readString(R1);
    gP1 = DecryptSetting(store.readString(P1), 1);
    gII2 = store.readString(II2);
    gI2 = store.readString(I2);
    gR2 = store.readString(R2);
    gP2 = DecryptSetting(store.readString(P2), 1);
    gPatMord = store.readInteger(PatMord, DefaultPatMord);
    if (gPatMord != 1 && gPatMord != 2)
        gPatMord = 1;
}

bool TfrmPelorin::writeSettings()
{
    using namespace SettingsNames;
    SettingsStore store(QString::fromLatin1(ClientSection));
    const QRect bounds = frameGeometry();
    store.writeInteger(Top, bounds.top());
    store.writeInteger(Left, bounds.left());
    store.writeInteger(Width, bounds.width());
    store.writeInteger(Height, bounds.height());
    store.writeString(UserName, gUserName);
    store.writeString(Pass, gPass);
    store.writeString(II1, gII1);
    store.writeString(I1, gI1);
    store.writeString(R1, gR1);
    store.writeString(P1, EncryptSetting(gP1, 1));
    store.writeString(II2, gII2);
    store.writeString(I2, gI2);
    store.writeString(R2, gR2);
    store.writeString(P2, EncryptSetting(gP2, 1));
    store.writeInteger(PatMord, gPatMord);
    if (store.commit())
        return true;
    MessageDialog::show(this, MessageDialog::Type::Error,
                        QStringLiteral("設定を保存できませんでした。\r\n\r\n")
                            + QDir::toNativeSeparators(store.location()));
    return false;
}

void TfrmPelorin::Authenticate(const QString &address, const QString &password)
{
    AccountProtocol::AuthState state {FAuthenticated, FPoint, FXmlElement};
    const QString message = AccountProtocol::authenticate(httpClient, address, password, state,
                                                          AccountProtocol::AuthReader::AccountAndPoints);
    FAuthenticated = state.authenticated;
    FPoint = state.point;
    FXmlElement = state.xmlElement;
    if (!message.isEmpty())
        MessageDialog::show(this, MessageDialog::Type::Error, message);
}

void TfrmPelorin::bringForward()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void TfrmPelorin::FormShow()
{
    raise();
    activateWindow();
}

void TfrmPelorin::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmPelorin::FormCloseQuery()
{
    writeSettings();
}

void TfrmPelorin::closeEvent(QCloseEvent *event)
{
    FormCloseQuery();
    if (AdvSmoothSplashScreen1)
        AdvSmoothSplashScreen1->hide();
    event->accept();
}

// ---- Toolbar -------------------------------------------------------------------

void TfrmPelorin::btnHomeClick()
{
    web->Navigate(Origins::get().site + QStringLiteral("/quenvel/index.php"));
}

void TfrmPelorin::btnRaceClick()
{
    web->Navigate(Origins::get().site + QStringLiteral("/quenvel/race.php"));
}

void TfrmPelorin::btnYosoClick()
{
    web->Navigate(Origins::get().site + QStringLiteral("/quenvel/iyosou.php"));
}

void TfrmPelorin::btnDataClick()
{
    web->Navigate(Origins::get().site + QStringLiteral("/quenvel/search.php"));
}

void TfrmPelorin::btnSokuhoClick()
{
    Platform::openUrlOutside(QUrl(Origins::get().guest + QStringLiteral("/vellguest/sokuhou/index.html")));
}

void TfrmPelorin::btnPrevClick()
{
    web->GoBack();
}

void TfrmPelorin::btnNextClick()
{
    web->GoForward();
}

void TfrmPelorin::btnStopClick()
{
    web->Stop();
}

void TfrmPelorin::btnReloadClick()
{
    try {
        web->Navigate(LastCompletedUrl);
    } catch (...) {
        // Reloading is best effort: nothing to say when there is nothing to reload.
    }
}

void TfrmPelorin::btnOptionClick()
{
    TfrmOption dialog(this);
    dialog.move(x() + width() / 2 - dialog.width() / 2, y() + height() / 2 - dialog.height() / 2);
    dialog.exec();
    // A password the server has taken is the account's password now, however the dialog
    // was left: the old one no longer logs in.
    if (!dialog.acceptedPassword().isEmpty())
        gPass = dialog.acceptedPassword();
}

// ---- Voting launcher and help menu ----------------------------------------------

void TfrmPelorin::openVotingPage(const QString &pagePrefix)
{
    const bool second = gPatMord == 2;
    const QString ii = second ? gII2 : gII1;
    const QString i = second ? gI2 : gI1;
    const QString r = second ? gR2 : gR1;
    const QString p = second ? gP2 : gP1;
    if (ii.isEmpty() || i.isEmpty() || r.isEmpty() || p.isEmpty()) {
        MessageDialog::show(this, MessageDialog::Type::Information,
                            QStringLiteral("IPAT加入者情報が正しく設定されていません\r\n"
                                           "[登録情報]ボタンから設定を行ってください。"));
        return;
    }
    Platform::openUrlOutside(QUrl(pagePrefix + EncodeCredential(ii) + QStringLiteral("&i=") + EncodeCredential(i)
                                  + QStringLiteral("&p=") + EncodeCredential(p) + QStringLiteral("&r=")
                                  + EncodeCredential(r)));
}

void TfrmPelorin::popTohyoNormalClick()
{
    openVotingPage(Origins::get().bet + QStringLiteral("/ipat/main.php?ii="));
}

void TfrmPelorin::popTohyoWin5Click()
{
    openVotingPage(Origins::get().bet + QStringLiteral("/ipat/win5.php?ii="));
}

void TfrmPelorin::popHelpClick()
{
    Platform::openUrlOutside(QUrl(Origins::get().site + QStringLiteral("/quenvel/help/top.php")));
}

void TfrmPelorin::popAbountClick()
{
    if (!AdvSmoothSplashScreen1)
        return;
    AdvSmoothSplashScreen1->closeWhenShown(this);
    AdvSmoothSplashScreen1->showSplash();
}

void TfrmPelorin::AdvSmoothSplashScreen1Click()
{
    AdvSmoothSplashScreen1->hideSplash();
}

void TfrmPelorin::webNewCommandStateChange(int command, bool enable)
{
    if (command == 1)
        btnNext->setEnabled(enable);
    else if (command == 2)
        btnPrev->setEnabled(enable);
}

void TfrmPelorin::webProgressChange(int progress, int progressMax)
{
    if (progress > 0) {
        bar1->setMaximum(progressMax);
        bar1->setValue(progress);
    } else {
        bar1->setValue(0);
    }
    bar1->repaint();
}

void TfrmPelorin::webStatusTextChange(const QString &text)
{
    sta0->setText(text);
}

// ---- Page handling --------------------------------------------------------------

void TfrmPelorin::webNewBeforeNavigate2(const QString &url)
{
    const bool pageScript = url.contains(ScriptMarker);
    btnStop->setEnabled(!pageScript);
    btnReload->setEnabled(pageScript);
}

void TfrmPelorin::webNewDocumentComplete(const QString &url, bool isTop)
{
    LastCompletedUrl = url;
    const bool second = gPatMord == 2;
    if (!web->hasDocument() || !web->isHtmlDocument())
        return;
    if (isTop && isCredentialPage(QUrl(url), Origins::get().site)) {
        web->fillHiddenInputs(url,
                              {
                                  {QStringLiteral("ii"), EncodeCredential(second ? gII2 : gII1)},
                                  {QStringLiteral("i"), EncodeCredential(second ? gI2 : gI1)},
                                  {QStringLiteral("r"), EncodeCredential(second ? gR2 : gR1)},
                                  {QStringLiteral("p"), EncodeCredential(second ? gP2 : gP1)},
                              });
    }
    btnStop->setEnabled(false);
    btnReload->setEnabled(true);
    web->focusPage();
}
