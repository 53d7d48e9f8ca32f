#include "Platform.h"
#include "SettingsNames.h"

#include <QDir>
#include <QSettings>

namespace Platform {

std::unique_ptr<QSettings> openSettingsKey()
{
    // The path constructor: the organization-only one would land in "OrganizationDefaults".
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\")
                                           + QString::fromLatin1(SettingsNames::Key),
                                       QSettings::NativeFormat);
}

QString applicationDataFolder()
{
    // The roaming application-data folder, where the shell keeps per-user program data.
    return QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
}

QString executableName(const QString &baseName)
{
    return baseName + QStringLiteral(".exe");
}

} // namespace Platform
