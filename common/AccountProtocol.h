#pragma once

#include <QString>

class HttpClient;

// The four requests to the account server, the replies they understand and the
// message each outcome shows. The forms only wire these to their fields and dialogs.
namespace AccountProtocol {

// "インターネット接続に問題が発生しました。...StatusCode=" + code: the message for a
// failed authentication or password change (never for a 404, which is silent).
QString networkMessage(const QString &statusCode);

// What one authentication changes. The caller keeps it between checks: a reply that
// says nothing about a value leaves it as the previous check left it.
struct AuthState
{
    bool authenticated = false;
    int point = 0;
    QString xmlElement; // the element most recently started in the reply being read
};

// The main window reads both elements; the settings dialog reads only isAuthenticated.
enum class AuthReader
{
    AccountAndPoints,
    AccountOnly
};

// The reply walk, one call per reader event.
void authReplyStartElement(AuthState &state, const QString &name);
void authReplyText(AuthState &state, const QString &text, AuthReader reader);

// Posts "m=" + address and "p=" + password, unencoded, and walks the XML reply into
// state. Returns the message to show as an error (empty when there is none).
QString authenticate(HttpClient &http, const QString &address, const QString &password, AuthState &state,
                     AuthReader reader);

// Sign-up and reminder: the reply text, or on failure the status code, a space and
// whatever body came ("503 ", or " " without a response). They show nothing themselves.
QString sendSignUp(HttpClient &http, const QString &address, bool wantsNotices);
QString sendReminder(HttpClient &http, const QString &address);

enum class SignUpOutcome
{
    Created,
    AlreadyRegistered,
    Failed
};
SignUpOutcome signUpOutcome(const QString &reply);
bool reminderSent(const QString &reply);

struct PasswordChange
{
    bool changed = false;
    QString message; // to show as an error when not empty
};
// Posts "m=", "op=" and "np=" unencoded; a reply without the success text is shown as it stands.
PasswordChange changePassword(HttpClient &http, const QString &address, const QString &currentPassword,
                              const QString &newPassword);

} // namespace AccountProtocol
