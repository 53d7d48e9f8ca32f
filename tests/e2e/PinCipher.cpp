// e2e_pin: enciphers or deciphers one stored PIN exactly as both programs do, so that the
// end-to-end trials can prepare a store a member's client would have written and read
// back what the client wrote at close.
//
//   e2e_pin encrypt <text>   prints the value the store holds for <text>
//   e2e_pin decrypt <value>  prints the text a stored value stands for
#include "CredentialCipher.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3 || (args.at(1) != QLatin1String("encrypt") && args.at(1) != QLatin1String("decrypt"))) {
        std::fputs("usage: e2e_pin encrypt|decrypt <text>\n", stderr);
        return 2;
    }
    // Key table 1, the one the client uses for both PINs.
    const QString result
        = args.at(1) == QLatin1String("encrypt") ? EncryptSetting(args.at(2), 1) : DecryptSetting(args.at(2), 1);
    std::fputs(result.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    return 0;
}
