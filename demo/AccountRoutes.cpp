// The account server: the four form posts the client sends under /_pelorin/, and a
// mailbox that shows the mails the service would send.
#include "Demo.h"
#include "Pages.h"
#include "Web.h"

#include <algorithm>

namespace {

using pages::Origin;

// Replies the client looks for, by the phrase it tests (the wizard and the dialogs
// show every other reply to the member as it is).
const char *const kSignUpDone = "<OK>";
const char *const kAlreadyRegistered = "このメールアドレスは既に登録済みです。";
const char *const kBadAddress = "メールアドレスの形式が正しくありません。";
const char *const kNoProduct = "製品コードが指定されていません。";
const char *const kBadProduct = "製品コードが正しくありません。";
const char *const kBadNotices = "お知らせ受信の指定が正しくありません。";
const char *const kReminderSent = "ご登録のメールアドレスにパスワードをメールでお送りしました。";
const char *const kNoAddress = "メールアドレスが指定されていません。";
const char *const kUnknownAddress = "このメールアドレスは登録されていません。";
const char *const kPasswordChanged = "パスワードを変更いたしました。";
const char *const kWrongAccount = "メールアドレスまたは現在のパスワードが正しくありません。";
const char *const kPasswordTooShort = "新しいパスワードは4文字以上で指定してください。";

const char *const kProductCode = "Q0002";

void auth(Demo &demo, const httplib::Request &req, httplib::Response &res)
{
    const web::Fields form = web::formFields(req);
    const AccountStore::AuthResult result = demo.accounts.authenticate(web::field(form, "m"), web::field(form, "p"));
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<result><isAuthenticated>";
    xml += result.authenticated ? "true" : "false";
    xml += "</isAuthenticated><point>" + std::to_string(result.points) + "</point></result>\n";
    res.set_content(xml, "text/xml; charset=UTF-8");
}

void regist(Demo &demo, const httplib::Request &req, httplib::Response &res)
{
    const web::Fields form = web::formFields(req);
    if (!web::hasField(form, "pr") || web::field(form, "pr").empty())
        return web::sendText(res, kNoProduct);
    if (web::field(form, "pr") != kProductCode)
        return web::sendText(res, kBadProduct);
    const std::string notices = web::hasField(form, "an") ? web::field(form, "an") : "0";
    if (notices != "0" && notices != "1")
        return web::sendText(res, kBadNotices);
    switch (demo.accounts.signUp(web::field(form, "email"), notices == "1")) {
    case AccountStore::SignUpResult::Created:
        return web::sendText(res, kSignUpDone);
    case AccountStore::SignUpResult::AlreadyRegistered:
        return web::sendText(res, kAlreadyRegistered);
    case AccountStore::SignUpResult::BadAddress:
        return web::sendText(res, kBadAddress);
    }
}

void reminder(Demo &demo, const httplib::Request &req, httplib::Response &res)
{
    const std::string address = web::field(web::formFields(req), "m");
    if (address.empty())
        return web::sendText(res, kNoAddress);
    web::sendText(res, demo.accounts.remind(address) ? kReminderSent : kUnknownAddress);
}

void changePass(Demo &demo, const httplib::Request &req, httplib::Response &res)
{
    const web::Fields form = web::formFields(req);
    switch (demo.accounts.changePassword(web::field(form, "m"), web::field(form, "op"), web::field(form, "np"))) {
    case AccountStore::ChangeResult::Changed:
        return web::sendText(res, kPasswordChanged);
    case AccountStore::ChangeResult::WrongAccount:
        return web::sendText(res, kWrongAccount);
    case AccountStore::ChangeResult::PasswordTooShort:
        return web::sendText(res, kPasswordTooShort);
    }
}

const char *kindName(AccountStore::MailKind kind)
{
    return kind == AccountStore::MailKind::SignUp ? "新規登録" : "パスワード再発行";
}

void mailbox(Demo &demo, httplib::Response &res)
{
    std::vector<AccountStore::Mail> mails = demo.accounts.mails();
    std::reverse(mails.begin(), mails.end());
    std::string body = "<p>デモサービスが「送信」したメールです（新しい順）。実際にはメールは送られません。"
                       " <a href=\"/mailbox\">最新の状態に更新</a></p>\n";
    if (mails.empty()) {
        body += "<p class=\"notice\">まだメールはありません。初期設定の新規登録やパスワードの再発行を行うと、"
                "ここにパスワードが届きます。</p>";
    } else {
        body += "<table>\n<thead><tr><th>送信日時</th><th>宛先</th><th>件名</th><th>パスワード</th>"
                "<th>お知らせ</th></tr></thead>\n<tbody>\n";
        for (const AccountStore::Mail &mail : mails) {
            body += "<tr><td>" + web::localStamp(mail.sent) + "</td><td>" + web::html(mail.address) + "</td><td>"
                + kindName(mail.kind) + "のお知らせ</td><td class=\"code\"><strong>" + web::html(mail.password)
                + "</strong></td><td>" + (mail.wantsNotices ? "受け取る" : "受け取らない") + "</td></tr>\n";
        }
        body += "</tbody>\n</table>";
    }
    body += "\n<p class=\"muted\">自動テスト向けのテキスト版: <a href=\"/mailbox.txt\">/mailbox.txt</a>"
            "（1行に1通、宛先とパスワードをタブ区切り、古い順）</p>";
    web::sendHtml(res, pages::layout(Origin::Account, "メールボックス", body));
}

void mailboxText(Demo &demo, httplib::Response &res)
{
    std::string text;
    for (const AccountStore::Mail &mail : demo.accounts.mails())
        text += mail.address + "\t" + mail.password + "\n";
    web::sendText(res, text);
}

void index(Demo &demo, httplib::Response &res)
{
    std::string body
        = R"html(<p>FalvanePelorin の会員アカウントを扱うサーバーです。アカウントはメモリー上にだけあり、終了すると消えます。</p>
<div class="box"><strong>デモアカウント</strong>: )html";
    body += AccountStore::kDemoAddress;
    body += " ／ パスワード ";
    body += AccountStore::kDemoPassword;
    body += "（" + std::to_string(AccountStore::kDemoPoints) + " ポイント）</div>\n";
    body += R"html(<ul class="links">
<li><a href="/mailbox">メールボックス</a>（送信されたパスワードの一覧）</li>
<li><a href="/mailbox.txt">メールボックス（テキスト版）</a></li>
</ul>
<h2>手動で試す</h2>
<form class="stack" method="post" action="/_pelorin/auth.php"><strong>認証</strong> <code>auth.php</code>
<label>メールアドレス (m) <input type="text" name="m"></label>
<label>パスワード (p) <input type="text" name="p"></label>
<input type="submit" value="送信"></form>
<form class="stack" method="post" action="/_pelorin/regist.php"><strong>新規登録</strong> <code>regist.php</code>
<label>メールアドレス (email) <input type="text" name="email"></label>
<label>お知らせ (an) <input type="text" name="an" value="1"></label>
<input type="hidden" name="pr" value="Q0002">
<input type="submit" value="送信"></form>
<form class="stack" method="post" action="/_pelorin/reminder.php"><strong>パスワード再発行</strong> <code>reminder.php</code>
<label>メールアドレス (m) <input type="text" name="m"></label>
<input type="submit" value="送信"></form>
<form class="stack" method="post" action="/_pelorin/change_pass.php"><strong>パスワード変更</strong> <code>change_pass.php</code>
<label>メールアドレス (m) <input type="text" name="m"></label>
<label>現在のパスワード (op) <input type="text" name="op"></label>
<label>新しいパスワード (np) <input type="text" name="np"></label>
<input type="submit" value="送信"></form>
<h2>ほかのデモ</h2>
<ul class="links">
)html";
    body += "<li><a href=\"" + demo.siteOrigin + "/\">Web サイト</a></li>\n";
    body += "<li><a href=\"" + demo.guestOrigin + "/\">ゲストサイト</a></li>\n";
    body += "<li><a href=\"" + demo.betOrigin + "/\">投票ページ</a></li>\n</ul>";
    web::sendHtml(res, pages::layout(Origin::Account, "会員サーバー", body));
}

} // namespace

void addAccountRoutes(httplib::Server &server, Demo &demo)
{
    pages::addCommonRoutes(server, Origin::Account);
    server.Post("/_pelorin/auth\\.php",
                [&demo](const httplib::Request &req, httplib::Response &res) { auth(demo, req, res); });
    server.Post("/_pelorin/regist\\.php",
                [&demo](const httplib::Request &req, httplib::Response &res) { regist(demo, req, res); });
    server.Post("/_pelorin/reminder\\.php",
                [&demo](const httplib::Request &req, httplib::Response &res) { reminder(demo, req, res); });
    server.Post("/_pelorin/change_pass\\.php",
                [&demo](const httplib::Request &req, httplib::Response &res) { changePass(demo, req, res); });
    server.Get("/mailbox", [&demo](const httplib::Request &, httplib::Response &res) { mailbox(demo, res); });
    server.Get("/mailbox\\.txt", [&demo](const httplib::Request &, httplib::Response &res) { mailboxText(demo, res); });
    server.Get("/", [&demo](const httplib::Request &, httplib::Response &res) { index(demo, res); });
}
