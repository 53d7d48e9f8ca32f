#pragma once

#include <QByteArray>
#include <QString>

#include <span>

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

// The steps behind encrypt and decrypt, open so that each can be checked on its own.

// The built-in key table keySelector picks (1: table 1, any other value: table 2).
std::span<const qint32, 16> keyTable(int keySelector);

// The passphrase of a key table: its numbers in decimal, in table order, without
// separators. The caller owns the secret it gets and should wipe it.
QByteArray passphrase(std::span<const qint32, 16> table);

// AES-256 in CFB mode with 8-bit segments under an explicit 32-byte key and 16-byte
// initial register. Wrong key or register sizes give an empty result.
QByteArray cfb8(const QByteArray &key, const QByteArray &iv, const QByteArray &data, bool encrypt);

} // namespace CredentialCipher
