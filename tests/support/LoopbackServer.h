#pragma once

#include <QString>

#include <httplib.h>
#include <memory>
#include <thread>

// A real HTTP server on 127.0.0.1 at a free port, running on its own thread for the
// life of the object. Tests add their handlers to server() before calling start().
class LoopbackServer
{
public:
    LoopbackServer();
    ~LoopbackServer();

    httplib::Server &server() { return *m_server; }
    void start();
    void stop();

    int port() const { return m_port; }
    QString origin() const; // "http://127.0.0.1:<port>"

private:
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
};
