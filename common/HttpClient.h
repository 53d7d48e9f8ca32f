#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkRequest>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include <chrono>
#include <exception>

class QNetworkAccessManager;
class QNetworkReply;

// What a request brought back: the status code as its three digits ("200"), the body
// as received, and the response headers (the notifier keeps its validators from them).
struct HttpResponse
{
    QString statusCode;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;

    QByteArray header(const QByteArray &name) const;
};

// A request that did not end in a status below 300. statusCode holds the three digits
// of the status line when a response arrived ("404"), and is empty when none did (no
// connection, name or TLS error, time-out, a reply too large to accept).
class HttpError : public std::exception
{
public:
    HttpError(QString statusCode, QString detail);

    const QString &statusCode() const noexcept { return m_statusCode; }
    const QString &detail() const noexcept { return m_detail; }
    const char *what() const noexcept override;

private:
    QString m_statusCode;
    QString m_detail;
    QByteArray m_what;
};

// The programs' one way to the servers. Each call blocks its caller until the reply:
// the window keeps repainting, but clicks and keys that arrive meanwhile are dropped
// rather than replayed afterwards, so nothing is submitted twice. Connections stay open
// between requests of the same client; answers never come from a cache.
class HttpClient : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 MaxReplySize = 1024 * 1024;

    explicit HttpClient(QObject *parent = nullptr);
    ~HttpClient() override;

    // Posts the lines joined by "&", exactly as given (in the code page's bytes), as a form body.
    HttpResponse post(const QString &url, const QStringList &lines);
    // A plain GET; extraHeaders carry the notifier's validators.
    HttpResponse get(const QString &url, const QList<QPair<QByteArray, QByteArray>> &extraHeaders = {});

    // True while any client in the program waits for a reply: a timer that fires inside
    // the wait must not start a second request.
    static bool requestInProgress();

    // Tests shorten the time-outs so that a stalled server costs them a second.
    static void setTimeoutsForTesting(std::chrono::milliseconds connect, std::chrono::milliseconds total);

private:
    HttpResponse run(QNetworkRequest request, const QByteArray &verb, const QByteArray &body);

    QNetworkAccessManager *m_manager;
};
