#include "BrowserEventLog.h"

#include "BrowserView.h"

BrowserEventLog::BrowserEventLog(BrowserView *view)
    : QObject(view)
{
    connect(view, &BrowserView::beforeNavigate, this, [this](const QString &url) {
        navigations << url;
        all << QStringLiteral("navigate ") + url;
    });
    connect(view, &BrowserView::documentComplete, this, [this, view](const QString &url, bool isTop) {
        const QString document = !view->hasDocument() ? QStringLiteral("no-document")
            : view->isHtmlDocument()                  ? QStringLiteral("html")
                                                      : QStringLiteral("not-html");
        completions
            << QStringLiteral("%1 %2 %3").arg(url, isTop ? QStringLiteral("top") : QStringLiteral("frame"), document);
        all << QStringLiteral("complete ") + completions.last();
    });
    connect(view, &BrowserView::commandStateChange, this, [this](int command, bool enable) {
        const QString name = command == BrowserView::CommandForward ? QStringLiteral("forward")
            : command == BrowserView::CommandBack                   ? QStringLiteral("back")
                                                                    : QString::number(command);
        commands << name + (enable ? QStringLiteral(" on") : QStringLiteral(" off"));
        all << QStringLiteral("command ") + commands.last();
    });
    connect(view, &BrowserView::progressChange, this, [this](int value, int maximum) {
        progress.append({value, maximum});
        all << QStringLiteral("progress %1/%2").arg(value).arg(maximum);
    });
    connect(view, &BrowserView::statusTextChange, this, [this](const QString &text) {
        statusTexts << text;
        all << QStringLiteral("status ") + text;
    });
    connect(view, &QWebEngineView::loadFinished, this, [this](bool ok) {
        ++loadsFinished;
        all << (ok ? QStringLiteral("finished ok") : QStringLiteral("finished failed"));
    });
}

void BrowserEventLog::clear()
{
    all.clear();
    navigations.clear();
    completions.clear();
    commands.clear();
    progress.clear();
    statusTexts.clear();
    loadsFinished = 0;
}
