#pragma once

#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The data-update log the service publishes at /pelorin/sql/sql_log.txt: single-byte
// lines ending in CR LF, each a 19-character stamp "YYYY/MM/DD hh:mm:ss" and a short
// note. The notifier only ever reads its last line.
class UpdateLog
{
public:
    struct Snapshot
    {
        std::string body;
        std::string etag; // strong validator, quoted
        std::time_t lastModified; // whole seconds
    };

    // Seeds the log with the updates of the last two days, the latest one now.
    explicit UpdateLog(std::time_t now);

    Snapshot snapshot() const;
    std::vector<std::string> lines() const;

    // Appends "stamp note" (just the stamp when the note is empty) and returns the line.
    // Both parts must be printable ASCII without line breaks; the stamp is not
    // otherwise checked, so odd last lines can be tried on purpose.
    std::optional<std::string> publish(const std::string &stamp, const std::string &note, std::time_t now);

    static constexpr size_t kMaxPartLength = 80;

private:
    void touch(std::time_t now);

    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::time_t m_lastModified = 0;
};
