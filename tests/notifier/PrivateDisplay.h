#pragma once

#include <QString>

#include <sys/types.h>

// An X server of the test's own (Xvfb on a free display), started before the
// application object so that the whole test runs on it. A notification area belongs
// to one tray host per display: a private display keeps this test's tray host from
// meeting any other test's.
class PrivateDisplay
{
public:
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay &) = delete;
    PrivateDisplay &operator=(const PrivateDisplay &) = delete;

    // ":<n>", or empty when the server could not be started.
    QString name() const { return m_name; }

private:
    pid_t m_pid = -1;
    QString m_name;
};
