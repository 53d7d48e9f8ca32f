#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QWebEnginePage>
#include <QWebEngineScript>

// The page behind BrowserView. It reports every navigation the engine is asked for
// and the reports of the binding's own scripts, which reach it as console messages
// that start with a random token the page's scripts cannot know.
class BrowserPage : public QWebEnginePage
{
    Q_OBJECT

public:
    // Every script of the binding runs in this world, apart from the page's own
    // scripts: they can neither see these scripts nor intercept what they do.
    static constexpr quint32 HiddenFromPageWorld = QWebEngineScript::ApplicationWorld;

    explicit BrowserPage(QObject *parent = nullptr);

    // The source that calls the script function stored as ":/browser/<name>" with the
    // given arguments, written as a JSON literal: values never become code.
    static QString scriptCall(const QString &name, const QJsonArray &arguments = {});

signals:
    // Any navigation of the top document or of a frame, before it starts.
    void navigationRequested(const QString &url);
    // One report of the binding's scripts (its "event" member tells which).
    void scriptReport(const QJsonObject &report);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceId) override;

private:
    void addScript(const QString &name, QWebEngineScript::InjectionPoint injectionPoint);

    QString m_token;
};
