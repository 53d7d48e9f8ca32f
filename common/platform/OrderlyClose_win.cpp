#include "OrderlyClose.h"

#include <QGuiApplication>
#include <QSessionManager>

namespace Platform {

// Log-off and shut-down reach the program as the session's commit-data request.
void closeOrderlyOnRequest(QObject *context, std::function<void()> close)
{
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        QObject::connect(app, &QGuiApplication::commitDataRequest, context, [close](QSessionManager &) { close(); });
    }
}

} // namespace Platform
