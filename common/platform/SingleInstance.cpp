#include "SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

// The user's own runtime folder keeps the lock and socket per user, as the named
// mutex is per logged-on user.
QString runtimeFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QDir().mkpath(folder);
    return folder;
}

constexpr char ComeForward[] = "come-forward\n";

} // namespace

SingleInstance::SingleInstance(const QString &name, QObject *parent)
    : QObject(parent)
    , m_name(name)
{
    const QString folder = runtimeFolder();
    m_lockPath = folder + QLatin1Char('/') + name + QStringLiteral(".lock");
#ifdef Q_OS_WIN
    m_socketPath = name; // a named pipe in the session's own namespace
#else
    m_socketPath = folder + QLatin1Char('/') + name + QStringLiteral(".socket");
#endif
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

bool SingleInstance::tryToBeFirst()
{
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    // A lock whose owner has died is stale at once; QLockFile checks the process.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return false;
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(m_socketPath); // left behind by a copy that crashed
    m_server->listen(m_socketPath);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->canReadLine() && socket->readLine() == ComeForward) {
                    socket->write("ok\n");
                    socket->flush();
                    emit comeForwardRequested();
                }
            });
        }
    });
    return true;
}

bool SingleInstance::askFirstToComeForward()
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(3000))
        return false;
    socket.write(ComeForward);
    if (!socket.waitForBytesWritten(3000))
        return false;
    // Wait for the first copy's answer so that it has acted before this copy ends.
    return socket.waitForReadyRead(3000) && socket.readLine() == "ok\n";
}
