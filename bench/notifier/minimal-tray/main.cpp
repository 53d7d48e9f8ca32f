// The yardstick of the notifier's memory: a Qt program that does nothing but show an icon
// in the notification area.
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setBrush(Qt::darkGreen);
    painter.drawEllipse(2, 2, 28, 28);
    painter.end();
    QSystemTrayIcon icon {QIcon(pixmap)};
    icon.show();
    return app.exec();
}
