#pragma once

#include "Accounts.h"
#include "UpdateLog.h"

#include <httplib.h>
#include <mutex>
#include <string>

// The demo's console: one line at a time from any server thread, flushed at once so a
// test reading the pipe sees each line when it happens.
class Console
{
public:
    void say(const std::string &line);

private:
    std::mutex m_mutex;
};

// What the four origins share: their addresses (for links between them), the member
// accounts with their mailbox, and the data-update log.
struct Demo
{
    explicit Demo(Console &console);

    Console &console;
    std::string siteOrigin;
    std::string accountOrigin;
    std::string guestOrigin;
    std::string betOrigin;
    AccountStore accounts;
    UpdateLog updateLog;
};

void addAccountRoutes(httplib::Server &server, Demo &demo);
void addSiteRoutes(httplib::Server &server, Demo &demo);
void addGuestRoutes(httplib::Server &server, Demo &demo);
void addBetRoutes(httplib::Server &server, Demo &demo);
