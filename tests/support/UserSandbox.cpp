#include "UserSandbox.h"

#include <QDir>

UserSandbox::UserSandbox()
{
    const QString root = m_dir.path();
    for (const char *name : {"config", "data", "cache", "runtime"})
        QDir(root).mkpath(QString::fromLatin1(name));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(root + QStringLiteral("/cache")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root + QStringLiteral("/runtime")));
    QFile::setPermissions(root + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString UserSandbox::configHome() const
{
    return m_dir.path() + QStringLiteral("/config");
}

QString UserSandbox::settingsFile() const
{
    return configHome() + QStringLiteral("/Pelorin Quenvel Kit.conf");
}
