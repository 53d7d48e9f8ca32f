#pragma once

#include "AppError.h"

#include <QApplication>

#include <exception>
#include <type_traits>

// The client's application object: an error that a handler does not catch reaches the
// user as a message here, and the program goes on.
class Application : public QApplication
{
    Q_OBJECT

public:
    Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // The one place an uncaught error of a handler is shown.
    static void showError(const QString &message);
};

// Wraps a handler so that an error it raises reaches the application-wide handler and
// the program goes on, as every handler of the forms is connected.
template<typename Handler> auto guarded(Handler handler)
{
    return [handler](auto &&...args) {
        try {
            // A signal may carry more than the handler reads (clicked's checked state).
            if constexpr (std::is_invocable_v<Handler, decltype(args)...>)
                handler(std::forward<decltype(args)>(args)...);
            else
                handler();
        } catch (const AppError &error) {
            Application::showError(error.message());
        } catch (const std::exception &error) {
            Application::showError(QString::fromUtf8(error.what()));
        }
    };
}
