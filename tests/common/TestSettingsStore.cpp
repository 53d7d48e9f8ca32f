#include "SettingsNames.h"
#include "SettingsStore.h"
#include "UserSandbox.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <sys/mount.h>
#include <unistd.h>

class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void defaultsWhenAbsent();
    void storedTextAsWritten();
    void integerReading_data();
    void integerReading();
    void booleanReading_data();
    void booleanReading();
    void valueThatIsNotTextIsAbsent();
    void twoProgramsWriteTheirOwnSections();
    void unwritableStoreIsReported();
    void fullDiskIsReported();

private:
    void writeRaw(const QByteArray &iniText);
    std::unique_ptr<UserSandbox> m_sandbox;
};

// The folders are the process's for its whole life (the store learns them once); each
// test starts from a missing settings file instead.
void TestSettingsStore::initTestCase()
{
    m_sandbox = std::make_unique<UserSandbox>();
}

void TestSettingsStore::init()
{
    QFileInfo place(m_sandbox->settingsFile());
    if (place.isDir())
        QDir(place.filePath()).removeRecursively();
    else
        QFile::remove(place.filePath());
}

// Puts a hand-written settings file in place, as another program or a user might.
void TestSettingsStore::writeRaw(const QByteArray &iniText)
{
    QFile file(m_sandbox->settingsFile());
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.write(iniText);
    QVERIFY(file.flush());
    // The store re-reads a file whose size or time changed; hand-written files of the
    // same size follow each other within a millisecond here, so give each its own time.
    static QDateTime stamp = QDateTime::currentDateTime();
    stamp = stamp.addSecs(1);
    QVERIFY(file.setFileTime(stamp, QFileDevice::FileModificationTime));
}

void TestSettingsStore::defaultsWhenAbsent()
{
    SettingsStore store(QString::fromLatin1(SettingsNames::ClientSection));
    QCOMPARE(store.readInteger(SettingsNames::Width, 900), 900);
    QCOMPARE(store.readString(SettingsNames::UserName), QString());
    QCOMPARE(store.readBool(SettingsNames::AutoClose, true), true);
    QCOMPARE(store.readBool(SettingsNames::AutoClose, false), false);
    QCOMPARE(store.location(), m_sandbox->settingsFile());
}

void TestSettingsStore::storedTextAsWritten()
{
    {
        SettingsStore store(QString::fromLatin1(SettingsNames::ClientSection));
        store.writeInteger(SettingsNames::Top, -8);
        store.writeInteger(SettingsNames::Width, 900);
        store.writeString(SettingsNames::UserName, QStringLiteral("taro+1 @example.jp"));
        store.writeString(SettingsNames::II1, QString());
        store.writeString(SettingsNames::R1, QStringLiteral("カナ,\"quoted\"; x=y"));
        store.writeBool(SettingsNames::AutoClose, false);
        QVERIFY(store.commit());
    }
    // Read back through the store and, underneath it, as text in the file itself.
    SettingsStore store(QString::fromLatin1(SettingsNames::ClientSection));
    QCOMPARE(store.readInteger(SettingsNames::Top, 0), -8);
    QCOMPARE(store.readString(SettingsNames::UserName), QStringLiteral("taro+1 @example.jp"));
    QCOMPARE(store.readString(SettingsNames::II1, QStringLiteral("default")), QString());
    QCOMPARE(store.readString(SettingsNames::R1), QStringLiteral("カナ,\"quoted\"; x=y"));
    QCOMPARE(store.readBool(SettingsNames::AutoClose, true), false);

    QSettings raw(m_sandbox->settingsFile(), QSettings::IniFormat);
    raw.beginGroup(QString::fromLatin1(SettingsNames::ClientSection));
    QCOMPARE(raw.value(QStringLiteral("Top")).toString(), QStringLiteral("-8"));
    QCOMPARE(raw.value(QStringLiteral("Width")).toString(), QStringLiteral("900"));
    QCOMPARE(raw.value(QStringLiteral("AutoClose")).toString(), QStringLiteral("0"));
}

void TestSettingsStore::integerReading_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("positive") << QByteArray("900") << 900;
    QTest::newRow("negative") << QByteArray("-8") << -8;
    QTest::newRow("plus sign") << QByteArray("+5") << 5;
    QTest::newRow("zero") << QByteArray("0") << 0;
    QTest::newRow("letters") << QByteArray("x") << 77;
    QTest::newRow("trailing letters") << QByteArray("12a") << 77;
    QTest::newRow("blank inside") << QByteArray("1 2") << 77;
    QTest::newRow("empty") << QByteArray("\"\"") << 77;
    QTest::newRow("lone minus") << QByteArray("-") << 77;
    QTest::newRow("hex") << QByteArray("0x10") << 77;
    QTest::newRow("beyond 32 bits") << QByteArray("2147483648") << 77;
    QTest::newRow("lowest 32-bit") << QByteArray("-2147483648") << -2147483647 - 1;
    QTest::newRow("decimal point") << QByteArray("1.5") << 77;
}

void TestSettingsStore::integerReading()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, expected);
    writeRaw("[frmPelorin]\nWidth=" + stored + "\n");
    SettingsStore store(QStringLiteral("frmPelorin"));
    QCOMPARE(store.readInteger(SettingsNames::Width, 77), expected);
}

void TestSettingsStore::booleanReading_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("defaultValue");
    QTest::addColumn<bool>("expected");
    QTest::newRow("1") << QByteArray("1") << false << true;
    QTest::newRow("0") << QByteArray("0") << true << false;
    QTest::newRow("any non-zero integer") << QByteArray("-3") << false << true;
    QTest::newRow("text true is not an integer") << QByteArray("true") << false << false;
    QTest::newRow("text falls back to default") << QByteArray("yes") << true << true;
}

void TestSettingsStore::booleanReading()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, defaultValue);
    QFETCH(bool, expected);
    writeRaw("[News]\nAutoClose=" + stored + "\n");
    SettingsStore store(QStringLiteral("News"));
    QCOMPARE(store.readBool(SettingsNames::AutoClose, defaultValue), expected);
}

void TestSettingsStore::valueThatIsNotTextIsAbsent()
{
    // A list and a typed value are not text: both read as absent.
    writeRaw("[frmPelorin]\ngUserName=a, b\nWidth=@Variant(\\0\\0\\0\\x2\\0\\0\\x3\\x84)\nHeight=@Rect(1 2 3 4)\n");
    SettingsStore store(QStringLiteral("frmPelorin"));
    QCOMPARE(store.readString(SettingsNames::UserName, QStringLiteral("none")), QStringLiteral("none"));
    QCOMPARE(store.readInteger(SettingsNames::Width, 900), 900);
    QCOMPARE(store.readInteger(SettingsNames::Height, 760), 760);
}

void TestSettingsStore::twoProgramsWriteTheirOwnSections()
{
    // Both programs write their own section at the same moment, many times over:
    // at the end each section holds its own last pass and nothing of either is lost.
    const int passes = 150;
    QProcess client;
    QProcess news;
    client.start(QStringLiteral(SETTINGS_WRITER), {QStringLiteral("frmPelorin"), QString::number(passes)});
    news.start(QStringLiteral(SETTINGS_WRITER), {QStringLiteral("News"), QString::number(passes)});
    QVERIFY(client.waitForFinished(60000));
    QVERIFY(news.waitForFinished(60000));
    QCOMPARE(client.exitCode(), 0);
    QCOMPARE(news.exitCode(), 0);

    for (const char *section : {"frmPelorin", "News"}) {
        SettingsStore store(QString::fromLatin1(section));
        QCOMPARE(store.readInteger("Pass", 0), passes);
        QCOMPARE(store.readString("Owner"), QString::fromLatin1(section));
    }
}

void TestSettingsStore::unwritableStoreIsReported()
{
    // The settings file's place is taken by a folder: nothing can be written there.
    QVERIFY(QDir().mkpath(m_sandbox->settingsFile()));
    SettingsStore store(QStringLiteral("frmPelorin"));
    store.writeString(SettingsNames::UserName, QStringLiteral("taro@example.jp"));
    QVERIFY(!store.commit());
}

void TestSettingsStore::fullDiskIsReported()
{
    // A tiny file system of its own, filled to the last block, stands for a full disk.
    if (geteuid() != 0)
        QSKIP("mounting a small file system needs root");
    const QByteArray target = QFile::encodeName(m_sandbox->configHome());
    if (mount("pelorin-test", target.constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("this machine does not allow a tmpfs mount");
    auto unmount = qScopeGuard([&] { umount2(target.constData(), MNT_DETACH); });
    {
        QFile filler(m_sandbox->configHome() + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) { }
    }
    SettingsStore store(QStringLiteral("frmPelorin"));
    store.writeString(SettingsNames::UserName, QString(2048, QLatin1Char('a')));
    QVERIFY(!store.commit());
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "TestSettingsStore.moc"
