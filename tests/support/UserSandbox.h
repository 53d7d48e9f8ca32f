#pragma once

#include <QString>
#include <QTemporaryDir>

// Points the per-user folders (settings, data, runtime) at a fresh temporary folder,
// so a test reads and writes a real settings file without touching the user's own.
// Create it before anything opens the settings store.
class UserSandbox
{
public:
    UserSandbox();

    QString path() const { return m_dir.path(); }
    QString configHome() const;
    QString settingsFile() const;

private:
    QTemporaryDir m_dir;
};
