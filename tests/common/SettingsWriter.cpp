// Writes one section of the settings store again and again, as the other program
// does at the same time as ours: args are the section name and the number of passes.
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3)
        return 2;
    const QString section = args.at(1);
    const int passes = args.at(2).toInt();
    for (int i = 1; i <= passes; ++i) {
        SettingsStore store(section);
        store.writeInteger("Pass", i);
        store.writeString("Owner", section);
        if (!store.commit())
            return 1;
    }
    return 0;
}
