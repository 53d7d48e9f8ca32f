#include "CredentialPages.h"

#include <QTest>
#include <QUrl>

class TestCredentialPages : public QObject
{
    Q_OBJECT

private slots:
    void encodeCredential_data();
    void encodeCredential();
    void credentialPage_data();
    void credentialPage();
};

void TestCredentialPages::encodeCredential_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("encoded");
    QTest::newRow("abc") << QStringLiteral("abc") << QStringLiteral("049050051");
    QTest::newRow("space") << QStringLiteral(" ") << QStringLiteral("-016");
    QTest::newRow("zero") << QStringLiteral("0") << QStringLiteral("000");
    QTest::newRow("A") << QStringLiteral("A") << QStringLiteral("017");
    QTest::newRow("lowest byte") << QStringLiteral("\x01") << QStringLiteral("-047");
    QTest::newRow("double-byte, two pieces") << QStringLiteral("あ") << QStringLiteral("082112");
    QTest::newRow("half-width katakana") << QStringLiteral("ｱ") << QStringLiteral("129");
    QTest::newRow("digits of a PIN") << QStringLiteral("1234") << QStringLiteral("001002003004");
    QTest::newRow("empty") << QString() << QString();
}

void TestCredentialPages::encodeCredential()
{
    QFETCH(QString, value);
    QFETCH(QString, encoded);
    QCOMPARE(EncodeCredential(value), encoded);
}

void TestCredentialPages::credentialPage_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("filled");
    const QString site = QStringLiteral("https://www.pelorin.example");
    QTest::newRow("prediction page") << site + QStringLiteral("/quenvel/yosou.php") << true;
    QTest::newRow("with a query") << site + QStringLiteral("/quenvel/yosou.php?race=202612110511") << true;
    QTest::newRow("with a fragment") << site + QStringLiteral("/quenvel/shutsuba.php#top") << true;
    QTest::newRow("tally page") << site + QStringLiteral("/quenvel/syukei.php?x=1&y=2") << true;
    QTest::newRow("explicit default port")
        << QStringLiteral("https://www.pelorin.example:443/quenvel/yosou.php") << true;
    QTest::newRow("host in capitals") << QStringLiteral("https://WWW.PELORIN.EXAMPLE/quenvel/yosou.php") << true;
    QTest::newRow("prediction list is not one") << site + QStringLiteral("/quenvel/iyosou.php") << false;
    QTest::newRow("longer file name") << site + QStringLiteral("/quenvel/yosou.phpx") << false;
    QTest::newRow("longer path") << site + QStringLiteral("/quenvel/yosou.php/x") << false;
    QTest::newRow("other folder") << site + QStringLiteral("/other/quenvel/yosou.php") << false;
    QTest::newRow("path in capitals") << site + QStringLiteral("/quenvel/Yosou.php") << false;
    // Unreserved characters written as escapes are the same address to every server.
    QTest::newRow("escaped unreserved characters") << site + QStringLiteral("/quenvel/yosou%2Ephp") << true;
    QTest::newRow("escaped slash") << site + QStringLiteral("/quenvel%2Fyosou.php") << false;
    QTest::newRow("another scheme") << QStringLiteral("http://www.pelorin.example/quenvel/yosou.php") << false;
    QTest::newRow("another port") << QStringLiteral("https://www.pelorin.example:8443/quenvel/yosou.php") << false;
    QTest::newRow("another host") << QStringLiteral("https://evil.example/quenvel/yosou.php") << false;
    QTest::newRow("a sub-domain") << QStringLiteral("https://www.pelorin.example.evil.example/quenvel/yosou.php")
                                  << false;
    QTest::newRow("the address inside a query")
        << QStringLiteral("https://evil.example/?u=https://www.pelorin.example/quenvel/yosou.php") << false;
    QTest::newRow("site as user-info") << QStringLiteral("https://www.pelorin.example@evil.example/quenvel/yosou.php")
                                       << false;
    QTest::newRow("user-info on the site")
        << QStringLiteral("https://x@www.pelorin.example/quenvel/yosou.php") << false;
    QTest::newRow("not an address") << QStringLiteral("yosou.php") << false;
    QTest::newRow("blank page") << QStringLiteral("about:blank") << false;
}

void TestCredentialPages::credentialPage()
{
    QFETCH(QString, address);
    QFETCH(bool, filled);
    QCOMPARE(isCredentialPage(QUrl(address), QStringLiteral("https://www.pelorin.example")), filled);
}

QTEST_GUILESS_MAIN(TestCredentialPages)
#include "TestCredentialPages.moc"
