#include "AccountProtocol.h"

#include "AppError.h"
#include "Cp932.h"
#include "DecimalText.h"
#include "FormEncoding.h"
#include "HttpClient.h"
#include "Origins.h"
#include "XmlReader.h"

namespace AccountProtocol {

namespace {

QString accountUrl(const char *script)
{
    return Origins::get().account + QStringLiteral("/_pelorin/") + QLatin1String(script);
}

// The server answers in UTF-8; the client reads it in its own code page, so a character
// the code page cannot hold reads as "?", as it always has.
QString replyText(const QByteArray &body)
{
    return Cp932::toUnicode(Cp932::fromUnicode(QString::fromUtf8(body)));
}

QString postForText(HttpClient &http, const char *script, const QStringList &lines)
{
    try {
        return replyText(http.post(accountUrl(script), lines).body);
    } catch (const HttpError &error) {
        // No body comes with an error status, so this is the code and a space.
        return error.statusCode() + QLatin1Char(' ');
    }
}

} // namespace

QString networkMessage(const QString &statusCode)
{
    return QStringLiteral("インターネット接続に問題が発生しました。\r\n\r\n"
                          "このアプリケーションはインターネットに接続している環境でご利用ください。\r\n\r\n"
                          "StatusCode=")
        + statusCode;
}

void authReplyStartElement(AuthState &state, const QString &name)
{
    state.xmlElement = name;
}

void authReplyText(AuthState &state, const QString &text, AuthReader reader)
{
    if (state.xmlElement == QLatin1String("isAuthenticated")) {
        state.authenticated = text.toLower() == QLatin1String("true");
    } else if (reader == AuthReader::AccountAndPoints && state.xmlElement == QLatin1String("point")) {
        int point = 0;
        state.point = parseDecimalInt32(text, &point) ? point : 0;
    }
}

QString authenticate(HttpClient &http, const QString &address, const QString &password, AuthState &state,
                     AuthReader reader)
{
    state.xmlElement.clear();
    QByteArray reply;
    try {
        reply
            = http.post(accountUrl("auth.php"), {QStringLiteral("m=") + address, QStringLiteral("p=") + password}).body;
    } catch (const HttpError &error) {
        if (error.statusCode() == QLatin1String("404"))
            return {};
        return networkMessage(error.statusCode());
    }
    if (reply.isEmpty())
        return {};

    XmlReader xml;
    xml.onParseStartElement
        = [&](const QString &name, const QXmlStreamAttributes &) { authReplyStartElement(state, name); };
    xml.onParseText = [&](const QString &text) { authReplyText(state, text, reader); };
    try {
        xml.load(reply);
    } catch (const AppError &error) {
        return QStringLiteral("XMLParseError=") + error.message();
    }
    return {};
}

QString sendSignUp(HttpClient &http, const QString &address, bool wantsNotices)
{
    return postForText(http, "regist.php",
                       {QStringLiteral("email=") + EncodeFormValue(address),
                        wantsNotices ? QStringLiteral("an=1") : QStringLiteral("an=0"), QStringLiteral("pr=Q0002")});
}

QString sendReminder(HttpClient &http, const QString &address)
{
    return postForText(http, "reminder.php", {QStringLiteral("m=") + EncodeFormValue(address)});
}

SignUpOutcome signUpOutcome(const QString &reply)
{
    if (reply == QLatin1String("<OK>"))
        return SignUpOutcome::Created;
    if (reply.contains(QStringLiteral("登録済み")))
        return SignUpOutcome::AlreadyRegistered;
    return SignUpOutcome::Failed;
}

bool reminderSent(const QString &reply)
{
    return reply.contains(QStringLiteral("パスワードをメールでお送"));
}

PasswordChange changePassword(HttpClient &http, const QString &address, const QString &currentPassword,
                              const QString &newPassword)
{
    PasswordChange result;
    try {
        const QString reply
            = replyText(http.post(accountUrl("change_pass.php"),
                                  {QStringLiteral("m=") + address, QStringLiteral("op=") + currentPassword,
                                   QStringLiteral("np=") + newPassword})
                            .body);
        result.changed = reply.contains(QStringLiteral("パスワードを変更いたしました"));
        if (!result.changed)
            result.message = reply;
    } catch (const HttpError &error) {
        if (error.statusCode() != QLatin1String("404"))
            result.message = networkMessage(error.statusCode());
    }
    return result;
}

} // namespace AccountProtocol
