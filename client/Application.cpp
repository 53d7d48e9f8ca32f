#include "Application.h"

#include "AppError.h"
#include "MessageDialog.h"

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const AppError &error) {
        showError(error.message());
    } catch (const std::exception &error) {
        showError(QString::fromUtf8(error.what()));
    }
    return false;
}

void Application::showError(const QString &message)
{
    MessageDialog::show(activeWindow(), MessageDialog::Type::Error, message);
}
