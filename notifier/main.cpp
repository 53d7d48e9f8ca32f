#include "Pictures.h"
#include "platform/OrderlyClose.h"
#include "platform/SingleInstance.h"
#include "uniPelorinNews.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PelorinNews"));
    QApplication::setApplicationDisplayName(QStringLiteral("FalvanePelorin"));
    QGuiApplication::setDesktopFileName(QStringLiteral("pelorin-news"));
    QApplication::setWindowIcon(Pictures::applicationIcon());
    // The notifier lives in the tray: closing the alert or a message ends nothing.
    QApplication::setQuitOnLastWindowClosed(false);

    // One notifier per user: a second start ends at once, silently, and asks nothing of
    // the first.
    SingleInstance instance(QStringLiteral("PelorinNewsMutex"));
    if (!instance.tryToBeFirst())
        return 0;

    TfrmPelorinNews form;
    // Session end and the termination signals close the form normally, so its settings
    // are written. A request that comes during creation is answered once the loop runs.
    Platform::closeOrderlyOnRequest(&form, [&form] { form.close(); });
    QObject::connect(&form, &TfrmPelorinNews::formClosed, &app, &QApplication::quit, Qt::QueuedConnection);
    if (!form.FormCreate())
        return 1;
    return app.exec();
}
