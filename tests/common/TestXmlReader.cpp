#include "AppError.h"
#include "XmlReader.h"

#include <QElapsedTimer>
#include <QTest>

class TestXmlReader : public QObject
{
    Q_OBJECT

private slots:
    void events_data();
    void events();
    void malformedKeepsEarlierEvents();
    void entityExpansionFailsFast();
};

namespace {

// Records the reader's events as one line each: "<name a=1>" or "'text'".
QStringList record(const QByteArray &document, QString *error = nullptr)
{
    QStringList events;
    XmlReader reader;
    reader.onParseStartElement = [&](const QString &name, const QXmlStreamAttributes &attributes) {
        QString line = QLatin1Char('<') + name;
        for (const auto &attribute : attributes)
            line += QLatin1Char(' ') + attribute.name().toString() + QLatin1Char('=') + attribute.value().toString();
        events << line + QLatin1Char('>');
    };
    reader.onParseText = [&](const QString &text) { events << QLatin1Char('\'') + text + QLatin1Char('\''); };
    try {
        reader.load(document);
    } catch (const AppError &e) {
        if (error)
            *error = e.message();
    }
    return events;
}

} // namespace

void TestXmlReader::events_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("reply") << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<result>\n  "
                                         "<isAuthenticated>true</isAuthenticated>\n  <point>120</point>\n</result>\n")
                           << QStringList {QStringLiteral("<result>"), QStringLiteral("<isAuthenticated>"),
                                           QStringLiteral("'true'"), QStringLiteral("<point>"),
                                           QStringLiteral("'120'")};
    QTest::newRow("text not trimmed") << QByteArray("<a> true </a>")
                                      << QStringList {QStringLiteral("<a>"), QStringLiteral("' true '")};
    QTest::newRow("entities replaced") << QByteArray("<a>x &amp; &lt;y&gt; &#x41;</a>")
                                       << QStringList {QStringLiteral("<a>"), QStringLiteral("'x & <y> A'")};
    QTest::newRow("empty element and attributes")
        << QByteArray("<r><e k=\"v\" n=\"&quot;1&quot;\"/><f/></r>")
        << QStringList {QStringLiteral("<r>"), QStringLiteral("<e k=v n=\"1\">"), QStringLiteral("<f>")};
    QTest::newRow("shift-jis declared") << QByteArray("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a>\x83\x7C</a>")
                                        << QStringList {QStringLiteral("<a>"), QStringLiteral("'ポ'")};
    QTest::newRow("text between elements in order")
        << QByteArray("<a>one<b>two</b>three</a>")
        << QStringList {QStringLiteral("<a>"), QStringLiteral("'one'"), QStringLiteral("<b>"), QStringLiteral("'two'"),
                        QStringLiteral("'three'")};
}

void TestXmlReader::events()
{
    QFETCH(QByteArray, document);
    QFETCH(QStringList, expected);
    QString error;
    QCOMPARE(record(document, &error), expected);
    QCOMPARE(error, QString());
}

void TestXmlReader::malformedKeepsEarlierEvents()
{
    QString error;
    const QStringList events = record("<result><isAuthenticated>true</isAuthenticated><point>5</pont>", &error);
    QCOMPARE(error, QStringLiteral("Xml Parse error"));
    QCOMPARE(events,
             (QStringList {QStringLiteral("<result>"), QStringLiteral("<isAuthenticated>"), QStringLiteral("'true'"),
                           QStringLiteral("<point>"), QStringLiteral("'5'")}));

    for (const QByteArray &bad : {QByteArray("not xml"), QByteArray("<a>"), QByteArray("<a></b>"),
                                  QByteArray("<a>&undefined;</a>"), QByteArray("<a/><b/>")}) {
        error.clear();
        record(bad, &error);
        QVERIFY2(error == QStringLiteral("Xml Parse error"), bad.constData());
    }
}

void TestXmlReader::entityExpansionFailsFast()
{
    // Ten levels of ten-fold expansion would make a thousand million characters.
    QByteArray bomb = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e0 \"0123456789\">";
    for (int i = 1; i <= 9; ++i) {
        bomb += "<!ENTITY e" + QByteArray::number(i) + " \"";
        for (int j = 0; j < 10; ++j)
            bomb += "&e" + QByteArray::number(i - 1) + ";";
        bomb += "\">";
    }
    bomb += "]><r>&e9;</r>";
    QElapsedTimer timer;
    timer.start();
    QString error;
    qsizetype textSize = 0;
    for (const QString &event : record(bomb, &error))
        textSize += event.size();
    QCOMPARE(error, QStringLiteral("Xml Parse error"));
    QVERIFY(textSize < 100000);
    QVERIFY(timer.elapsed() < 2000);
}

QTEST_GUILESS_MAIN(TestXmlReader)
#include "TestXmlReader.moc"
