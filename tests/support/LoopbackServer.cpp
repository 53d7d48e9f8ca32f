#include "LoopbackServer.h"

LoopbackServer::LoopbackServer()
    : m_server(std::make_unique<httplib::Server>())
{
    // A browser keeps its connections open; stopping waits for them to time out, so
    // keep that short.
    m_server->set_keep_alive_timeout(1);
}

LoopbackServer::~LoopbackServer()
{
    stop();
}

void LoopbackServer::start()
{
    m_port = m_server->bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    while (!m_server->is_running())
        std::this_thread::yield();
}

void LoopbackServer::stop()
{
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
}

QString LoopbackServer::origin() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}
