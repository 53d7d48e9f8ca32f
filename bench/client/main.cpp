// The smallest program that shows a page: one QWebEngineView, the address from the
// command line, nothing else. The client's start-up and memory are measured against it.
#include <QApplication>
#include <QUrl>
#include <QWebEngineView>

int main(int argc, char *argv[])
{
    // As the client does, so that both draw the page the same way.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc != 2) {
        qWarning("usage: bench_minimal_view URL");
        return 2;
    }
    QWebEngineView view;
    // The client's window at its default size, so both lay out a page of the same width.
    view.resize(900, 760);
    view.load(QUrl(QString::fromLocal8Bit(argv[1]), QUrl::StrictMode));
    view.show();
    return app.exec();
}
