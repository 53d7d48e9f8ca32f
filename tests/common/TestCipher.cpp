#include <QTest>
class TestCipher : public QObject
{
    Q_OBJECT
};
QTEST_GUILESS_MAIN(TestCipher)
#include "TestCipher.moc"
