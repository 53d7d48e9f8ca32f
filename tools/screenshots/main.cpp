// Takes a picture of every window of the product, as the user sees it, into the folder
// given as the first argument. Run it under an X server (scripts/screenshots does).
#include "AlertWindow.h"
#include "BrowserView.h"
#include "ImageButton.h"
#include "LoopbackServer.h"
#include "MessageDialog.h"
#include "Origins.h"
#include "Pictures.h"
#include "SplashScreen.h"
#include "UserSandbox.h"
#include "uniChangePass.h"
#include "uniOption.h"
#include "uniPelorin.h"
#include "uniPelorinNews.h"
#include "uniStart.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {

QString g_folder;

void save(QWidget *widget, const char *name)
{
    QTest::qWait(300);
    const QString file = g_folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    // The window as it is on the screen, frame and all.
    QPixmap picture = widget->screen()->grabWindow(widget->winId());
    if (picture.isNull())
        picture = widget->grab();
    picture.save(file);
    qInfo("%s", qPrintable(file));
}

void waitFor(const std::function<bool()> &condition)
{
    [[maybe_unused]] const bool met = QTest::qWaitFor(condition, 20000);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(g_folder);
    UserSandbox sandbox;
    QFile skin(QStringLiteral(":/assets/skin.qss"));
    if (skin.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(skin.readAll()));
    // Messages are answered, never shown: this program only takes pictures.
    MessageDialog::setHandlerForTesting(
        [](MessageDialog::Type, const QString &, MessageDialog::Buttons) { return MessageDialog::Result::Ok; });

    TfrmPelorin main;
    main.gUserName = QStringLiteral("demo@pelorin.example");
    main.gPass = QStringLiteral("123456");
    main.gII1 = QStringLiteral("A1B2C3D4");
    main.gI1 = QStringLiteral("12345678");
    main.gP1 = QStringLiteral("1234");
    main.gR1 = QStringLiteral("5678");

    // The splash, alone.
    SplashScreen splash;
    splash.setVersionText(QStringLiteral("Version 1.1.0.9"));
    splash.showSplash();
    waitFor([&] { return splash.fadeLevel() == 255; });
    save(&splash, "splash");
    splash.hide();

    // The main window on the demo service's home page (the run command's demo service).
    main.sta1->setText(QStringLiteral("ID: ") + main.gUserName);
    main.sta2->setText(QStringLiteral("所有ポイント: 1200P"));
    main.show();
    main.web->Navigate(Origins::get().site
                       + QStringLiteral("/quenvel/index.php?m=demo%40pelorin.example&p=123456&v=1.1.0.9&t=1"));
    waitFor([&] { return !main.LastCompletedUrl.isEmpty(); });
    QTest::qWait(1500);
    save(&main, "main-window");

    // Both menus, open at their buttons.
    const std::tuple<QMenu *, QWidget *, const char *> menus[] = {
        {main.spSkinPopupMenu2, main.btnTohyo, "menu-voting"},
        {main.spSkinPopupMenu1, main.btnHelp, "menu-help"},
    };
    for (const auto &[menu, button, name] : menus) {
        menu->popup(button->mapToGlobal(QPoint(0, button->height())));
        save(menu, name);
        menu->close();
    }

    // The wizard's three pages.
    {
        TfrmStart wizard(&main);
        wizard.show();
        save(&wizard, "wizard-question");
        wizard.btnNextClick(wizard.btnNext);
        wizard.txtMail->setText(QStringLiteral("taro@example.jp"));
        save(&wizard, "wizard-account");
        wizard.FPage = 2;
        wizard.txtPass->setText(QStringLiteral("482913"));
        wizard.btnNextClick(wizard.btnNext);
        save(&wizard, "wizard-done");
    }

    // The settings dialog and, over it, the change-password dialog.
    {
        TfrmOption settings(&main);
        settings.show();
        save(&settings, "settings");
        TfrmChangePass change(&settings);
        change.txtPass1->setText(settings.txt2->text());
        change.show();
        save(&change, "change-password");
    }
    // The notifier: its alert and its tray menu.
    {
        TfrmPelorinNews news;
        news.ImageList1 = {Pictures::alertPicture(qApp->devicePixelRatio())};
        news.al->setImages(news.ImageList1);
        news.al->clearMessages();
        news.al->addMessage(TfrmPelorinNews::alertMessage(QStringLiteral("2026/12/11")));
        news.al->showAlert();
        QTest::qWait(1500);
        save(news.al, "alert");
        news.pop->popup(QPoint(40, 40));
        save(news.pop, "tray-menu");
        news.pop->close();
    }
    return 0;
}
