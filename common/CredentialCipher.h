#pragma once

#include <QByteArray>
#include <QString>

// The protection of the stored PINs: AES-256 in CFB-8 under a key derived from a
// built-in key table, Base64 outside. keySelector 1 picks table 1, anything else table 2.
QString EncryptSetting(const QString &plain, int keySelector);
QString DecryptSetting(const QString &stored, int keySelector);

namespace CredentialCipher {

// The byte-level halves of the two operations above (the text is code-page bytes).
QByteArray encrypt(const QByteArray &plain, int keySelector);
QByteArray decrypt(const QByteArray &cipher, int keySelector);

// Base64 as the store writes it, and the lenient reading of it: every complete group
// of four stands on its own; characters after the last complete group are ignored.
QByteArray encodeBase64(const QByteArray &bytes);
QByteArray decodeBase64(const QByteArray &text);

} // namespace CredentialCipher
