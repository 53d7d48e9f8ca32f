#include "Cp932.h"

#include <QList>

#include <windows.h>

// The Windows code-page functions: the same conversion the service's pages assume,
// with "?" for a character code page 932 cannot hold.
namespace Cp932 {

QByteArray fromUnicode(const QString &text)
{
    if (text.isEmpty())
        return {};
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int size = WideCharToMultiByte(932, 0, wide, int(text.size()), nullptr, 0, "?", nullptr);
    QByteArray out(size, Qt::Uninitialized);
    WideCharToMultiByte(932, 0, wide, int(text.size()), out.data(), size, "?", nullptr);
    return out;
}

QString toUnicode(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    const int size = MultiByteToWideChar(932, 0, bytes.constData(), int(bytes.size()), nullptr, 0);
    QString out(size, Qt::Uninitialized);
    MultiByteToWideChar(932, 0, bytes.constData(), int(bytes.size()), reinterpret_cast<wchar_t *>(out.data()), size);
    return out;
}

} // namespace Cp932
