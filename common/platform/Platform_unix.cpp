#include "Platform.h"
#include "SettingsNames.h"

#include <QSettings>
#include <QStandardPaths>

namespace Platform {

std::unique_ptr<QSettings> openSettingsKey()
{
    // $XDG_CONFIG_HOME/Pelorin Quenvel Kit.conf, one group per section.
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QString::fromLatin1(SettingsNames::Key));
}

QString applicationDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString executableName(const QString &baseName)
{
    return baseName;
}

} // namespace Platform
