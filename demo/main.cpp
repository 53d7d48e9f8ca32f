// pelorin-demo: plays the service's web site, account server, guest site and betting
// pages on 127.0.0.1, one port each, so both programs can be tried and tested without
// the real service.
#include "Demo.h"

#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <httplib.h>
#include <string>
#include <string_view>
#include <thread>

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void onStopSignal(int signal)
{
    g_stopSignal = signal;
}

struct OriginOption
{
    const char *name;
    const char *option;
    int defaultPort;
    const char *what;
    const char *firstPage;
};

// The ports the programs are built with by default (the CMake cache's origins).
constexpr std::array<OriginOption, 4> kOrigins = {{
    {"site", "--site-port", 18080, "web site", "/quenvel/index.php"},
    {"account", "--account-port", 18081, "account server, mailbox at", "/mailbox"},
    {"guest", "--guest-port", 18082, "guest site", "/vellguest/sokuhou/index.html"},
    {"bet", "--bet-port", 18083, "betting pages", "/ipat/main.php"},
}};

struct Options
{
    std::array<int, 4> ports {kOrigins[0].defaultPort, kOrigins[1].defaultPort, kOrigins[2].defaultPort,
                              kOrigins[3].defaultPort};
    bool quiet = false;
};

void usage(std::FILE *to)
{
    std::fputs("usage: pelorin-demo [--site-port N] [--account-port N] [--guest-port N] [--bet-port N] [--quiet]\n"
               "\n"
               "Plays the service's four origins on 127.0.0.1 (defaults 18080, 18081, 18082, 18083).\n"
               "A port of 0 picks a free one; the first lines printed give the origins in use.\n"
               "--quiet leaves out the line per request; mails and published updates are always printed.\n"
               "SIGINT or SIGTERM stops the service.\n",
               to);
}

bool parsePort(std::string_view text, int &port)
{
    if (text.empty() || text.size() > 5)
        return false;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value > 65535)
        return false;
    port = value;
    return true;
}

// Returns 0 to go on, otherwise the exit code.
int parseArguments(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return -1;
        }
        if (arg == "--quiet" || arg == "-q") {
            options.quiet = true;
            continue;
        }
        bool known = false;
        for (size_t o = 0; o < kOrigins.size() && !known; ++o) {
            const std::string_view option = kOrigins[o].option;
            std::string_view value;
            if (arg == option) {
                if (i + 1 >= argc) {
                    std::fprintf(stderr, "pelorin-demo: %s needs a port number\n", kOrigins[o].option);
                    return 2;
                }
                value = argv[++i];
            } else if (arg.size() > option.size() && arg.substr(0, option.size()) == option
                       && arg[option.size()] == '=') {
                value = arg.substr(option.size() + 1);
            } else {
                continue;
            }
            known = true;
            if (!parsePort(value, options.ports[o])) {
                std::fprintf(stderr, "pelorin-demo: %s: not a port number: %.*s\n", kOrigins[o].option,
                             static_cast<int>(value.size()), value.data());
                return 2;
            }
        }
        if (!known) {
            std::fprintf(stderr, "pelorin-demo: unknown option %.*s\n", static_cast<int>(arg.size()), arg.data());
            usage(stderr);
            return 2;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (const int code = parseArguments(argc, argv, options); code != 0)
        return code < 0 ? EXIT_SUCCESS : code;

    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
#ifdef SIGPIPE
    // A browser that goes away mid-reply must not end the service.
    std::signal(SIGPIPE, SIG_IGN);
#endif

    Console console;
    Demo demo(console);
    std::array<httplib::Server, 4> servers;
    std::array<std::string *, 4> origins = {&demo.siteOrigin, &demo.accountOrigin, &demo.guestOrigin, &demo.betOrigin};

    // Bind all four before announcing any, so that a printed origin already accepts
    // connections and a port in use stops the demo before it half starts.
    for (size_t i = 0; i < servers.size(); ++i) {
        int port = options.ports[i];
        bool bound = false;
        if (port == 0) {
            port = servers[i].bind_to_any_port("127.0.0.1");
            bound = port > 0;
        } else {
            bound = servers[i].bind_to_port("127.0.0.1", port);
        }
        if (!bound) {
            std::fprintf(stderr, "pelorin-demo: cannot listen on 127.0.0.1:%d for the %s (is the port in use?)\n",
                         options.ports[i], kOrigins[i].name);
            return EXIT_FAILURE;
        }
        *origins[i] = "http://127.0.0.1:" + std::to_string(port);
    }

    addSiteRoutes(servers[0], demo);
    addAccountRoutes(servers[1], demo);
    addGuestRoutes(servers[2], demo);
    addBetRoutes(servers[3], demo);
    for (size_t i = 0; i < servers.size(); ++i) {
        // Idle keep-alive connections hold a worker until this runs out, also at shutdown.
        servers[i].set_keep_alive_timeout(2);
        if (!options.quiet) {
            const char *name = kOrigins[i].name;
            servers[i].set_logger([&console, name](const httplib::Request &req, const httplib::Response &res) {
                console.say(std::string("[") + name + "] " + req.method + " " + req.target + " -> "
                            + std::to_string(res.status));
            });
        }
    }

    for (size_t i = 0; i < servers.size(); ++i) {
        char line[160];
        std::snprintf(line, sizeof line, "%-8s %s  (%s %s%s)", kOrigins[i].name, origins[i]->c_str(), kOrigins[i].what,
                      origins[i]->c_str(), kOrigins[i].firstPage);
        console.say(line);
    }
    console.say(std::string("demo account: ") + AccountStore::kDemoAddress + " / " + AccountStore::kDemoPassword + " ("
                + std::to_string(AccountStore::kDemoPoints) + " points)");
    console.say("ready; Ctrl+C stops the demo");

    std::atomic<int> ended {0};
    std::array<std::thread, 4> threads;
    for (size_t i = 0; i < servers.size(); ++i) {
        threads[i] = std::thread([&server = servers[i], &ended] {
            server.listen_after_bind();
            ++ended;
        });
    }

    // The signal handler only sets a flag; the servers are stopped from here.
    while (g_stopSignal == 0 && ended == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const bool failed = g_stopSignal == 0;

    for (httplib::Server &server : servers)
        server.stop();
    for (std::thread &thread : threads)
        thread.join();
    if (failed) {
        std::fputs("pelorin-demo: a server stopped unexpectedly\n", stderr);
        return EXIT_FAILURE;
    }
    console.say("stopped");
    return EXIT_SUCCESS;
}
