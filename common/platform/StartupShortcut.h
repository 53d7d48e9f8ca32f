#pragma once

#include <QString>

// The shortcut that starts a program of ours when the user logs on: a shell link in the
// user's Startup folder on Windows, an autostart entry of the desktop here.
namespace Platform {

// Where the shortcut called `name` lives ("<Startup>\FalvanePelorin.Lnk" on Windows,
// "$XDG_CONFIG_HOME/autostart/FalvanePelorin.desktop" here). Empty when the user's
// start-up folder cannot be found.
QString startupShortcutPath(const QString &name);

// Creates the shortcut `name` to the executable `program` (its full path), replacing one
// of that name, or removes it, read-only or not. What the shell makes of it afterwards is
// not the caller's concern: the results are not reported.
void setStartupShortcut(bool enable, const QString &name, const QString &program);

} // namespace Platform
