#pragma once

#include <QByteArray>
#include <QString>

// The Japanese code page the service and the stored values speak. Text lives in
// QString; it turns into these bytes only where bytes matter (credential and form
// encoding, mail-address checks, the cipher's plain text). A character the code page
// cannot hold becomes "?", as it would on Windows.
namespace Cp932 {

QByteArray fromUnicode(const QString &text);
QString toUnicode(const QByteArray &bytes);

} // namespace Cp932
