// The guest site: the flash results (速報) the client opens in the member's own browser.
#include "Demo.h"
#include "Pages.h"
#include "RaceCard.h"
#include "Web.h"

#include <algorithm>
#include <cstdio>

namespace {

using pages::Origin;

void flashResults(httplib::Response &res)
{
    std::string body = "<p>" + web::localDateJapanese(std::time(nullptr)) + " のレース速報です（更新 "
        + web::localStamp(std::time(nullptr)).substr(11, 5) + "）。</p>\n";
    for (const Race &race : races()) {
        body += "<h2>" + std::string(race.venue) + std::to_string(race.number) + "R " + race.name
            + "　<span class=\"muted\">" + race.course + "　発走 " + race.post + "</span></h2>\n";
        if (!race.finished()) {
            body += "<p class=\"notice\">発走前です。結果は確定しだいお知らせします。</p>\n";
            continue;
        }
        std::vector<const Horse *> order;
        for (const Horse &horse : race.horses)
            order.push_back(&horse);
        std::sort(order.begin(), order.end(), [](const Horse *a, const Horse *b) { return a->finish < b->finish; });
        body += "<table>\n<thead><tr><th class=\"num\">着順</th><th class=\"num\">馬番</th><th>馬名</th><th>騎手</th>"
                "<th>タイム</th></tr></thead>\n<tbody>\n";
        for (size_t i = 0; i < order.size() && i < 3; ++i) {
            const Horse &horse = *order[i];
            body += "<tr><td class=\"num\">" + std::to_string(horse.finish) + "</td><td class=\"num\">"
                + std::to_string(horse.number) + "</td><td>" + horse.name + "</td><td>" + horse.jockey + "</td><td>"
                + horse.time + "</td></tr>\n";
        }
        char payout[32];
        std::snprintf(payout, sizeof payout, "%d", static_cast<int>(order.front()->odds * 100 + 0.5));
        body += "</tbody>\n</table>\n<p>確定　単勝 " + std::to_string(order.front()->number) + " 番　" + payout
            + " 円</p>\n";
    }
    web::sendHtml(res, pages::layout(Origin::Guest, "レース速報", body));
}

void index(Demo &demo, httplib::Response &res)
{
    const std::string body = "<p>会員でない方もご覧いただけるゲストサイトです。</p>\n<ul class=\"links\">\n"
                             "<li><a href=\"/vellguest/sokuhou/index.html\">レース速報</a> "
                             "<code>/vellguest/sokuhou/index.html</code></li>\n<li><a href=\""
        + demo.siteOrigin + "/\">Web サイト</a></li>\n</ul>";
    web::sendHtml(res, pages::layout(Origin::Guest, "ゲストサイト", body));
}

} // namespace

void addGuestRoutes(httplib::Server &server, Demo &demo)
{
    pages::addCommonRoutes(server, Origin::Guest);
    server.Get("/", [&demo](const httplib::Request &, httplib::Response &res) { index(demo, res); });
    server.Get("/vellguest/sokuhou/index\\.html",
               [](const httplib::Request &, httplib::Response &res) { flashResults(res); });
}
