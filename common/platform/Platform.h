#pragma once

#include <QString>

#include <memory>

class QSettings;
class QUrl;

// Everything the programs need of the operating system, one facade for all of them.
// Each OS has its own implementation file, chosen by the build: callers never #ifdef.
namespace Platform {

// The per-user settings key: the registry key on Windows, the native file elsewhere.
std::unique_ptr<QSettings> openSettingsKey();

// Opens a page in the user's own web browser. The result is not the caller's concern.
void openUrlOutside(const QUrl &url);

// Starts a program of the installation, detached, with `workingFolder` as its current
// folder. False when it is missing or could not be started.
bool startProgram(const QString &program, const QString &workingFolder);

// The user's application-data folder (the shell's application-data folder on Windows,
// $XDG_DATA_HOME here), without a trailing separator.
QString applicationDataFolder();

// The file name of a sibling program of ours ("Pelorin" here, "Pelorin.exe" on Windows).
QString executableName(const QString &baseName);

} // namespace Platform
