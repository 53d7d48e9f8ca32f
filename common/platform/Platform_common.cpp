#include "Platform.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace Platform {

void openUrlOutside(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}

bool startProgram(const QString &program, const QString &workingFolder)
{
    if (!QFileInfo(program).isExecutable())
        return false;
    return QProcess::startDetached(program, {}, workingFolder);
}

} // namespace Platform
