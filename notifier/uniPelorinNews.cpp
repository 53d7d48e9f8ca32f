#include "uniPelorinNews.h"

#include "AlertWindow.h"
#include "Cp932.h"
#include "HttpClient.h"
#include "Origins.h"
#include "Pictures.h"
#include "SettingsNames.h"
#include "SettingsStore.h"
#include "platform/Platform.h"
#include "platform/StartupShortcut.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>

TfrmPelorinNews *frmPelorinNews = nullptr;

namespace {

const QString AppTitle = QStringLiteral("FalvanePelorin");
const QString LogPath = QStringLiteral("/pelorin/sql/sql_log.txt");
constexpr int StampLength = 19; // "2011/07/22 09:00:00"
constexpr int DateLength = 10; // "2011/07/22"

std::chrono::milliseconds g_firstPollInterval {TfrmPelorinNews::FirstPollInterval};
std::chrono::milliseconds g_pollInterval {TfrmPelorinNews::PollInterval};

// The log's last line, as bytes. The text ends at its first NUL; lines end in CR LF, CR
// or LF, and a break at the very end starts no further line. False when the body holds
// no line at all.
bool lastLogLine(const QByteArray &body, QByteArray *line)
{
    const qsizetype nul = body.indexOf('\0');
    QByteArray text = nul < 0 ? body : body.left(nul);
    if (text.isEmpty())
        return false;
    if (text.endsWith("\r\n"))
        text.chop(2);
    else if (text.endsWith('\r') || text.endsWith('\n'))
        text.chop(1);
    const qsizetype lastBreak = std::max(text.lastIndexOf('\r'), text.lastIndexOf('\n'));
    *line = text.mid(lastBreak + 1);
    return true;
}

// Message font of the alert: Tahoma at 12 pixels where it is installed, otherwise the
// nearest sans-serif face (the Japanese text falls back to a face that has it).
QFont alertFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(12);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace

TfrmPelorinNews::TfrmPelorinNews(QWidget *parent)
    : QWidget(parent)
{
    frmPelorinNews = this;
    setWindowTitle(AppTitle);

    pop = new QMenu(this);
    popAutoClose = pop->addAction(QStringLiteral("自動的にメッセージを閉じる"));
    popAutoClose->setObjectName(QStringLiteral("popAutoClose"));
    popAutoClose->setCheckable(true);
    popAutoClose->setChecked(true);
    // Present, checked and stored, but never shown: nothing in the menu reaches it.
    popAutoLaunch = pop->addAction(QStringLiteral("常駐する"));
    popAutoLaunch->setObjectName(QStringLiteral("popAutoLaunch"));
    popAutoLaunch->setCheckable(true);
    popAutoLaunch->setChecked(true);
    popAutoLaunch->setVisible(false);
    N1 = pop->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    popClose = pop->addAction(QStringLiteral("終了(&C)"));
    popClose->setObjectName(QStringLiteral("popClose"));
    // A checkable item has toggled itself by the time its handler runs.
    connect(popAutoClose, &QAction::triggered, this, &TfrmPelorinNews::popAutoCloseClick);
    connect(popAutoLaunch, &QAction::triggered, this, &TfrmPelorinNews::popAutoLaunchClick);
    connect(popClose, &QAction::triggered, this, &TfrmPelorinNews::popCloseClick);

    TrayIcon1 = new QSystemTrayIcon(this);
    TrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    TrayIcon1->setContextMenu(pop);
    TrayIcon1->setToolTip(AppTitle.left(127));
    connect(TrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            TrayIcon1Click();
    });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &TfrmPelorinNews::Timer1Timer);

    al = new AlertWindow;
    al->setObjectName(QStringLiteral("al"));
    al->setWindowTitle(AppTitle);
    al->setAccessibleName(AppTitle);
    al->setAutoHide(true);
    al->setDisplayTime(10000);
    al->setAlpha(0, 220);
    al->setFade(2, 10);
    al->setPopupSize(QSize(300, 100));
    al->setHover(true);
    al->setCloseButtonHint(QStringLiteral("Close the alert"));
    al->setMessageFont(alertFont());
    al->setMargins(4, 4);
    connect(al, &AlertWindow::anchorClick, this, &TfrmPelorinNews::alAnchorClick);
}

TfrmPelorinNews::~TfrmPelorinNews()
{
    delete al;
    if (frmPelorinNews == this)
        frmPelorinNews = nullptr;
}

void TfrmPelorinNews::setPollIntervalsForTesting(std::chrono::milliseconds first, std::chrono::milliseconds next)
{
    g_firstPollInterval = first;
    g_pollInterval = next;
}

bool TfrmPelorinNews::FormCreate()
{
    // Without a notification area the notifier has nowhere to live.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("エラー"),
                        QStringLiteral("シェル通知アイコンが作成できません"), QMessageBox::Ok);
        box.exec();
        return false;
    }

    resize(0, 0); // the form itself is never shown
    FAppPath = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    {
        const SettingsStore store(QString::fromLatin1(SettingsNames::NewsSection));
        popAutoClose->setChecked(store.readBool(SettingsNames::AutoClose, true));
        popAutoLaunch->setChecked(store.readBool(SettingsNames::AutoLaunch, true));
        FLastDateTime
            = store.readString(SettingsNames::LastDateTime, QString::fromLatin1(SettingsNames::DefaultLastDateTime));
    }
    al->setAutoHide(popAutoClose->isChecked());

    TrayIcon1->setIcon(QGuiApplication::windowIcon().isNull() ? Pictures::applicationIcon()
                                                              : QGuiApplication::windowIcon());
    TrayIcon1->show();
    // No poll at start: the first comes three minutes later.
    Timer1->start(g_firstPollInterval);
    return true;
}

void TfrmPelorinNews::FormCloseQuery(bool &CanClose)
{
    SettingsStore store(QString::fromLatin1(SettingsNames::NewsSection));
    store.writeBool(SettingsNames::AutoClose, popAutoClose->isChecked());
    store.writeBool(SettingsNames::AutoLaunch, popAutoLaunch->isChecked());
    store.writeString(SettingsNames::LastDateTime, FLastDateTime);
    [[maybe_unused]] const bool written = store.commit(); // nothing to tell the user from the tray
    CanClose = true;
}

void TfrmPelorinNews::closeEvent(QCloseEvent *event)
{
    bool canClose = true;
    FormCloseQuery(canClose);
    if (!canClose) {
        event->ignore();
        return;
    }
    event->accept();
    Timer1->stop();
    al->closeAlert();
    TrayIcon1->hide();
    emit formClosed();
}

void TfrmPelorinNews::Timer1Timer()
{
    // A tick that comes while the previous poll still waits for its reply is skipped.
    if (HttpClient::requestInProgress())
        return;
    Timer1->setInterval(g_pollInterval);

    const QString stamp = GetLastUpdateLine().left(StampLength);
    // Any other text is news, earlier or later: the stamp is compared, never parsed.
    if (stamp.isEmpty() || stamp == FLastDateTime)
        return;
    FLastDateTime = stamp; // stored when the form closes
    if (ImageList1.isEmpty()) {
        // The picture is read when the first alert needs it.
        ImageList1 = {Pictures::alertPicture(qApp->devicePixelRatio())};
        al->setImages(ImageList1);
    }
    al->clearMessages();
    al->addMessage(alertMessage(stamp.left(DateLength)));
    al->showAlert();
}

// Title in bold, the date with the news, and the link that starts the client. The wide
// blanks are ideographic spaces (U+3000); the one before the sentence is a plain space.
// The date comes from the service's log, so it goes in as text, never as markup.
QString TfrmPelorinNews::alertMessage(const QString &date)
{
    return QStringLiteral("<b>\u3000FalvanePelorin</b><br><br>\u3000") + date.toHtmlEscaped()
        + QStringLiteral(" 最新のデータに更新されました。<br><br>\u3000<a href=") + QLatin1Char('"') + QLatin1Char('#')
        + QLatin1Char('"') + QStringLiteral(">FalvanePelorinクエンベルキットを起動</a>");
}

QString TfrmPelorinNews::GetLastUpdateLine()
{
    QString result;
    try {
        QList<QPair<QByteArray, QByteArray>> validators;
        if (!m_etag.isEmpty())
            validators.append({QByteArrayLiteral("If-None-Match"), m_etag});
        if (!m_lastModified.isEmpty())
            validators.append({QByteArrayLiteral("If-Modified-Since"), m_lastModified});
        if (!httpClient)
            httpClient = new HttpClient(this);
        const HttpResponse response = httpClient->get(Origins::get().site + LogPath, validators);
        m_etag = response.header(QByteArrayLiteral("ETag"));
        m_lastModified = response.header(QByteArrayLiteral("Last-Modified"));
        QByteArray line;
        if (lastLogLine(response.body, &line))
            result = Cp932::toUnicode(line);
    } catch (const std::exception &) {
        // Every failure is silent, a 304 (unchanged since the last reply) among them:
        // no line, and the next tick simply asks again.
    }
    return result;
}

void TfrmPelorinNews::startClient()
{
    const QString file = FAppPath + Platform::executableName(QStringLiteral("Pelorin"));
    if (!QFileInfo::exists(file))
        return;
    // A client already running brings itself forward and lets the new copy end.
    Platform::startProgram(file, FAppPath);
}

void TfrmPelorinNews::TrayIcon1Click()
{
    startClient();
}

void TfrmPelorinNews::alAnchorClick(const QString &anchor)
{
    if (anchor == QLatin1String("#"))
        startClient();
    al->closeAlert();
}

void TfrmPelorinNews::popAutoCloseClick()
{
    al->setAutoHide(popAutoClose->isChecked());
}

void TfrmPelorinNews::popAutoLaunchClick()
{
    SetStartupShortcut(popAutoLaunch->isChecked());
}

void TfrmPelorinNews::SetStartupShortcut(bool Enable)
{
    Platform::setStartupShortcut(Enable, AppTitle, QCoreApplication::applicationFilePath());
}

void TfrmPelorinNews::popCloseClick()
{
    close();
}
