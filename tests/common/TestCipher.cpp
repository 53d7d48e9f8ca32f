#include "Cp932.h"
#include "CredentialCipher.h"
#include "Haval.h"

#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <array>
#include <limits>
#include <openssl/evp.h>

namespace {

QByteArray patternBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 31 + 7);
    return bytes;
}

QByteArray allByteValues()
{
    QByteArray bytes(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        bytes[i] = static_cast<char>(i);
    return bytes;
}

// The padded message written out plainly: message, padding byte, zeros, then the last ten
// bytes of the final block carry 0x29, 0x40 and the bit length, with as many blocks as
// it takes to hold the message, the padding byte and those ten bytes.
QByteArray referencePadded(const QByteArray &message, unsigned char paddingByte)
{
    const qsizetype blocks = (message.size() + 1 + 10 + 127) / 128;
    QByteArray padded(blocks * 128, '\0');
    std::copy(message.cbegin(), message.cend(), padded.begin());
    padded[message.size()] = static_cast<char>(paddingByte);
    const qsizetype trailer = padded.size() - 10;
    padded[trailer] = '\x29';
    padded[trailer + 1] = '\x40';
    quint64 bits = static_cast<quint64>(message.size()) * 8;
    for (int i = 0; i < 8; ++i, bits >>= 8)
        padded[trailer + 2 + i] = static_cast<char>(bits & 0xFF);
    return padded;
}

// One run of an OpenSSL cipher without padding, as a second opinion on our own CFB-8.
QByteArray openSslCipher(const EVP_CIPHER *cipher, const QByteArray &key, const QByteArray &iv, const QByteArray &data)
{
    EVP_CIPHER_CTX *context = EVP_CIPHER_CTX_new();
    QByteArray out(data.size() + 32, '\0');
    int written = 0;
    int finalWritten = 0;
    const auto *ukey = reinterpret_cast<const unsigned char *>(key.constData());
    const auto *uiv = iv.isEmpty() ? nullptr : reinterpret_cast<const unsigned char *>(iv.constData());
    auto *uout = reinterpret_cast<unsigned char *>(out.data());
    const bool ok = EVP_EncryptInit_ex(context, cipher, nullptr, ukey, uiv) == 1
        && EVP_CIPHER_CTX_set_padding(context, 0) == 1
        && EVP_EncryptUpdate(context, uout, &written, reinterpret_cast<const unsigned char *>(data.constData()),
                             static_cast<int>(data.size()))
            == 1
        && EVP_EncryptFinal_ex(context, uout + written, &finalWritten) == 1;
    EVP_CIPHER_CTX_free(context);
    if (!ok)
        return {};
    out.truncate(written + finalWritten);
    return out;
}

const QByteArray Cfb8NistKey = QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const QByteArray Cfb8NistIv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
const QByteArray Cfb8NistPlain = QByteArray::fromHex("6bc1bee22e409f96e93d7e117393172aae2d");
const QByteArray Cfb8NistCipher = QByteArray::fromHex("dc1f1a8520a64db55fcc8ac554844e889700");

} // namespace

class TestCipher : public QObject
{
    Q_OBJECT

private slots:
    void havalKnownDigests_data();
    void havalKnownDigests();
    void havalPaddingAtBlockEdges_data();
    void havalPaddingAtBlockEdges();
    void cfb8NistVector_data();
    void cfb8NistVector();
    void keyDerivation_data();
    void keyDerivation();
    void passphraseRendering_data();
    void passphraseRendering();
    void keySelection_data();
    void keySelection();
    void byteRoundTrip_data();
    void byteRoundTrip();
    void settingRoundTrip_data();
    void settingRoundTrip();
    void storedPinStaysReadable();
    void base64_data();
    void base64();
    void lenientDecode_data();
    void lenientDecode();
    void foreignStoredValue_data();
    void foreignStoredValue();
};

void TestCipher::havalKnownDigests_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<int>("paddingByte");
    QTest::addColumn<QByteArray>("digest");
    // The published HAVAL-256/5 values (padding byte 0x01).
    QTest::newRow("published empty") << QByteArray() << 0x01
                                     << QByteArray("be417bb4dd5cfb76c7126f4f8eeb1553a449039307b1a3cd451dbfdc0fbbe330");
    QTest::newRow("published a") << QByteArray("a") << 0x01
                                 << QByteArray("de8fd5ee72a5e4265af0a756f4e1a1f65c9b2b2f47cf17ecf0d1b88679a3e22f");
    QTest::newRow("published dog") << QByteArray("The quick brown fox jumps over the lazy dog") << 0x01
                                   << QByteArray("b89c551cdfe2e06dbd4cea2be1bc7d557416c58ebb4d07cbc94e49f710c55be4");
    QTest::newRow("published cog") << QByteArray("The quick brown fox jumps over the lazy cog") << 0x01
                                   << QByteArray("60983bb8c8f49ad3bea29899b78cd741f4c96e911bbc272e5550a4f195a4077e");
    // The check value of the key derivation's variant (padding byte 0x80).
    QTest::newRow("variant alphabet") << QByteArray("abcdefghijklmnopqrstuvwxyz") << 0x80
                                      << QByteArray("1a1dc8099bdaa7f35b4da4e805f1a28fee909d8dee920198185cbcaed8a10a8d");
}

void TestCipher::havalKnownDigests()
{
    QFETCH(QByteArray, message);
    QFETCH(int, paddingByte);
    QFETCH(QByteArray, digest);
    const auto padding = static_cast<unsigned char>(paddingByte);
    QCOMPARE(Haval::digest256Pass5(message, padding).toHex(), digest);
    // The plainly written padding agrees with the published values, so the block-edge
    // comparison below stands on firm ground.
    QCOMPARE(Haval::compress256Pass5(referencePadded(message, padding)).toHex(), digest);

    unsigned char raw[Haval::DigestSize];
    Haval::digest256Pass5(reinterpret_cast<const unsigned char *>(message.constData()),
                          static_cast<std::size_t>(message.size()), raw, padding);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(raw), sizeof(raw)).toHex(), digest);
}

void TestCipher::havalPaddingAtBlockEdges_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("blocks");
    // From offset 118 on the padding byte leaves no room for the trailer in its block.
    const std::array<std::pair<int, int>, 13> lengths = {{{0, 1},
                                                          {1, 1},
                                                          {117, 1},
                                                          {118, 2},
                                                          {119, 2},
                                                          {127, 2},
                                                          {128, 2},
                                                          {129, 2},
                                                          {245, 2},
                                                          {246, 3},
                                                          {255, 3},
                                                          {256, 3},
                                                          {373, 3}}};
    for (const auto &[length, blocks] : lengths)
        QTest::addRow("%d bytes", length) << length << blocks;
}

void TestCipher::havalPaddingAtBlockEdges()
{
    QFETCH(int, length);
    QFETCH(int, blocks);
    const QByteArray message = patternBytes(length);
    for (const unsigned char padding : {static_cast<unsigned char>(0x01), static_cast<unsigned char>(0x80)}) {
        const QByteArray padded = referencePadded(message, padding);
        QCOMPARE(padded.size(), blocks * 128);
        QCOMPARE(Haval::digest256Pass5(message, padding).toHex(), Haval::compress256Pass5(padded).toHex());
    }
    QVERIFY(Haval::digest256Pass5(message, 0x01) != Haval::digest256Pass5(message, 0x80));
    QVERIFY(Haval::digest256Pass5(message) != Haval::digest256Pass5(message + '\0'));
}

void TestCipher::cfb8NistVector_data()
{
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");
    QTest::newRow("CFB8-AES256 encrypt") << true << Cfb8NistPlain << Cfb8NistCipher;
    QTest::newRow("CFB8-AES256 decrypt") << false << Cfb8NistCipher << Cfb8NistPlain;
}

void TestCipher::cfb8NistVector()
{
    QFETCH(bool, encrypt);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    QCOMPARE(CredentialCipher::cfb8(Cfb8NistKey, Cfb8NistIv, input, encrypt).toHex(), output.toHex());
    // Prefixes come out as prefixes: one byte in, one byte out, nothing held back.
    QCOMPARE(CredentialCipher::cfb8(Cfb8NistKey, Cfb8NistIv, input.left(5), encrypt).toHex(), output.left(5).toHex());
    // A key or register of the wrong size is refused rather than read past its end.
    QVERIFY(CredentialCipher::cfb8(Cfb8NistKey.left(16), Cfb8NistIv, input, encrypt).isEmpty());
    QVERIFY(CredentialCipher::cfb8(Cfb8NistKey, Cfb8NistIv.left(8), input, encrypt).isEmpty());
}

void TestCipher::keyDerivation_data()
{
    QTest::addColumn<int>("keySelector");
    QTest::addColumn<QByteArray>("plain");
    QTest::newRow("table 1, PIN") << 1 << QByteArray("1234");
    QTest::newRow("table 1, all byte values") << 1 << allByteValues();
    QTest::newRow("table 2, PIN") << 2 << QByteArray("9876");
    QTest::newRow("table 2, long pattern") << 2 << patternBytes(300);
}

void TestCipher::keyDerivation()
{
    QFETCH(int, keySelector);
    QFETCH(QByteArray, plain);
    // Rebuilt from the parts with OpenSSL's own CFB-8: the key is the variant digest of the
    // table's passphrase, the initial register the encryption of a zero block.
    const QByteArray key = Haval::digest256Pass5(CredentialCipher::passphrase(CredentialCipher::keyTable(keySelector)));
    const QByteArray iv = openSslCipher(EVP_aes_256_ecb(), key, {}, QByteArray(16, '\0'));
    QCOMPARE(iv.size(), 16);
    const QByteArray expected = openSslCipher(EVP_aes_256_cfb8(), key, iv, plain);
    QCOMPARE(expected.size(), plain.size());

    QCOMPARE(CredentialCipher::encrypt(plain, keySelector).toHex(), expected.toHex());
    QCOMPARE(CredentialCipher::cfb8(key, iv, plain, true).toHex(), expected.toHex());
    QCOMPARE(CredentialCipher::decrypt(expected, keySelector).toHex(), plain.toHex());
}

void TestCipher::passphraseRendering_data()
{
    QTest::addColumn<QList<qint32>>("table");
    QTest::addColumn<QByteArray>("passphrase");
    constexpr qint32 Min = std::numeric_limits<qint32>::min();
    constexpr qint32 Max = std::numeric_limits<qint32>::max();
    QTest::newRow("extremes and signs") << QList<qint32> {Min, Max, 0,       -1,   1, 10,          -10, 100,
                                                          -7,  42,  1000000, -999, 5, -2147483647, 8,   9}
                                        << QByteArray("-21474836482147483647"
                                                      "0-1110-10100-7421000000-9995-214748364789");
    QTest::newRow("zeros") << QList<qint32>(16, 0) << QByteArray("0000000000000000");
}

void TestCipher::passphraseRendering()
{
    QFETCH(QList<qint32>, table);
    QFETCH(QByteArray, passphrase);
    std::array<qint32, 16> numbers {};
    std::copy(table.cbegin(), table.cend(), numbers.begin());
    QCOMPARE(CredentialCipher::passphrase(numbers), passphrase);
}

void TestCipher::keySelection_data()
{
    QTest::addColumn<int>("keySelector");
    QTest::addColumn<int>("table");
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("0") << 0 << 2;
    QTest::newRow("2") << 2 << 2;
    QTest::newRow("7") << 7 << 2;
    QTest::newRow("-1") << -1 << 2;
}

void TestCipher::keySelection()
{
    QFETCH(int, keySelector);
    QFETCH(int, table);
    const QByteArray plain("1234");
    const QByteArray table1 = CredentialCipher::encrypt(plain, 1);
    const QByteArray table2 = CredentialCipher::encrypt(plain, 2);
    QVERIFY(table1 != table2);
    QCOMPARE(CredentialCipher::encrypt(plain, keySelector).toHex(), (table == 1 ? table1 : table2).toHex());
    QCOMPARE(CredentialCipher::passphrase(CredentialCipher::keyTable(keySelector)),
             CredentialCipher::passphrase(CredentialCipher::keyTable(table)));
}

void TestCipher::byteRoundTrip_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one zero byte") << QByteArray(1, '\0');
    QTest::newRow("PIN") << QByteArray("1234");
    QTest::newRow("all byte values") << allByteValues();
    QTest::newRow("run of 0xFF") << QByteArray(40, '\xFF');
    QTest::newRow("double-byte characters") << Cp932::fromUnicode(QStringLiteral("暗証番号"));
}

void TestCipher::byteRoundTrip()
{
    QFETCH(QByteArray, plain);
    for (const int keySelector : {1, 2}) {
        const QByteArray cipher = CredentialCipher::encrypt(plain, keySelector);
        QCOMPARE(cipher.size(), plain.size());
        if (!plain.isEmpty())
            QVERIFY(cipher != plain);
        QCOMPARE(CredentialCipher::decrypt(cipher, keySelector).toHex(), plain.toHex());
    }
}

void TestCipher::settingRoundTrip_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<int>("storedLength");
    QTest::addColumn<int>("paddingCharacters");
    QTest::newRow("four-digit PIN") << QStringLiteral("1234") << 8 << 2;
    QTest::newRow("empty") << QString() << 0 << 0;
    QTest::newRow("three characters") << QStringLiteral("abc") << 4 << 0;
    // Two bytes a character in the code page: 8 bytes, not the 12 of UTF-8.
    QTest::newRow("kanji") << QStringLiteral("暗証番号") << 12 << 1;
    QTest::newRow("half-width katakana") << QStringLiteral("ｱｲｳｴ") << 8 << 2;
    QTest::newRow("mixed widths") << QStringLiteral("pin ９x") << 12 << 2;
}

void TestCipher::settingRoundTrip()
{
    QFETCH(QString, plain);
    QFETCH(int, storedLength);
    QFETCH(int, paddingCharacters);
    static const QRegularExpression base64(QStringLiteral("^[A-Za-z0-9+/]*={0,2}$"));

    const QString stored = EncryptSetting(plain, 1);
    QCOMPARE(stored.size(), storedLength);
    QVERIFY2(base64.match(stored).hasMatch(), qPrintable(stored));
    QCOMPARE(stored.count(QLatin1Char('=')), paddingCharacters);
    QCOMPARE(DecryptSetting(stored, 1), plain);
    // The stored form is the Base64 of the enciphered code-page bytes.
    QCOMPARE(CredentialCipher::decodeBase64(stored.toLatin1()),
             CredentialCipher::encrypt(Cp932::fromUnicode(plain), 1));
}

void TestCipher::storedPinStaysReadable()
{
    // A PIN stored by an earlier build must still read back: this pins the key tables, the
    // key derivation and the mode together. Any change here strands users' stored PINs.
    const QString stored = QStringLiteral("icrFoA==");
    QCOMPARE(DecryptSetting(stored, 1), QStringLiteral("1234"));
    QCOMPARE(EncryptSetting(QStringLiteral("1234"), 1), stored);
}

void TestCipher::base64_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("f") << QByteArray("f") << QByteArray("Zg==");
    QTest::newRow("fo") << QByteArray("fo") << QByteArray("Zm8=");
    QTest::newRow("foo") << QByteArray("foo") << QByteArray("Zm9v");
    QTest::newRow("foob") << QByteArray("foob") << QByteArray("Zm9vYg==");
    QTest::newRow("fooba") << QByteArray("fooba") << QByteArray("Zm9vYmE=");
    QTest::newRow("foobar") << QByteArray("foobar") << QByteArray("Zm9vYmFy");
    QTest::newRow("both extra characters") << QByteArray("\xFB\xEF\xFF") << QByteArray("++//");
    QTest::newRow("no line breaks") << QByteArray(90, 'x') << QByteArray("eHh4").repeated(30);
}

void TestCipher::base64()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, text);
    QCOMPARE(CredentialCipher::encodeBase64(bytes), text);
    QCOMPARE(CredentialCipher::decodeBase64(text).toHex(), bytes.toHex());
}

void TestCipher::lenientDecode_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("padded group in the middle") << QByteArray("QQ==QUJD") << QByteArray("AABC");
    QTest::newRow("three bytes") << QByteArray("QUJD") << QByteArray("ABC");
    QTest::newRow("fourth is padding") << QByteArray("QUI=") << QByteArray("AB");
    QTest::newRow("third is padding") << QByteArray("QQ==") << QByteArray("A");
    QTest::newRow("third is padding, fourth is not") << QByteArray("QQ=A") << QByteArray("A");
    QTest::newRow("unused low bits") << QByteArray("QR==") << QByteArray("A");
    QTest::newRow("fewer than four") << QByteArray("QUJ") << QByteArray();
    QTest::newRow("incomplete last group") << QByteArray("QUJDRA") << QByteArray("ABC");
    QTest::newRow("incomplete last group with padding") << QByteArray("QUJDRA=") << QByteArray("ABC");
    // Outside the alphabet counts as zero bits.
    QTest::newRow("garbage") << QByteArray("!!!!@@@@") << QByteArray(6, '\0');
    QTest::newRow("padding only") << QByteArray("====") << QByteArray(1, '\0');
    QTest::newRow("high bytes") << QByteArray("\xFF\x80\xC3\xA9") << QByteArray(3, '\0');
}

void TestCipher::lenientDecode()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(CredentialCipher::decodeBase64(text).toHex(), bytes.toHex());
}

void TestCipher::foreignStoredValue_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("bytes");
    QTest::newRow("punctuation") << QStringLiteral("!!!!@@@@") << 6;
    QTest::newRow("words") << QStringLiteral("not base64 at all") << 12;
    QTest::newRow("full-width letters") << QStringLiteral("ＱＵＪＤ") << 3;
    QTest::newRow("too short") << QStringLiteral("QQ") << 0;
    QTest::newRow("enciphered under table 2") << EncryptSetting(QStringLiteral("1234"), 2) << 4;
}

void TestCipher::foreignStoredValue()
{
    QFETCH(QString, stored);
    QFETCH(int, bytes);
    // No error and no crash: the text is meaningless, but it has come from that many bytes.
    const QString text = DecryptSetting(stored, 1);
    QCOMPARE(CredentialCipher::decrypt(CredentialCipher::decodeBase64(stored.toLatin1()), 1).size(), bytes);
    QCOMPARE(text.isEmpty(), bytes == 0);
    QVERIFY(text != QStringLiteral("1234"));
}

QTEST_GUILESS_MAIN(TestCipher)
#include "TestCipher.moc"
