#pragma once

#include <ctime>
#include <httplib.h>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// Small helpers every origin of the demo service uses: reading form posts and query
// strings the way a PHP page would, writing safe HTML, the credential encoding the
// client puts into hidden fields and betting URLs, and the time stamps the pages show.
namespace web {

// Form fields, decoded: "+" is a space, "%XX" a byte; a repeated name keeps its last
// value, and only the first "=" of a pair separates name and value.
using Fields = std::map<std::string, std::string>;

Fields parseUrlEncoded(std::string_view text);
std::string percentDecode(std::string_view text, bool plusIsSpace);
std::string percentEncode(std::string_view bytes);

// The query string of the request target, and the fields of a form post (empty unless
// the body is application/x-www-form-urlencoded, as for $_POST).
std::string rawQuery(const httplib::Request &req);
Fields queryFields(const httplib::Request &req);
Fields formFields(const httplib::Request &req);
std::string field(const Fields &fields, const std::string &name);
bool hasField(const Fields &fields, const std::string &name);

// Text for an HTML page: markup characters escaped, bytes that are not UTF-8 (a
// Shift_JIS address in a query, say) and control characters shown as U+FFFD.
std::string html(std::string_view bytes);

// The client's credential encoding: every byte b of the code-page text becomes b - 48
// written with at least three digits, a negative value with a leading "-" ("abc" is
// "049050051", a space "-016"). decodeCredential returns the bytes, or nothing when
// the text is not a sequence of such groups.
std::string encodeCredential(std::string_view bytes);
std::optional<std::string> decodeCredential(std::string_view encoded);
bool isPrintableAscii(std::string_view bytes);

// "YYYY/MM/DD hh:mm:ss" in local time, the form of the data-update stamps.
std::string localStamp(std::time_t when);
// "2024年5月1日（水）" in local time, for page headings.
std::string localDateJapanese(std::time_t when);

// HTTP dates (RFC 9110): written as IMF-fixdate; read in all three historic forms.
std::string httpDate(std::time_t when);
std::optional<std::time_t> parseHttpDate(std::string_view text);

// Replies.
void sendHtml(httplib::Response &res, std::string body, int status = 200);
void sendText(httplib::Response &res, std::string body, int status = 200);

} // namespace web
