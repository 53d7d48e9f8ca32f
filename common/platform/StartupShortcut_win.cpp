#include "StartupShortcut.h"

#include <QDir>

#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The shell's headers below build on windows.h, which must come first.
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace {

// The user's Startup folder: the shell starts every shortcut in it at log-on.
QString startupFolder()
{
    PWSTR folder = nullptr;
    QString result;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Startup, KF_FLAG_DEFAULT, nullptr, &folder)))
        result = QString::fromWCharArray(folder);
    CoTaskMemFree(folder);
    return result;
}

// COM for the calling thread while the link is written. The GUI thread normally has it
// already; then this only balances its own count.
class ComApartment
{
public:
    ComApartment()
        : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))
    {
    }
    ~ComApartment()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }
    ComApartment(const ComApartment &) = delete;
    ComApartment &operator=(const ComApartment &) = delete;

private:
    HRESULT m_result;
};

// Holds one interface pointer and releases it.
template<typename Interface> class ComRef
{
public:
    ComRef() = default;
    ~ComRef()
    {
        if (m_pointer)
            m_pointer->Release();
    }
    ComRef(const ComRef &) = delete;
    ComRef &operator=(const ComRef &) = delete;

    Interface *operator->() const { return m_pointer; }
    void **out() { return reinterpret_cast<void **>(&m_pointer); }

private:
    Interface *m_pointer = nullptr;
};

std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

// A shell link to `target` with nothing else set (no arguments, working folder,
// description, icon or show mode), saved as `link`; a file of that name is replaced.
void saveShellLink(const QString &target, const QString &link)
{
    ComApartment com;
    ComRef<IShellLinkW> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shellLink.out())))
        return;
    ComRef<IPersistFile> file;
    const std::wstring targetPath = nativePath(target);
    const std::wstring linkPath = nativePath(link);
    if (FAILED(shellLink->SetPath(targetPath.c_str())))
        return;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, file.out())))
        return;
    // FALSE: the link is saved as a copy and does not become the object's current file.
    file->Save(linkPath.c_str(), FALSE);
}

} // namespace

namespace Platform {

QString startupShortcutPath(const QString &name)
{
    // Without a Startup folder there is nowhere sensible to put the link: the bare name
    // would land in the root of the current drive.
    const QString folder = startupFolder();
    if (folder.isEmpty())
        return {};
    return QDir::toNativeSeparators(folder) + QLatin1Char('\\') + name + QStringLiteral(".Lnk");
}

void setStartupShortcut(bool enable, const QString &name, const QString &program)
{
    const QString link = startupShortcutPath(name);
    if (link.isEmpty())
        return;
    if (enable) {
        saveShellLink(program, link);
        return;
    }
    const std::wstring linkPath = nativePath(link);
    if (GetFileAttributesW(linkPath.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    // A read-only link would refuse to go.
    SetFileAttributesW(linkPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(linkPath.c_str());
}

} // namespace Platform
