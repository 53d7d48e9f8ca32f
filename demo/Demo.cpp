#include "Demo.h"

#include <cstdio>

void Console::say(const std::string &line)
{
    const std::lock_guard lock(m_mutex);
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

Demo::Demo(Console &out)
    : console(out)
    , accounts([&out](const AccountStore::Mail &mail) {
        // The mail the service would send, where the person trying the demo sees it.
        out.say("mail to " + mail.address + ": password " + mail.password
                + (mail.kind == AccountStore::MailKind::SignUp ? " (sign-up)" : " (reminder)"));
    })
    , updateLog(std::time(nullptr))
{
}
