// The betting pages the client's voting menu opens in the member's own browser, with
// the IPAT credential set in the query: they show what arrived, as sent and decoded.
#include "Demo.h"
#include "Pages.h"
#include "Web.h"

namespace {

using pages::Origin;

// The query keys in the order the client writes them.
constexpr std::array<const char *, 4> kQueryOrder = {"ii", "i", "p", "r"};

const char *labelOf(std::string_view name)
{
    for (const pages::CredentialField &f : pages::kCredentialFields) {
        if (name == f.name)
            return f.label;
    }
    return "";
}

void votingPage(const httplib::Request &req, httplib::Response &res, const char *title)
{
    const web::Fields query = web::queryFields(req);
    std::string body = "<p class=\"notice\">これはデモの投票ページです。実際の投票は行われません。</p>\n"
                       "<h2>受け取ったIPAT加入者情報</h2>\n<table>\n<thead><tr><th>項目</th><th>パラメーター</th>"
                       "<th>受け取った値</th><th>復号した値</th></tr></thead>\n<tbody>\n";
    int received = 0;
    for (const char *name : kQueryOrder) {
        const std::string id = name;
        body += "<tr><th>" + std::string(labelOf(name)) + "</th><td><code>" + id + "</code></td>";
        if (!web::hasField(query, name)) {
            body += "<td id=\"raw-" + id + "\">（なし）</td><td class=\"decoded\" id=\"dec-" + id
                + "\">（なし）</td></tr>\n";
            continue;
        }
        const std::string raw = web::field(query, name);
        if (raw.empty()) {
            body += "<td id=\"raw-" + id + "\">（空）</td><td class=\"decoded\" id=\"dec-" + id
                + "\">（空）</td></tr>\n";
            continue;
        }
        ++received;
        body += "<td class=\"code\" id=\"raw-" + id + "\">" + web::html(raw) + "</td>";
        const auto bytes = web::decodeCredential(raw);
        if (!bytes) {
            body += "<td class=\"decoded\" id=\"dec-" + id + "\">（形式エラー）</td></tr>\n";
        } else if (web::isPrintableAscii(*bytes)) {
            body += "<td class=\"decoded\" id=\"dec-" + id + "\">" + web::html(*bytes) + "</td></tr>\n";
        } else {
            // Shift_JIS text: the page script decodes it, where the browser knows the code page.
            body += "<td class=\"decoded\" id=\"dec-" + id + "\" data-credential=\"" + web::html(raw)
                + "\">（Shift_JIS " + std::to_string(bytes->size()) + " バイト）</td></tr>\n";
        }
    }
    body += "</tbody>\n</table>\n<p>受け取った項目: <strong id=\"received\">" + std::to_string(received)
        + "</strong>／4</p>\n<p class=\"muted\">受け取ったクエリ文字列: <code id=\"query\">"
        + web::html(web::rawQuery(req))
        + "</code></p>\n<p class=\"muted\">デモのため暗証番号もそのまま表示しています。</p>";
    web::sendHtml(res, pages::layout(Origin::Bet, title, body));
}

void index(Demo &demo, httplib::Response &res)
{
    // Sample links carry a made-up credential set, encoded as the client would.
    const std::string query = "ii=" + web::encodeCredential("AB123456") + "&i=" + web::encodeCredential("12345678")
        + "&p=" + web::encodeCredential("1234") + "&r=" + web::encodeCredential("5678");
    const std::string body
        = "<p>投票ページのデモです。クエンベルキットの[投票]メニューがこのページをブラウザーで開きます。</p>\n"
          "<ul class=\"links\">\n<li><a href=\"/ipat/main.php?"
        + web::html(query) + "\">通常投票</a> <code>/ipat/main.php</code></li>\n<li><a href=\"/ipat/win5.php?"
        + web::html(query)
        + "\">WIN5投票</a> <code>/ipat/win5.php</code></li>\n</ul>\n<p class=\"muted\">上のリンクは架空の加入者情報"
          "（INET-ID AB123456、加入者番号 12345678、暗証番号 1234、P-ARS番号 5678）を付けて開きます。</p>\n"
          "<p><a href=\""
        + demo.siteOrigin + "/\">Web サイトへ</a></p>";
    web::sendHtml(res, pages::layout(Origin::Bet, "投票ページ", body));
}

} // namespace

void addBetRoutes(httplib::Server &server, Demo &demo)
{
    pages::addCommonRoutes(server, Origin::Bet);
    server.Get("/", [&demo](const httplib::Request &, httplib::Response &res) { index(demo, res); });
    server.Get("/ipat/main\\.php",
               [](const httplib::Request &req, httplib::Response &res) { votingPage(req, res, "通常投票"); });
    server.Get("/ipat/win5\\.php",
               [](const httplib::Request &req, httplib::Response &res) { votingPage(req, res, "WIN5投票"); });
}
