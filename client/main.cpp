#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("FalvanePelorin クエンベルキット"));
    QLabel window(QStringLiteral("FalvanePelorin クエンベルキット"));
    window.resize(900, 760);
    window.show();
    return app.exec();
}
