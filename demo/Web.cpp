#include "Web.h"

#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <vector>

namespace web {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Length of the well-formed UTF-8 sequence at the start of `s`, or 0 when it is not one
// (stray continuation bytes, overlong forms, surrogates and values past U+10FFFF).
size_t utf8SequenceLength(std::string_view s)
{
    const auto b0 = static_cast<unsigned char>(s[0]);
    if (b0 < 0x80)
        return 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0)
            low = 0xA0;
        else if (b0 == 0xED)
            high = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0)
            low = 0x90;
        else if (b0 == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (s.size() < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xBF))
            return 0;
    }
    return length;
}

constexpr std::array<const char *, 12> kMonths
    = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char *, 7> kWeekdays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

int monthIndex(std::string_view name)
{
    for (size_t i = 0; i < kMonths.size(); ++i) {
        if (name == kMonths[i])
            return static_cast<int>(i);
    }
    return -1;
}

std::optional<int> number(std::string_view digits)
{
    if (digits.empty() || digits.size() > 4)
        return std::nullopt;
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// std::localtime shares one buffer between threads; the servers answer on many.
std::tm localTm(std::time_t when)
{
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    return *std::localtime(&when);
}

} // namespace

std::string percentDecode(std::string_view text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+' && plusIsSpace) {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string percentEncode(std::string_view bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

Fields parseUrlEncoded(std::string_view text)
{
    Fields fields;
    while (!text.empty()) {
        const size_t amp = text.find('&');
        const std::string_view pair = text.substr(0, amp);
        text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
        if (pair.empty())
            continue;
        const size_t eq = pair.find('=');
        const std::string name = percentDecode(pair.substr(0, eq), true);
        if (name.empty())
            continue;
        fields[name] = eq == std::string_view::npos ? std::string() : percentDecode(pair.substr(eq + 1), true);
    }
    return fields;
}

std::string rawQuery(const httplib::Request &req)
{
    const size_t question = req.target.find('?');
    return question == std::string::npos ? std::string() : req.target.substr(question + 1);
}

Fields queryFields(const httplib::Request &req)
{
    return parseUrlEncoded(rawQuery(req));
}

Fields formFields(const httplib::Request &req)
{
    std::string type = req.get_header_value("Content-Type");
    for (char &c : type)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (type.rfind("application/x-www-form-urlencoded", 0) != 0)
        return {};
    return parseUrlEncoded(req.body);
}

std::string field(const Fields &fields, const std::string &name)
{
    const auto it = fields.find(name);
    return it == fields.end() ? std::string() : it->second;
}

bool hasField(const Fields &fields, const std::string &name)
{
    return fields.count(name) != 0;
}

std::string html(std::string_view bytes)
{
    static const std::string_view replacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const size_t length = utf8SequenceLength(bytes);
        if (length == 0) {
            out += replacement;
            bytes.remove_prefix(1);
            continue;
        }
        if (length == 1) {
            const char c = bytes[0];
            switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                if ((static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') || c == 0x7F)
                    out += replacement;
                else
                    out += c;
            }
        } else {
            out += bytes.substr(0, length);
        }
        bytes.remove_prefix(length);
    }
    return out;
}

std::string encodeCredential(std::string_view bytes)
{
    std::string out;
    for (const char ch : bytes) {
        char piece[8];
        std::snprintf(piece, sizeof piece, "%.3d", static_cast<unsigned char>(ch) - 48);
        out += piece;
    }
    return out;
}

std::optional<std::string> decodeCredential(std::string_view encoded)
{
    std::string bytes;
    while (!encoded.empty()) {
        const bool negative = encoded.front() == '-';
        if (negative)
            encoded.remove_prefix(1);
        if (encoded.size() < 3)
            return std::nullopt;
        int value = 0;
        for (size_t i = 0; i < 3; ++i) {
            const char c = encoded[i];
            if (c < '0' || c > '9')
                return std::nullopt;
            value = value * 10 + (c - '0');
        }
        encoded.remove_prefix(3);
        // The encoder writes zero as "000", never "-000".
        if (negative && value == 0)
            return std::nullopt;
        const int byte = (negative ? -value : value) + 48;
        if (byte < 0 || byte > 255)
            return std::nullopt;
        bytes += static_cast<char>(byte);
    }
    return bytes;
}

bool isPrintableAscii(std::string_view bytes)
{
    for (const char c : bytes) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

std::string localStamp(std::time_t when)
{
    const std::tm tm = localTm(when);
    char text[80];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

std::string localDateJapanese(std::time_t when)
{
    static const std::array<const char *, 7> weekdays = {"日", "月", "火", "水", "木", "金", "土"};
    const std::tm tm = localTm(when);
    return std::to_string(tm.tm_year + 1900) + "年" + std::to_string(tm.tm_mon + 1) + "月" + std::to_string(tm.tm_mday)
        + "日（" + weekdays[static_cast<size_t>(tm.tm_wday) % 7] + "）";
}

std::string httpDate(std::time_t when)
{
    using namespace std::chrono;
    const sys_seconds time {seconds(when)};
    const sys_days day = floor<days>(time);
    const year_month_day date {day};
    const hh_mm_ss clock {time - day};
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02u %s %04d %02d:%02d:%02d GMT", kWeekdays[weekday(day).c_encoding()],
                  static_cast<unsigned>(date.day()), kMonths[static_cast<unsigned>(date.month()) - 1],
                  static_cast<int>(date.year()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count()));
    return text;
}

std::optional<std::time_t> parseHttpDate(std::string_view text)
{
    // Tokens split at blanks, commas and dashes cover all three forms:
    //   Sun, 06 Nov 1994 08:49:37 GMT / Sunday, 06-Nov-94 08:49:37 GMT / Sun Nov  6 08:49:37 1994
    std::vector<std::string_view> tokens;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == ' ' || text[i] == ',' || text[i] == '-') {
            if (i > start)
                tokens.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (tokens.size() < 5)
        return std::nullopt;
    std::string_view dayText, monthText, yearText, timeText;
    if (monthIndex(tokens[1]) >= 0) { // asctime
        monthText = tokens[1];
        dayText = tokens[2];
        timeText = tokens[3];
        yearText = tokens[4];
    } else {
        dayText = tokens[1];
        monthText = tokens[2];
        yearText = tokens[3];
        timeText = tokens[4];
        if (tokens.size() < 6 || tokens[5] != "GMT")
            return std::nullopt;
    }
    const auto dayNumber = number(dayText);
    auto yearNumber = number(yearText);
    const int month = monthIndex(monthText);
    if (!dayNumber || !yearNumber || month < 0 || timeText.size() != 8 || timeText[2] != ':' || timeText[5] != ':')
        return std::nullopt;
    if (yearText.size() == 2)
        *yearNumber += *yearNumber < 70 ? 2000 : 1900;
    const auto hour = number(timeText.substr(0, 2));
    const auto minute = number(timeText.substr(3, 2));
    const auto second = number(timeText.substr(6, 2));
    if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 60)
        return std::nullopt;
    using namespace std::chrono;
    const year_month_day date {year(*yearNumber), std::chrono::month(static_cast<unsigned>(month + 1)),
                               std::chrono::day(static_cast<unsigned>(*dayNumber))};
    if (!date.ok())
        return std::nullopt;
    const sys_seconds time = sys_days(date) + hours(*hour) + minutes(*minute) + seconds(*second);
    return static_cast<std::time_t>(time.time_since_epoch().count());
}

void sendHtml(httplib::Response &res, std::string body, int status)
{
    res.status = status;
    res.set_content(std::move(body), "text/html; charset=UTF-8");
}

void sendText(httplib::Response &res, std::string body, int status)
{
    res.status = status;
    res.set_content(std::move(body), "text/plain; charset=UTF-8");
}

} // namespace web
