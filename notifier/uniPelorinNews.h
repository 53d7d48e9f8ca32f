#pragma once

#include <QByteArray>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QSystemTrayIcon>
#include <QWidget>

#include <chrono>

class AlertWindow;
class HttpClient;
class QAction;
class QMenu;
class QTimer;

// The notifier's form. It is never shown: no window, no taskbar button. What the user
// sees is the tray icon with its menu and, when the service publishes new data, the
// alert. It reads the section "News" of the settings store once at creation and writes
// it back once when it closes.
class TfrmPelorinNews : public QWidget
{
    Q_OBJECT

public:
    static constexpr int FirstPollInterval = 180000; // ms after start
    static constexpr int PollInterval = 600000; // ms between later polls

    explicit TfrmPelorinNews(QWidget *parent = nullptr);
    ~TfrmPelorinNews() override;

    // The form's creation. False when there is no notification area to live in: the
    // user has been told, and the program is to end.
    bool FormCreate();

    // Handlers.
    void FormCloseQuery(bool &CanClose);
    void Timer1Timer();
    void TrayIcon1Click();
    void popAutoCloseClick();
    void popAutoLaunchClick();
    void popCloseClick();
    void alAnchorClick(const QString &anchor);

    // The last line of the data-update log, or "" when there is none or the poll failed.
    QString GetLastUpdateLine();
    // Creates (Enable) or removes the shortcut that starts the notifier at log-on.
    void SetStartupShortcut(bool Enable);

    // The update stamp last announced (the stored one at start).
    QString FLastDateTime;
    // The folder of the notifier's executable, with a trailing separator: the client is
    // started from here.
    QString FAppPath;

    // Components, named as the form names them.
    QSystemTrayIcon *TrayIcon1 = nullptr;
    QMenu *pop = nullptr;
    QAction *popAutoClose = nullptr;
    QAction *popAutoLaunch = nullptr;
    QAction *N1 = nullptr;
    QAction *popClose = nullptr;
    QTimer *Timer1 = nullptr;
    QList<QPixmap> ImageList1;
    AlertWindow *al = nullptr;
    // Made at the first poll: until then the notifier carries no network machinery.
    HttpClient *httpClient = nullptr;

    // The alert's text for a stamp's date part.
    static QString alertMessage(const QString &date);

    // Tests bring the polls forward; the program itself always uses the intervals above.
    static void setPollIntervalsForTesting(std::chrono::milliseconds first, std::chrono::milliseconds next);

signals:
    // The form has closed (its settings are written): the program may end.
    void formClosed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void startClient();

    // Validators of the log's last successful reply: an unchanged log then costs no body.
    QByteArray m_etag;
    QByteArray m_lastModified;
};

// The form while the program runs (as the design's global of the same name).
extern TfrmPelorinNews *frmPelorinNews;
