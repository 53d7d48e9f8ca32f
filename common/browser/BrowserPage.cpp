#include "BrowserPage.h"

#include <QFile>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QWebEngineScriptCollection>

namespace {

QString randomToken()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    QString token = QStringLiteral("pelorin-");
    for (quint32 word : words)
        token += QStringLiteral("%1").arg(word, 8, 16, QLatin1Char('0'));
    return token + QLatin1Char(':');
}

QString readScript(const QString &name)
{
    QFile file(QStringLiteral(":/browser/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("browser script %s is missing from the resources", qPrintable(name));
    return QString::fromUtf8(file.readAll());
}

} // namespace

BrowserPage::BrowserPage(QObject *parent)
    : QWebEnginePage(parent)
    , m_token(randomToken())
{
    addScript(QStringLiteral("DocumentCreated.js"), QWebEngineScript::DocumentCreation);
    // Not the Deferred point: scripts injected there see the top document before its frames.
    addScript(QStringLiteral("DocumentReady.js"), QWebEngineScript::DocumentReady);
}

QString BrowserPage::scriptCall(const QString &name, const QJsonArray &arguments)
{
    const QString argumentList = QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Compact));
    return QStringLiteral("(%1)(...%2);").arg(readScript(name), argumentList);
}

void BrowserPage::addScript(const QString &name, QWebEngineScript::InjectionPoint injectionPoint)
{
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(scriptCall(name, QJsonArray {m_token}));
    script.setInjectionPoint(injectionPoint);
    script.setWorldId(HiddenFromPageWorld);
    script.setRunsOnSubFrames(true);
    scripts().insert(script);
}

bool BrowserPage::acceptNavigationRequest(const QUrl &url, NavigationType, bool)
{
    emit navigationRequested(url.toString(QUrl::FullyEncoded));
    return true; // the client watches navigations, it never stops one
}

void BrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                           const QString &sourceId)
{
    if (!message.startsWith(m_token)) {
        QWebEnginePage::javaScriptConsoleMessage(level, message, lineNumber, sourceId);
        return;
    }
    const QJsonDocument report = QJsonDocument::fromJson(QStringView(message).mid(m_token.size()).toUtf8());
    if (report.isObject())
        emit scriptReport(report.object());
}
