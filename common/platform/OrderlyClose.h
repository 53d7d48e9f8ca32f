#pragma once

#include <QObject>

#include <functional>

// Asks a program to close normally, so that its settings are written, when the
// desktop session ends or the system asks it to stop (SIGTERM, SIGINT, SIGHUP here).
// The request arrives on the main thread, in the event loop.
namespace Platform {

void closeOrderlyOnRequest(QObject *context, std::function<void()> close);

} // namespace Platform
