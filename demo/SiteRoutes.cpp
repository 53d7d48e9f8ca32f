// The service web site: the pages the client's toolbar opens, the three pages whose
// hidden fields the client fills with the IPAT credentials, and the data-update log
// the notifier polls.
#include "Demo.h"
#include "Pages.h"
#include "RaceCard.h"
#include "Web.h"

#include <algorithm>
#include <cstdio>

namespace {

using pages::Origin;

std::string title(const Race &race)
{
    return std::string(race.venue) + std::to_string(race.number) + "R " + race.name;
}

std::string raceLink(const char *page, const Race &race, const std::string &text)
{
    return std::string("<a href=\"/quenvel/") + page + "?race=" + race.id + "\">" + text + "</a>";
}

std::string odds(double value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string withThousands(int value)
{
    std::string digits = std::to_string(value < 0 ? -value : value);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<size_t>(i), ",");
    return value < 0 ? "-" + digits : digits;
}

// The race a page was asked for; pages take any query, so an unknown or missing race
// shows the day's main race.
const Race &requestedRace(const httplib::Request &req)
{
    const Race *race = findRace(web::field(web::queryFields(req), "race"));
    return race ? *race : races().front();
}

// Popularity: 1 for the lowest win odds.
int popularity(const Race &race, const Horse &horse)
{
    return 1 + static_cast<int>(std::count_if(race.horses.begin(), race.horses.end(), [&horse](const Horse &other) {
               return other.odds < horse.odds;
           }));
}

std::string raceHeading(const Race &race)
{
    return "<p class=\"notice\"><strong>" + web::html(title(race)) + "</strong>　" + race.course + "　発走 " + race.post
        + "</p>\n";
}

std::string otherRaces(const char *page, const Race &current)
{
    std::string links;
    for (const Race &race : races()) {
        if (&race != &current)
            links += (links.empty() ? "" : "　") + raceLink(page, race, web::html(title(race)));
    }
    return "<p>ほかのレース: " + links + "</p>\n";
}

void sendPage(httplib::Response &res, const std::string &pageTitle, const std::string &body)
{
    web::sendHtml(res, pages::layout(Origin::Site, pageTitle, body));
}

std::string lastStamp(const Demo &demo)
{
    const std::vector<std::string> lines = demo.updateLog.lines();
    return lines.empty() ? std::string() : lines.back().substr(0, 19);
}

void home(Demo &demo, const httplib::Request &req, httplib::Response &res)
{
    const web::Fields query = web::queryFields(req);
    std::string body;
    if (web::hasField(query, "m")) {
        const std::string address = web::field(query, "m");
        const AccountStore::AuthResult account = demo.accounts.authenticate(address, web::field(query, "p"));
        if (account.authenticated) {
            body += "<div class=\"box\" id=\"member\"><p>ようこそ、<strong>" + web::html(address)
                + "</strong> 様</p>\n<p>保有ポイント: <strong id=\"points\">" + withThousands(account.points)
                + "</strong> pt</p>\n";
            if (web::hasField(query, "v"))
                body += "<p class=\"muted\">ご利用中のクエンベルキット: バージョン " + web::html(web::field(query, "v"))
                    + "</p>\n";
            if (web::field(query, "t") == "1")
                body += "<p class=\"muted\">FalvanePelorin クエンベルキットから起動しました。</p>\n";
            body += "</div>\n";
        } else {
            body += "<p class=\"error\" id=\"member\">会員情報を確認できませんでした。"
                    "メールアドレスとパスワードをご確認ください。</p>\n";
        }
    } else {
        body += "<p class=\"notice\">FalvanePelorin クエンベルキットからログインすると、"
                "会員情報と保有ポイントがここに表示されます。</p>\n";
    }
    body += "<h2>本日の開催　" + web::localDateJapanese(std::time(nullptr))
        + "</h2>\n<table>\n"
          "<thead><tr><th>レース</th><th>コース</th><th>発走</th><th></th></tr></thead>\n<tbody>\n";
    for (const Race &race : races()) {
        body += "<tr><td>" + raceLink("shutsuba.php", race, web::html(title(race))) + "</td><td>" + race.course
            + "</td><td>" + race.post + "</td><td>" + raceLink("yosou.php", race, "予想") + "　"
            + raceLink("syukei.php", race, "集計") + "</td></tr>\n";
    }
    body += "</tbody>\n</table>\n<h2>お知らせ</h2>\n<ul>\n";
    body += "<li>最新データ更新: <span id=\"lastUpdate\">" + web::html(lastStamp(demo)) + "</span></li>\n";
    body += "<li>予想・出馬表・集計のページでは、IPAT加入者情報を使った買い目作成を"
            "お試しいただけます。</li>\n";
    body += "<li>レース結果はゲストサイトの速報でもご覧いただけます。</li>\n</ul>";
    sendPage(res, "ホーム", body);
}

void raceList(httplib::Response &res)
{
    std::string body = "<p>" + web::localDateJapanese(std::time(nullptr))
        + " の開催レースです。</p>\n<table>\n"
          "<thead><tr><th>場</th><th class=\"num\">R</th><th>レース名</th><th>コース</th><th>発走</th>"
          "<th class=\"num\">頭数</th><th>状況</th><th>ページ</th></tr></thead>\n<tbody>\n";
    for (const Race &race : races()) {
        body += std::string("<tr><td>") + race.venue + "</td><td class=\"num\">" + std::to_string(race.number)
            + "</td><td>" + race.name + "</td><td>" + race.course + "</td><td>" + race.post + "</td><td class=\"num\">"
            + std::to_string(race.horses.size()) + "</td><td>" + (race.finished() ? "確定" : "発走前") + "</td><td>"
            + raceLink("shutsuba.php", race, "出馬表") + "　" + raceLink("yosou.php", race, "予想") + "　"
            + raceLink("syukei.php", race, "集計") + "</td></tr>\n";
    }
    body += "</tbody>\n</table>";
    sendPage(res, "レース一覧", body);
}

void predictionList(httplib::Response &res)
{
    std::string body = "<p>本日の予想です。レース名を選ぶと詳しい予想と買い目作成のページを開きます。</p>\n<table>\n"
                       "<thead><tr><th>レース</th><th>本命 ◎</th><th>対抗 ○</th><th>見解</th></tr></thead>\n<tbody>\n";
    for (const Race &race : races()) {
        std::string first, second;
        for (const Horse &horse : race.horses) {
            if (std::string_view(horse.mark) == "◎")
                first = std::to_string(horse.number) + " " + horse.name;
            else if (std::string_view(horse.mark) == "○")
                second = std::to_string(horse.number) + " " + horse.name;
        }
        body += "<tr><td>" + raceLink("yosou.php", race, web::html(title(race))) + "</td><td>" + first + "</td><td>"
            + second + "</td><td>" + race.comment + "</td></tr>\n";
    }
    body += "</tbody>\n</table>";
    sendPage(res, "予想一覧", body);
}

void prediction(const httplib::Request &req, httplib::Response &res)
{
    const Race &race = requestedRace(req);
    static const std::vector<std::string_view> markOrder = {"◎", "○", "▲", "△", "☆"};
    std::vector<const Horse *> picks;
    for (const std::string_view mark : markOrder) {
        for (const Horse &horse : race.horses) {
            if (mark == horse.mark)
                picks.push_back(&horse);
        }
    }
    std::string body = raceHeading(race)
        + "<table>\n<thead><tr><th>印</th><th class=\"num\">馬番</th><th>馬名</th>"
          "<th>騎手</th><th class=\"num\">単勝</th></tr></thead>\n<tbody>\n";
    for (const Horse *horse : picks) {
        body += std::string("<tr><td class=\"mark\">") + horse->mark + "</td><td class=\"num\">"
            + std::to_string(horse->number) + "</td><td>" + horse->name + "</td><td>" + horse->jockey
            + "</td><td class=\"num\">" + odds(horse->odds) + "</td></tr>\n";
    }
    body += "</tbody>\n</table>\n<p><strong>見解</strong>: " + std::string(race.comment) + "</p>\n";
    body += pages::credentialPanel() + "\n" + otherRaces("yosou.php", race);
    sendPage(res, "予想", body);
}

void raceCard(const httplib::Request &req, httplib::Response &res)
{
    const Race &race = requestedRace(req);
    std::string body = raceHeading(race)
        + "<table>\n<thead><tr><th class=\"num\">馬番</th><th>馬名</th><th>騎手</th><th class=\"num\">単勝</th>"
          "<th class=\"num\">人気</th><th>予想印</th></tr></thead>\n<tbody>\n";
    for (const Horse &horse : race.horses) {
        body += "<tr><td class=\"num\">" + std::to_string(horse.number) + "</td><td>" + horse.name + "</td><td>"
            + horse.jockey + "</td><td class=\"num\">" + odds(horse.odds) + "</td><td class=\"num\">"
            + std::to_string(popularity(race, horse)) + "</td><td class=\"mark\">" + horse.mark + "</td></tr>\n";
    }
    body += "</tbody>\n</table>\n" + pages::credentialPanel() + "\n" + otherRaces("shutsuba.php", race);
    sendPage(res, "出馬表", body);
}

void tally(const httplib::Request &req, httplib::Response &res)
{
    const Race &race = requestedRace(req);
    // The share of the win pool each horse holds, as its odds imply.
    double total = 0;
    for (const Horse &horse : race.horses)
        total += 1.0 / horse.odds;
    std::vector<const Horse *> byPopularity;
    for (const Horse &horse : race.horses)
        byPopularity.push_back(&horse);
    std::sort(byPopularity.begin(), byPopularity.end(),
              [](const Horse *a, const Horse *b) { return a->odds < b->odds; });
    std::string body = raceHeading(race)
        + "<p>単勝オッズから見た支持率の集計です。</p>\n<table>\n<thead><tr><th class=\"num\">人気</th>"
          "<th class=\"num\">馬番</th><th>馬名</th><th class=\"num\">単勝</th><th>支持率</th></tr></thead>\n<tbody>\n";
    for (const Horse *horse : byPopularity) {
        const double share = 100.0 / horse->odds / total;
        char percent[16];
        std::snprintf(percent, sizeof percent, "%.1f%%", share);
        body += "<tr><td class=\"num\">" + std::to_string(popularity(race, *horse)) + "</td><td class=\"num\">"
            + std::to_string(horse->number) + "</td><td>" + horse->name + "</td><td class=\"num\">" + odds(horse->odds)
            + "</td><td><span class=\"bar\" style=\"width:" + std::to_string(static_cast<int>(share * 3))
            + "px\"></span> " + percent + "</td></tr>\n";
    }
    body += "</tbody>\n</table>\n" + pages::credentialPanel() + "\n" + otherRaces("syukei.php", race);
    sendPage(res, "集計", body);
}

void search(const httplib::Request &req, httplib::Response &res)
{
    const std::string query = web::field(web::queryFields(req), "q");
    std::string body = "<form method=\"get\" action=\"/quenvel/search.php\"><label>馬名・騎手名・レース名 "
                       "<input type=\"text\" name=\"q\" value=\""
        + web::html(query) + "\"></label> <input type=\"submit\" value=\"検索\"></form>\n";
    if (query.empty()) {
        body += "<p class=\"muted\">例: 「カゼ」「若草」「特別」</p>";
        return sendPage(res, "データ検索", body);
    }
    std::string rows;
    int hits = 0;
    for (const Race &race : races()) {
        const bool raceMatches = title(race).find(query) != std::string::npos;
        for (const Horse &horse : race.horses) {
            if (!raceMatches && std::string_view(horse.name).find(query) == std::string_view::npos
                && std::string_view(horse.jockey).find(query) == std::string_view::npos)
                continue;
            ++hits;
            rows += "<tr><td>" + raceLink("shutsuba.php", race, web::html(title(race))) + "</td><td class=\"num\">"
                + std::to_string(horse.number) + "</td><td>" + horse.name + "</td><td>" + horse.jockey
                + "</td><td class=\"num\">" + odds(horse.odds) + "</td><td class=\"num\">"
                + (horse.finish > 0 ? std::to_string(horse.finish) + "着" : "－") + "</td></tr>\n";
        }
    }
    body += "<p>「" + web::html(query) + "」の検索結果: " + std::to_string(hits) + " 件</p>\n";
    if (hits > 0) {
        body += "<table>\n<thead><tr><th>レース</th><th class=\"num\">馬番</th><th>馬名</th><th>騎手</th>"
                "<th class=\"num\">単勝</th><th class=\"num\">着順</th></tr></thead>\n<tbody>\n"
            + rows + "</tbody>\n</table>";
    }
    sendPage(res, "データ検索", body);
}

void help(httplib::Response &res)
{
    sendPage(res, "ヘルプ", R"html(<h2>はじめに</h2>
<p>FalvanePelorin クエンベルキットは、レース情報・予想・データをひとつのウィンドウで見られる会員向けアプリケーションです。
初回の起動時に初期設定を行い、登録済みのメールアドレスでログインするか、新しく登録してください。
新規登録では、入力したメールアドレス宛に6桁のパスワードが届きます。</p>
<h2>ツールバー</h2>
<table>
<thead><tr><th>ボタン</th><th>はたらき</th></tr></thead>
<tbody>
<tr><td>戻る・進む</td><td>表示したページの履歴を移動します。</td></tr>
<tr><td>中止・再読込</td><td>読み込みを止めます。最後に表示したページをもう一度読み込みます。</td></tr>
<tr><td>ホーム</td><td>ホーム画面を開きます。</td></tr>
<tr><td>レース</td><td>本日のレース一覧を開きます。</td></tr>
<tr><td>予想</td><td>予想の一覧を開きます。</td></tr>
<tr><td>投票</td><td>通常投票・WIN5投票のページをお使いのブラウザーで開きます。</td></tr>
<tr><td>データ</td><td>馬名や騎手名でデータを検索します。</td></tr>
<tr><td>速報</td><td>レース速報をお使いのブラウザーで開きます。</td></tr>
<tr><td>登録情報</td><td>アカウントとIPAT加入者情報を確認・変更します。</td></tr>
</tbody>
</table>
<h2>IPAT加入者情報</h2>
<p>[登録情報]ボタンから、INET-ID・加入者番号・P-ARS番号・暗証番号を2組まで登録できます。
予想・出馬表・集計のページと投票ページには、使用中の組の情報が渡されます。</p>
<h2>PelorinNews</h2>
<p>タスクバーの通知領域に常駐し、データが更新されるとお知らせを表示します。お知らせのリンクからクエンベルキットを起動できます。</p>
<h2>パスワードを忘れたとき</h2>
<p>初期設定の画面で「パスワードの再発行」を選ぶと、登録済みのメールアドレス宛にパスワードをお送りします。</p>)html");
}

void framePage(const httplib::Request &req, httplib::Response &res)
{
    std::string page = web::field(web::queryFields(req), "page");
    if (page != "shutsuba" && page != "syukei")
        page = "yosou";
    const std::string src = "/quenvel/" + page + ".php?race=" + races().front().id;
    sendPage(
        res, "フレーム表示",
        "<p>IPAT加入者情報を受け取るページ <code>" + src
            + "</code> をフレームの中に表示しています。フレームの中のページには隠しフィールドが書き込まれません。</p>\n"
              "<iframe id=\"credentialFrame\" name=\"credentialFrame\" src=\""
            + src + "\" style=\"width:100%;height:720px;border:1px solid #cfd8d2\"></iframe>");
}

// The log is a static file to its readers: validators, and 304 when they still hold
// the current version. If-None-Match wins over If-Modified-Since, as HTTP says.
void updateLog(Demo &demo, const httplib::Request &req, httplib::Response &res)
{
    const UpdateLog::Snapshot snapshot = demo.updateLog.snapshot();
    res.set_header("ETag", snapshot.etag);
    res.set_header("Last-Modified", web::httpDate(snapshot.lastModified));
    res.set_header("Cache-Control", "no-cache");
    bool unchanged = false;
    if (req.has_header("If-None-Match")) {
        const std::string tags = req.get_header_value("If-None-Match");
        size_t start = 0;
        while (start < tags.size() && !unchanged) {
            size_t comma = tags.find(',', start);
            if (comma == std::string::npos)
                comma = tags.size();
            std::string tag = tags.substr(start, comma - start);
            tag.erase(0, tag.find_first_not_of(" \t"));
            tag.erase(tag.find_last_not_of(" \t") + 1);
            if (tag.rfind("W/", 0) == 0)
                tag.erase(0, 2);
            unchanged = tag == "*" || tag == snapshot.etag;
            start = comma + 1;
        }
    } else if (req.has_header("If-Modified-Since")) {
        const auto since = web::parseHttpDate(req.get_header_value("If-Modified-Since"));
        unchanged = since && snapshot.lastModified <= *since;
    }
    if (unchanged) {
        // No body; a Content-Length must then give the full length, or httplib would say 0.
        res.status = 304;
        res.set_header("Content-Length", std::to_string(snapshot.body.size()));
        return;
    }
    res.set_content(snapshot.body, "text/plain");
}

void publishPage(Demo &demo, httplib::Response &res)
{
    const std::vector<std::string> lines = demo.updateLog.lines();
    std::string body = "<p>データ更新ログ <a href=\"/pelorin/sql/sql_log.txt\">"
                       "<code>/pelorin/sql/sql_log.txt</code></a> に1行追加します。"
                       "PelorinNews は最終行の先頭19文字を前回のお知らせと比べ、"
                       "違っていればお知らせを表示します。</p>\n";
    body += "<form class=\"stack\" method=\"post\" action=\"/pelorin/publish\">\n"
            "<input type=\"hidden\" name=\"from\" value=\"page\">\n";
    body += "<label>日時 (stamp) <input type=\"text\" name=\"stamp\" size=\"24\" placeholder=\""
        + web::localStamp(std::time(nullptr))
        + "\"> <span class=\"muted\">空欄なら現在時刻。半角英数記号のみ</span></label>\n";
    body += "<label>メモ (note) <input type=\"text\" name=\"note\" value=\"data update\" size=\"24\"></label>\n"
            "<input type=\"submit\" value=\"データ更新を公開\">\n</form>\n";
    body += "<h2>ログの最後の行</h2>\n<table>\n<tbody>\n";
    const size_t first = lines.size() > 8 ? lines.size() - 8 : 0;
    for (size_t i = first; i < lines.size(); ++i)
        body += "<tr><td class=\"code\">" + web::html(lines[i]) + "</td></tr>\n";
    body += "</tbody>\n</table>";
    sendPage(res, "データ更新の公開", body);
}

void publish(Demo &demo, const httplib::Request &req, httplib::Response &res)
{
    const web::Fields form = web::formFields(req);
    const std::time_t now = std::time(nullptr);
    const std::string stamp = web::field(form, "stamp").empty() ? web::localStamp(now) : web::field(form, "stamp");
    const std::string note = web::hasField(form, "note") ? web::field(form, "note") : "data update";
    const auto line = demo.updateLog.publish(stamp, note, now);
    if (!line)
        return web::sendText(res, "日時とメモは半角の英数字・記号で、それぞれ80文字以内で指定してください。\n", 400);
    demo.console.say("published " + *line);
    if (web::field(form, "from") == "page") {
        res.set_redirect("/pelorin/publish", 303);
        return;
    }
    web::sendText(res, *line + "\n");
}

void index(Demo &demo, httplib::Response &res)
{
    std::string body
        = R"html(<p>FalvanePelorin の Web サイトのデモです。クエンベルキットのツールバーが開くページをすべて用意しています。</p>
<h2>ページ</h2>
<ul class="links">
<li><a href="/quenvel/index.php">ホーム</a> <code>/quenvel/index.php</code>（<a href="/quenvel/index.php?m=demo%40pelorin.example&amp;p=123456&amp;v=1.1.0.9&amp;t=1">デモアカウントで表示</a>）</li>
<li><a href="/quenvel/race.php">レース一覧</a> <code>/quenvel/race.php</code></li>
<li><a href="/quenvel/iyosou.php">予想一覧</a> <code>/quenvel/iyosou.php</code></li>
<li><a href="/quenvel/search.php">データ検索</a> <code>/quenvel/search.php</code></li>
<li><a href="/quenvel/help/top.php">ヘルプ</a> <code>/quenvel/help/top.php</code></li>
</ul>
<h2>IPAT加入者情報を受け取るページ</h2>
<ul class="links">
<li><a href="/quenvel/yosou.php">予想</a> <code>/quenvel/yosou.php</code></li>
<li><a href="/quenvel/shutsuba.php">出馬表</a> <code>/quenvel/shutsuba.php</code></li>
<li><a href="/quenvel/syukei.php">集計</a> <code>/quenvel/syukei.php</code></li>
<li><a href="/quenvel/frame.php">フレームの中の予想ページ</a> <code>/quenvel/frame.php</code>（<code>?page=shutsuba</code> / <code>?page=syukei</code> も可）</li>
</ul>
<h2>データ更新</h2>
<ul class="links">
<li><a href="/pelorin/sql/sql_log.txt">データ更新ログ</a> <code>/pelorin/sql/sql_log.txt</code></li>
<li><a href="/pelorin/publish">データ更新を公開する</a> <code>/pelorin/publish</code></li>
</ul>
<h2>ほかのデモ</h2>
<ul class="links">
)html";
    body += "<li><a href=\"" + demo.accountOrigin + "/\">会員サーバー</a>（<a href=\"" + demo.accountOrigin
        + "/mailbox\">メールボックス</a>）</li>\n";
    body += "<li><a href=\"" + demo.guestOrigin
        + "/vellguest/sokuhou/index.html\">レース速報（ゲストサイト）</a></li>\n";
    body += "<li><a href=\"" + demo.betOrigin + "/\">投票ページ</a></li>\n</ul>";
    sendPage(res, "Web サイト", body);
}

} // namespace

void addSiteRoutes(httplib::Server &server, Demo &demo)
{
    using Req = const httplib::Request &;
    using Res = httplib::Response &;
    pages::addCommonRoutes(server, Origin::Site);
    server.Get("/", [&demo](Req, Res res) { index(demo, res); });
    server.Get("/quenvel/index\\.php", [&demo](Req req, Res res) { home(demo, req, res); });
    server.Get("/quenvel/race\\.php", [](Req, Res res) { raceList(res); });
    server.Get("/quenvel/iyosou\\.php", [](Req, Res res) { predictionList(res); });
    server.Get("/quenvel/search\\.php", [](Req req, Res res) { search(req, res); });
    server.Get("/quenvel/help/top\\.php", [](Req, Res res) { help(res); });
    server.Get("/quenvel/yosou\\.php", [](Req req, Res res) { prediction(req, res); });
    server.Get("/quenvel/shutsuba\\.php", [](Req req, Res res) { raceCard(req, res); });
    server.Get("/quenvel/syukei\\.php", [](Req req, Res res) { tally(req, res); });
    server.Get("/quenvel/frame\\.php", [](Req req, Res res) { framePage(req, res); });
    server.Get("/pelorin/sql/sql_log\\.txt", [&demo](Req req, Res res) { updateLog(demo, req, res); });
    server.Get("/pelorin/publish", [&demo](Req, Res res) { publishPage(demo, res); });
    server.Post("/pelorin/publish", [&demo](Req req, Res res) { publish(demo, req, res); });
}
