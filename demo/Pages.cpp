#include "Pages.h"

#include "Web.h"

#include <vector>

namespace pages {

const std::array<CredentialField, 4> kCredentialFields = {{
    {"ii", "INET-ID"},
    {"i", "加入者番号"},
    {"r", "P-ARS番号"},
    {"p", "暗証番号"},
}};

namespace {

struct Link
{
    const char *href;
    const char *text;
};

const char *brand(Origin origin)
{
    switch (origin) {
    case Origin::Site:
        return "FalvanePelorin クエンベル";
    case Origin::Account:
        return "FalvanePelorin 会員サーバー";
    case Origin::Guest:
        return "FalvanePelorin ゲスト速報";
    case Origin::Bet:
        return "IPAT 投票（デモ）";
    }
    return "";
}

std::vector<Link> navigation(Origin origin)
{
    switch (origin) {
    case Origin::Site:
        return {{"/quenvel/index.php", "ホーム"},
                {"/quenvel/race.php", "レース一覧"},
                {"/quenvel/iyosou.php", "予想"},
                {"/quenvel/search.php", "データ検索"},
                {"/quenvel/help/top.php", "ヘルプ"}};
    case Origin::Account:
        return {{"/", "会員サーバー"}, {"/mailbox", "メールボックス"}};
    case Origin::Guest:
        return {{"/", "ゲストトップ"}, {"/vellguest/sokuhou/index.html", "レース速報"}};
    case Origin::Bet:
        return {{"/", "投票トップ"}, {"/ipat/main.php", "通常投票"}, {"/ipat/win5.php", "WIN5投票"}};
    }
    return {};
}

const char *const kStyleSheet = R"css(:root {
  --turf: #1e6b3c;
  --turf-dark: #124a28;
  --turf-light: #e8f3ec;
  --gold: #c9a23a;
  --gold-light: #f7efd6;
  --ink: #1f2a24;
}
* { box-sizing: border-box; }
body {
  margin: 0;
  font-family: "Hiragino Kaku Gothic ProN", "Noto Sans CJK JP", "Yu Gothic", Meiryo, sans-serif;
  color: var(--ink);
  background: #fff;
  line-height: 1.6;
}
header.top {
  background: var(--turf);
  border-bottom: 4px solid var(--gold);
  color: #fff;
}
header.top .inner, main, footer .inner { max-width: 960px; margin: 0 auto; padding: 0 16px; }
header.top .brand { display: inline-block; font-size: 1.25rem; font-weight: bold; padding: 10px 0; color: #fff; text-decoration: none; }
header.top .brand span { color: var(--gold); }
header.top nav { display: inline-block; margin-left: 24px; }
header.top nav a { color: #fff; text-decoration: none; padding: 4px 10px; border-radius: 3px; }
header.top nav a:hover, header.top nav a.current { background: var(--turf-dark); color: var(--gold); }
main { padding-top: 12px; padding-bottom: 24px; }
h1 { font-size: 1.4rem; color: var(--turf-dark); border-left: 6px solid var(--gold); padding-left: 10px; }
h2 { font-size: 1.1rem; color: var(--turf-dark); border-bottom: 2px solid var(--turf-light); padding-bottom: 2px; }
a { color: var(--turf); }
table { border-collapse: collapse; width: 100%; margin: 8px 0 16px; }
th, td { border: 1px solid #cfd8d2; padding: 4px 8px; text-align: left; vertical-align: top; }
thead th { background: var(--turf); color: #fff; }
tbody tr:nth-child(even) { background: var(--turf-light); }
td.num, th.num { text-align: right; }
td.mark { color: #b03a2e; font-weight: bold; text-align: center; }
.decoded { white-space: pre-wrap; }
code, .code { font-family: "DejaVu Sans Mono", Consolas, monospace; word-break: break-all; }
.box { border: 1px solid var(--gold); background: var(--gold-light); padding: 10px 14px; border-radius: 4px; margin: 12px 0; }
.notice { border-left: 4px solid var(--turf); background: var(--turf-light); padding: 8px 12px; }
.error { border-left: 4px solid #b03a2e; background: #fbeceb; padding: 8px 12px; }
.button, button, input[type=submit] {
  display: inline-block; background: var(--gold); color: var(--ink); border: 1px solid #a8852a;
  border-radius: 4px; padding: 6px 16px; font-size: 1rem; text-decoration: none; cursor: pointer;
}
.button:hover, button:hover, input[type=submit]:hover { background: #dbb751; }
input[type=text], input[type=email], input[type=password] { padding: 4px 6px; border: 1px solid #9fb3a6; border-radius: 3px; font-size: 1rem; }
form.stack label { display: block; margin: 6px 0; }
.bar { background: var(--gold); height: 12px; display: inline-block; vertical-align: middle; }
.muted { color: #5e6b63; font-size: 0.9rem; }
footer { border-top: 1px solid #cfd8d2; color: #5e6b63; font-size: 0.85rem; padding: 12px 0; }
ul.links li { margin: 4px 0; }
)css";

const char *const kScript = R"js('use strict';

// The client hands IPAT credentials over as three decimal digits per byte of their
// Shift_JIS text, each digit group the byte minus 48 and a negative group led by "-"
// ("abc" is 049050051, a blank -016). Returns the bytes, or null for any other text.
function pelorinCredentialBytes(text) {
  var bytes = [];
  var i = 0;
  while (i < text.length) {
    var negative = text.charAt(i) === '-';
    if (negative) {
      i++;
    }
    var group = text.substr(i, 3);
    if (!/^[0-9]{3}$/.test(group)) {
      return null;
    }
    var value = parseInt(group, 10);
    if (negative && value === 0) {
      return null;
    }
    value = (negative ? -value : value) + 48;
    if (value < 0 || value > 255) {
      return null;
    }
    bytes.push(value);
    i += 3;
  }
  return bytes;
}

function pelorinDecodeCredential(text) {
  var bytes = pelorinCredentialBytes(text);
  if (bytes === null) {
    return null;
  }
  return new TextDecoder('shift_jis').decode(new Uint8Array(bytes));
}

function pelorinShowCredential(name, raw) {
  var rawCell = document.getElementById('raw-' + name);
  var decodedCell = document.getElementById('dec-' + name);
  rawCell.textContent = raw === '' ? '（空）' : raw;
  if (raw === '') {
    decodedCell.textContent = '（空）';
    return;
  }
  var decoded = pelorinDecodeCredential(raw);
  decodedCell.textContent = decoded === null ? '（形式エラー）' : decoded;
}

// The page script the client's credential pages offer: show what the hidden fields
// "ii", "i", "r" and "p" of the form frmPat received.
function OnGoPatMaker() {
  var form = document.getElementById('frmPat');
  var names = ['ii', 'i', 'r', 'p'];
  var filled = 0;
  names.forEach(function (name) {
    var input = form.elements.namedItem(name);
    var raw = input && input.value !== undefined ? input.value : '';
    if (raw !== '') {
      filled++;
    }
    pelorinShowCredential(name, raw);
  });
  var status = document.getElementById('patStatus');
  status.textContent = filled === 0
    ? 'IPAT加入者情報を受け取っていません（隠しフィールドはすべて空です）。'
    : 'IPAT加入者情報を受け取りました（' + filled + '／4 項目）。';
  status.className = filled === 0 ? 'error' : 'notice';
  document.getElementById('patResult').hidden = false;
}

// Values the server already received (betting pages) are decoded here, where the
// browser knows Shift_JIS.
document.addEventListener('DOMContentLoaded', function () {
  document.querySelectorAll('[data-credential]').forEach(function (cell) {
    var decoded = pelorinDecodeCredential(cell.getAttribute('data-credential'));
    if (decoded !== null) {
      cell.textContent = decoded;
    }
  });
});
)js";

} // namespace

std::string layout(Origin origin, std::string_view title, std::string_view body)
{
    std::string page = "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"UTF-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
    page += web::html(title);
    page += " - ";
    page += brand(origin);
    page += "</title>\n<link rel=\"stylesheet\" href=\"/static/pelorin.css\">\n"
            "<script src=\"/static/pelorin.js\"></script>\n</head>\n<body>\n"
            "<header class=\"top\"><div class=\"inner\"><a class=\"brand\" href=\"/\">";
    page += brand(origin);
    page += "</a>\n<nav>";
    for (const Link &link : navigation(origin)) {
        page += "<a href=\"";
        page += link.href;
        page += "\">";
        page += link.text;
        page += "</a>";
    }
    page += "</nav></div></header>\n<main>\n<h1>";
    page += web::html(title);
    page += "</h1>\n";
    page += body;
    page += "\n</main>\n<footer><div class=\"inner\">FalvanePelorin デモサービス。"
            "表示されるレース、馬、騎手、オッズ、払戻はすべて架空のものです。</div></footer>\n";
    page += "</body>\n</html>\n";
    return page;
}

void addCommonRoutes(httplib::Server &server, Origin origin)
{
    server.Get("/static/pelorin\\.css", [](const httplib::Request &, httplib::Response &res) {
        res.set_content(kStyleSheet, "text/css; charset=UTF-8");
    });
    server.Get("/static/pelorin\\.js", [](const httplib::Request &, httplib::Response &res) {
        res.set_content(kScript, "text/javascript; charset=UTF-8");
    });
    // Statuses of 400 and up that a handler left without a body get a Japanese page.
    const httplib::Server::HandlerWithResponse errorPage
        = [origin](const httplib::Request &req, httplib::Response &res) {
              if (!res.body.empty())
                  return httplib::Server::HandlerResponse::Unhandled;
              const bool notFound = res.status == 404;
              const std::string title = notFound ? "ページが見つかりません" : "エラー";
              std::string body = "<p class=\"error\">";
              body += notFound ? "お探しのページ <code>" + web::html(req.path) + "</code> は見つかりませんでした。"
                               : "リクエストを処理できませんでした（ステータス " + std::to_string(res.status) + "）。";
              body += "</p>\n<p><a href=\"/\">トップへ戻る</a></p>";
              web::sendHtml(res, layout(origin, title, body), res.status);
              return httplib::Server::HandlerResponse::Handled;
          };
    server.set_error_handler(errorPage);
}

std::string credentialPanel()
{
    std::string panel = R"html(<section class="box">
<h2>IPAT連携</h2>
<p>FalvanePelorin に登録した IPAT 加入者情報が、このページの隠しフィールドに渡されます。</p>
<form id="frmPat" name="frmPat" action="#" onsubmit="return false;">
<input type="hidden" name="ii" value="">
<input type="hidden" name="i" value="">
<input type="hidden" name="r" value="">
<input type="hidden" name="p" value="">
</form>
<p><a class="button" id="lnkPatMaker" href="javascript:OnGoPatMaker()">買い目を作成（IPAT加入者情報を確認）</a></p>
<div id="patResult" hidden>
<p id="patStatus"></p>
<table>
<thead><tr><th>項目</th><th>フィールド</th><th>受け取った値</th><th>復号した値</th></tr></thead>
<tbody>
)html";
    for (const CredentialField &f : kCredentialFields) {
        panel += "<tr><th>";
        panel += f.label;
        panel += "</th><td><code>";
        panel += f.name;
        panel += "</code></td><td class=\"code\" id=\"raw-";
        panel += f.name;
        panel += "\"></td><td class=\"decoded\" id=\"dec-";
        panel += f.name;
        panel += "\"></td></tr>\n";
    }
    panel += "</tbody>\n</table>\n";
    panel += "<p class=\"muted\">デモのため暗証番号もそのまま表示しています。</p>\n</div>\n</section>";
    return panel;
}

} // namespace pages
