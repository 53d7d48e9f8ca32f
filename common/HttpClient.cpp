#include "HttpClient.h"

#include "Cp932.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

namespace {

std::chrono::milliseconds g_connectTimeout {30000};
std::chrono::milliseconds g_totalTimeout {60000};
bool g_requestInProgress = false;

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// While a request is under way the user's clicks and keys are swallowed, so the window
// repaints and moves but takes no input, and nothing is replayed after the reply.
class InputBlocker : public QObject
{
public:
    InputBlocker()
    {
        QCoreApplication::instance()->installEventFilter(this);
        if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~InputBlocker() override
    {
        if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
            QGuiApplication::restoreOverrideCursor();
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        // A window closed from its frame mid-request would close under the waiting caller.
        if (event->type() == QEvent::Close && event->spontaneous())
            return true;
        return isUserInput(event->type());
    }
};

class InProgressFlag
{
public:
    InProgressFlag() { g_requestInProgress = true; }
    ~InProgressFlag() { g_requestInProgress = false; }
};

} // namespace

QByteArray HttpResponse::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

HttpError::HttpError(QString statusCode, QString detail)
    : m_statusCode(std::move(statusCode))
    , m_detail(std::move(detail))
    , m_what((m_statusCode.isEmpty() ? m_detail : m_statusCode + QLatin1Char(' ') + m_detail).toUtf8())
{
}

const char *HttpError::what() const noexcept
{
    return m_what.constData();
}

HttpClient::HttpClient(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    m_manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

HttpClient::~HttpClient() = default;

bool HttpClient::requestInProgress()
{
    return g_requestInProgress;
}

void HttpClient::setTimeoutsForTesting(std::chrono::milliseconds connect, std::chrono::milliseconds total)
{
    g_connectTimeout = connect;
    g_totalTimeout = total;
}

HttpResponse HttpClient::post(const QString &url, const QStringList &lines)
{
    QNetworkRequest request {QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    // The lines are already in the form the server expects; they go out as the
    // code page's bytes, with no encoding of their own.
    return run(request, QByteArrayLiteral("POST"), Cp932::fromUnicode(lines.join(QLatin1Char('&'))));
}

HttpResponse HttpClient::get(const QString &url, const QList<QPair<QByteArray, QByteArray>> &extraHeaders)
{
    QNetworkRequest request {QUrl(url)};
    for (const auto &[name, value] : extraHeaders)
        request.setRawHeader(name, value);
    return run(request, QByteArrayLiteral("GET"), {});
}

HttpResponse HttpClient::run(QNetworkRequest request, const QByteArray &verb, const QByteArray &body)
{
    if (g_requestInProgress)
        throw HttpError({}, QStringLiteral("another request is under way"));
    if (!request.url().isValid() || request.url().isRelative())
        throw HttpError({}, QStringLiteral("invalid address"));

    request.setRawHeader("Accept", "text/html, */*");
    request.setRawHeader("User-Agent", "Mozilla/3.0 (compatible; TALWinInetHTTPClient)");
    request.setRawHeader("Connection", "Keep-Alive");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);

    InProgressFlag inProgress;
    InputBlocker blocker;

    QNetworkReply *reply = verb == "POST" ? m_manager->post(request, body) : m_manager->get(request);
    QEventLoop loop;
    QTimer connectTimer;
    QTimer totalTimer;
    connectTimer.setSingleShot(true);
    totalTimer.setSingleShot(true);
    QString failure;

    auto abortWith = [&](const QString &why) {
        if (failure.isEmpty())
            failure = why;
        reply->abort();
    };
    // The connect time-out ends once the request is on the wire; the total one never does.
    connect(reply, &QNetworkReply::requestSent, &connectTimer, &QTimer::stop);
    connect(&connectTimer, &QTimer::timeout, reply, [&] { abortWith(QStringLiteral("connection timed out")); });
    connect(&totalTimer, &QTimer::timeout, reply, [&] { abortWith(QStringLiteral("request timed out")); });
    connect(reply, &QNetworkReply::metaDataChanged, reply, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > MaxReplySize)
            abortWith(QStringLiteral("reply too large"));
    });
    connect(reply, &QNetworkReply::readyRead, reply, [&] {
        if (reply->bytesAvailable() > MaxReplySize)
            abortWith(QStringLiteral("reply too large"));
    });
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connectTimer.start(g_connectTimeout);
    totalTimer.start(g_totalTimeout);
    if (!reply->isFinished())
        loop.exec();

    HttpResponse response;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (failure.isEmpty() && status > 0)
        response.statusCode = QString::number(status);
    for (const auto &pair : reply->rawHeaderPairs())
        response.headers.append(pair);
    const QString detail = failure.isEmpty() ? reply->errorString() : failure;
    const bool transportFailed = !failure.isEmpty() || status == 0;
    if (!transportFailed && status < 300)
        response.body = reply->readAll();
    reply->deleteLater();

    if (transportFailed)
        throw HttpError({}, detail);
    if (status >= 300)
        throw HttpError(response.statusCode, detail);
    return response;
}
