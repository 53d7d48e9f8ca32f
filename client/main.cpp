#include "Application.h"
#include "platform/OrderlyClose.h"
#include "platform/SingleInstance.h"
#include "uniPelorin.h"

#include <QFile>

int main(int argc, char *argv[])
{
    // The web engine shares its drawing context with the widgets.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelorin"));
    QApplication::setApplicationDisplayName(QStringLiteral("FalvanePelorin クエンベルキット"));
    QGuiApplication::setDesktopFileName(QStringLiteral("pelorin"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/app-icon.svg")));

    // One client per user: a second start brings the first forward and ends quietly.
    SingleInstance instance(QStringLiteral("PelorinQuenvelMutex"));
    if (!instance.tryToBeFirst()) {
        instance.askFirstToComeForward();
        return 0;
    }

    QFile skin(QStringLiteral(":/assets/skin.qss"));
    if (skin.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(skin.readAll()));

    TfrmPelorin window;
    if (!window.FormCreate())
        return 0; // no account after the first-run wizard: nothing is stored
    QObject::connect(&instance, &SingleInstance::comeForwardRequested, &window, &TfrmPelorin::bringForward);
    Platform::closeOrderlyOnRequest(&window, [&window] { window.close(); });
    window.show();
    return app.exec();
}
