#include "CredentialCipher.h"

#include "Cp932.h"
#include "Haval.h"

#include <array>
#include <charconv>
#include <cstring>
#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace {

// The key tables. Changing a single number makes every PIN stored with that table
// unreadable, so these stay as they are.
constexpr std::array<qint32, 16> KeyTable1
    = {1530332240, -1459722091, 1799850023,  1120945784, 1368853723,  -99227529,  2041063170, -1270827890,
       654140505,  1425729331,  -1544997583, 2140877478, -2035733294, -741568690, -892293888, 502830951};
constexpr std::array<qint32, 16> KeyTable2
    = {95641628,   925892267,  620184892,  626664996,  2108170165, -1634922527, 1133032041, -1266721643,
       1867826820, -136818210, -626190850, 1092777196, 1371362083, -570273056,  1580643019, -1761924460};

constexpr std::size_t AesBlockSize = 16;
constexpr std::size_t AesKeySize = 32;
static_assert(AesKeySize == Haval::DigestSize, "the digest is used whole as the key");
// Sixteen numbers of at most eleven characters each ("-2147483648").
constexpr std::size_t PassphraseCapacity = 16 * 11;

// A fixed buffer for key material, wiped however its scope is left (return or exception).
template<std::size_t N> struct Secret
{
    unsigned char bytes[N] {};

    Secret() = default;
    Secret(const Secret &) = delete;
    Secret &operator=(const Secret &) = delete;
    ~Secret() { OPENSSL_cleanse(bytes, N); }

    char *chars() { return reinterpret_cast<char *>(bytes); }
};

// The AES-256 block function under one key. Releasing the context wipes the key schedule
// it holds, on every way out.
class AesBlockFunction
{
public:
    explicit AesBlockFunction(const unsigned char *key)
        : m_context(EVP_CIPHER_CTX_new())
    {
        m_ready = m_context != nullptr && EVP_EncryptInit_ex(m_context, EVP_aes_256_ecb(), nullptr, key, nullptr) == 1
            && EVP_CIPHER_CTX_set_padding(m_context, 0) == 1;
    }
    ~AesBlockFunction() { EVP_CIPHER_CTX_free(m_context); }
    AesBlockFunction(const AesBlockFunction &) = delete;
    AesBlockFunction &operator=(const AesBlockFunction &) = delete;

    bool isReady() const { return m_ready; }

    bool encryptBlock(const unsigned char *in, unsigned char *out)
    {
        int written = 0;
        return m_ready && EVP_EncryptUpdate(m_context, out, &written, in, static_cast<int>(AesBlockSize)) == 1
            && written == static_cast<int>(AesBlockSize);
    }

private:
    EVP_CIPHER_CTX *m_context;
    bool m_ready = false;
};

// Writes the passphrase of a table into buffer and returns its length.
std::size_t renderPassphrase(std::span<const qint32, 16> table, char *buffer)
{
    char *out = buffer;
    char *const end = buffer + PassphraseCapacity;
    for (const qint32 number : table)
        out = std::to_chars(out, end, number).ptr; // always fits: the capacity is the worst case
    return static_cast<std::size_t>(out - buffer);
}

// CFB with 8-bit segments: each byte is combined with the first byte of the block
// function of the register, then the cipher byte enters the register from the right.
bool runCfb8(AesBlockFunction &aes, const unsigned char *iv, const QByteArray &in, QByteArray &out, bool encrypt)
{
    Secret<AesBlockSize> shiftRegister;
    Secret<AesBlockSize> keystream;
    std::memcpy(shiftRegister.bytes, iv, AesBlockSize);
    out.resize(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (!aes.encryptBlock(shiftRegister.bytes, keystream.bytes))
            return false;
        const auto inByte = static_cast<unsigned char>(in.at(i));
        const auto outByte = static_cast<unsigned char>(inByte ^ keystream.bytes[0]);
        std::memmove(shiftRegister.bytes, shiftRegister.bytes + 1, AesBlockSize - 1);
        shiftRegister.bytes[AesBlockSize - 1] = encrypt ? outByte : inByte;
        out[i] = static_cast<char>(outByte);
    }
    return true;
}

// One whole operation from nothing: passphrase, key, initial register, CFB-8. Every
// piece of key material is wiped before this returns; a failure of the AES library
// gives an empty result.
QByteArray run(const QByteArray &in, int keySelector, bool encrypt)
{
    Secret<AesKeySize> key;
    {
        Secret<PassphraseCapacity> phrase;
        const std::size_t length = renderPassphrase(CredentialCipher::keyTable(keySelector), phrase.chars());
        Haval::digest256Pass5(phrase.bytes, length, key.bytes);
    }
    AesBlockFunction aes(key.bytes);
    // The context holds the key schedule now; the digest itself is no longer needed.
    std::memset(key.bytes, 0xFF, AesKeySize);
    if (!aes.isReady())
        return {};

    const unsigned char zeroBlock[AesBlockSize] = {};
    Secret<AesBlockSize> iv;
    if (!aes.encryptBlock(zeroBlock, iv.bytes))
        return {};

    QByteArray out;
    if (!runCfb8(aes, iv.bytes, in, out, encrypt))
        return {};
    return out;
}

// The value of one Base64 character. Characters outside the alphabet (and the padding
// character where it does not end a group) count as zero bits: values this program
// writes never hold them, and whatever else is found must read without failing.
unsigned sextet(char c)
{
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned>(c - 'A');
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned>(c - 'a' + 26);
    if (c >= '0' && c <= '9')
        return static_cast<unsigned>(c - '0' + 52);
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return 0;
}

} // namespace

QString EncryptSetting(const QString &plain, int keySelector)
{
    const QByteArray cipher = CredentialCipher::encrypt(Cp932::fromUnicode(plain), keySelector);
    return QString::fromLatin1(CredentialCipher::encodeBase64(cipher));
}

QString DecryptSetting(const QString &stored, int keySelector)
{
    const QByteArray cipher = CredentialCipher::decodeBase64(stored.toLatin1());
    return Cp932::toUnicode(CredentialCipher::decrypt(cipher, keySelector));
}

namespace CredentialCipher {

QByteArray encrypt(const QByteArray &plain, int keySelector)
{
    return run(plain, keySelector, true);
}

QByteArray decrypt(const QByteArray &cipher, int keySelector)
{
    return run(cipher, keySelector, false);
}

QByteArray encodeBase64(const QByteArray &bytes)
{
    return bytes.toBase64(QByteArray::Base64Encoding);
}

QByteArray decodeBase64(const QByteArray &text)
{
    QByteArray out;
    const qsizetype groups = text.size() / 4;
    out.reserve(groups * 3);
    for (qsizetype g = 0; g < groups; ++g) {
        const char *group = text.constData() + 4 * g;
        const unsigned bits
            = (sextet(group[0]) << 18) | (sextet(group[1]) << 12) | (sextet(group[2]) << 6) | sextet(group[3]);
        out.append(static_cast<char>(bits >> 16));
        if (group[2] == '=')
            continue;
        out.append(static_cast<char>((bits >> 8) & 0xFF));
        if (group[3] == '=')
            continue;
        out.append(static_cast<char>(bits & 0xFF));
    }
    return out;
}

std::span<const qint32, 16> keyTable(int keySelector)
{
    return keySelector == 1 ? std::span<const qint32, 16>(KeyTable1) : std::span<const qint32, 16>(KeyTable2);
}

QByteArray passphrase(std::span<const qint32, 16> table)
{
    Secret<PassphraseCapacity> phrase;
    const std::size_t length = renderPassphrase(table, phrase.chars());
    return QByteArray(phrase.chars(), static_cast<qsizetype>(length));
}

QByteArray cfb8(const QByteArray &key, const QByteArray &iv, const QByteArray &data, bool encrypt)
{
    if (key.size() != static_cast<qsizetype>(AesKeySize) || iv.size() != static_cast<qsizetype>(AesBlockSize))
        return {};
    AesBlockFunction aes(reinterpret_cast<const unsigned char *>(key.constData()));
    QByteArray out;
    if (!runCfb8(aes, reinterpret_cast<const unsigned char *>(iv.constData()), data, out, encrypt))
        return {};
    return out;
}

} // namespace CredentialCipher
