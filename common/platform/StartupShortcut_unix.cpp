#include "StartupShortcut.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// One argument of an Exec line, quoted as the desktop-entry format wants it: inside
// double quotes, ", `, $ and \ take a backslash; then the value's own escaping doubles
// every backslash, and a field code's % is written twice.
QString quotedExecArgument(const QString &argument)
{
    QString quoted;
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Line breaks would end the value early; a name never needs them.
QString singleLine(QString value)
{
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value;
}

} // namespace

namespace Platform {

QString startupShortcutPath(const QString &name)
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        return {};
    return config + QStringLiteral("/autostart/") + name + QStringLiteral(".desktop");
}

void setStartupShortcut(bool enable, const QString &name, const QString &program)
{
    const QString path = startupShortcutPath(name);
    if (path.isEmpty())
        return;
    if (enable) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        // A read-only entry of the same name is replaced like any other.
        if (QFileInfo::exists(path))
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return;
        const QString entry = QStringLiteral("[Desktop Entry]\n"
                                             "Type=Application\n"
                                             "Name=%1\n"
                                             "Exec=%2\n"
                                             "Terminal=false\n")
                                  .arg(singleLine(name), singleLine(quotedExecArgument(program)));
        file.write(entry.toUtf8());
        [[maybe_unused]] const bool saved = file.commit();
    } else if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(path);
    }
}

} // namespace Platform
