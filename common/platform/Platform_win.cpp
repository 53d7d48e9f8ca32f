#include "Platform.h"
#include "SettingsNames.h"

#include <QSettings>

namespace Platform {

std::unique_ptr<QSettings> openSettingsKey()
{
    // The path constructor: the organization-only one would land in "OrganizationDefaults".
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\")
                                           + QString::fromLatin1(SettingsNames::Key),
                                       QSettings::NativeFormat);
}

QString executableName(const QString &baseName)
{
    return baseName + QStringLiteral(".exe");
}

} // namespace Platform
