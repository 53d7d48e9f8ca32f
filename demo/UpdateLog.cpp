#include "UpdateLog.h"

#include "Web.h"

#include <cstdint>
#include <cstdio>

namespace {

// FNV-1a over the body: a new line always changes it, so it serves as the entity tag.
std::string entityTag(const std::string &body)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : body) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    char text[24];
    std::snprintf(text, sizeof text, "\"%016llx\"", static_cast<unsigned long long>(hash));
    return text;
}

} // namespace

UpdateLog::UpdateLog(std::time_t now)
{
    constexpr std::time_t day = 24 * 60 * 60;
    m_lines = {
        web::localStamp(now - 2 * day + 3 * 60 * 60) + " race cards",
        web::localStamp(now - day) + " odds and results",
        web::localStamp(now - day + 2 * 60 * 60) + " predictions",
        web::localStamp(now) + " race cards",
    };
    m_lastModified = now;
}

void UpdateLog::touch(std::time_t now)
{
    // Last-Modified has whole seconds: two updates within one second must still give a
    // later date, or a client asking If-Modified-Since would miss the second one.
    m_lastModified = now > m_lastModified ? now : m_lastModified + 1;
}

UpdateLog::Snapshot UpdateLog::snapshot() const
{
    const std::lock_guard lock(m_mutex);
    Snapshot snapshot {std::string(), std::string(), m_lastModified};
    for (const std::string &line : m_lines)
        snapshot.body += line + "\r\n";
    snapshot.etag = entityTag(snapshot.body);
    return snapshot;
}

std::vector<std::string> UpdateLog::lines() const
{
    const std::lock_guard lock(m_mutex);
    return m_lines;
}

std::optional<std::string> UpdateLog::publish(const std::string &stamp, const std::string &note, std::time_t now)
{
    if (stamp.empty() || stamp.size() > kMaxPartLength || note.size() > kMaxPartLength || !web::isPrintableAscii(stamp)
        || !web::isPrintableAscii(note))
        return std::nullopt;
    const std::string line = note.empty() ? stamp : stamp + " " + note;
    const std::lock_guard lock(m_mutex);
    m_lines.push_back(line);
    touch(now);
    return line;
}
