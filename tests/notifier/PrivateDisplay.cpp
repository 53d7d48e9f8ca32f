#include "PrivateDisplay.h"

#include <QByteArray>

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

PrivateDisplay::PrivateDisplay()
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return;
    m_pid = ::fork();
    if (m_pid == 0) {
        ::close(pipeFds[0]);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        // Xvfb writes the display number it found free to this descriptor once it accepts clients.
        const std::string fd = std::to_string(pipeFds[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                 "-noreset", static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    if (m_pid < 0) {
        ::close(pipeFds[0]);
        return;
    }
    QByteArray number;
    char c = 0;
    while (::read(pipeFds[0], &c, 1) == 1 && c != '\n')
        number.append(c);
    ::close(pipeFds[0]);
    if (number.isEmpty())
        return;
    m_name = QStringLiteral(":") + QString::fromLatin1(number);
    qputenv("DISPLAY", m_name.toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
}

PrivateDisplay::~PrivateDisplay()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
}
