#include "AppError.h"
#include "Cp932.h"
#include "FormEncoding.h"
#include "platform/VersionInfo.h"

#include <QTest>

class TestText : public QObject
{
    Q_OBJECT

private slots:
    void cp932RoundTrip_data();
    void cp932RoundTrip();
    void unmappableBecomesQuestionMark();
    void encodeFormValue_data();
    void encodeFormValue();
    void versionValue_data();
    void versionValue();
    void versionTableWithoutTranslation();
};

void TestText::cp932RoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QStringLiteral("abc 123") << QByteArray("abc 123");
    QTest::newRow("kanji") << QStringLiteral("暗証") << QByteArray("\x88\xC3\x8F\xD8");
    QTest::newRow("half-width katakana") << QStringLiteral("ｱ") << QByteArray("\xB1");
    QTest::newRow("full-width digit") << QStringLiteral("１") << QByteArray("\x82\x50");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestText::cp932RoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Cp932::fromUnicode(text), bytes);
    QCOMPARE(Cp932::toUnicode(bytes), text);
}

void TestText::unmappableBecomesQuestionMark()
{
    // Characters outside the code page (an emoji, Hangul) become "?" one for one.
    QCOMPARE(Cp932::fromUnicode(QStringLiteral("a😀b한c")), QByteArray("a?b?c"));
    // A cut-off double-byte sequence at the end does not lose what came before it.
    QCOMPARE(Cp932::toUnicode(QByteArray("ab\x88")), QStringLiteral("ab?"));
}

void TestText::encodeFormValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("encoded");
    QTest::newRow("plus and space") << QStringLiteral("a+b c") << QStringLiteral("a%2Bb+c");
    QTest::newRow("kept punctuation") << QStringLiteral("!$'()*-.@_") << QStringLiteral("!$'()*-.@_");
    QTest::newRow("mail address") << QStringLiteral("taro.y@example.jp") << QStringLiteral("taro.y@example.jp");
    QTest::newRow("reserved") << QStringLiteral("a&b=c/d?%~#") << QStringLiteral("a%26b%3Dc%2Fd%3F%25%7E%23");
    QTest::newRow("japanese bytes upper-case hex") << QStringLiteral("競馬") << QStringLiteral("%8B%A3%94n");
    QTest::newRow("empty") << QString() << QString();
}

void TestText::encodeFormValue()
{
    QFETCH(QString, text);
    QFETCH(QString, encoded);
    QCOMPARE(EncodeFormValue(text), encoded);
}

void TestText::versionValue_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("FileVersion") << int(TVersionKey::FileVersion) << QStringLiteral("1.1.0.9");
    QTest::newRow("ProductVersion") << int(TVersionKey::ProductVersion) << QStringLiteral("1.10");
    QTest::newRow("InternalName") << int(TVersionKey::InternalName) << QStringLiteral("PELORIN.EXE");
    QTest::newRow("absent key") << int(TVersionKey::PrivateBuild) << QString();
}

void TestText::versionValue()
{
    QFETCH(int, key);
    QFETCH(QString, value);
    VersionResource resource;
    resource.present = true;
    resource.translations = {{0x0411, 0x03A4}};
    resource.blocks[QStringLiteral("041103A4")] = {
        {QStringLiteral("FileVersion"), QStringLiteral("1.1.0.9")},
        {QStringLiteral("ProductVersion"), QStringLiteral("1.10")},
        {QStringLiteral("InternalName"), QStringLiteral("PELORIN.EXE")},
    };
    QCOMPARE(GetVersionValue(static_cast<TVersionKey>(key), resource), value);

    // The block is chosen by the translation: another translation finds nothing.
    resource.translations = {{0x0409, 0x04B0}};
    QCOMPARE(GetVersionValue(static_cast<TVersionKey>(key), resource), QString());
}

void TestText::versionTableWithoutTranslation()
{
    VersionResource none;
    QCOMPARE(GetVersionValue(TVersionKey::FileVersion, none), QString());

    VersionResource untranslated;
    untranslated.present = true;
    try {
        GetVersionValue(TVersionKey::FileVersion, untranslated);
        QFAIL("a table without translation must raise");
    } catch (const AppError &error) {
        QCOMPARE(error.message(), QStringLiteral("情報の取得に失敗しました"));
    }
}

QTEST_GUILESS_MAIN(TestText)
#include "TestText.moc"
