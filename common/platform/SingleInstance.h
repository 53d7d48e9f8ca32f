#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// One running copy per user. The first copy holds a lock named after the program and
// listens on a local socket of the same name; a later copy finds the lock taken and
// asks the first, through the socket, to come forward. Nothing else passes.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(const QString &name, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this is the first copy (stale locks of a crashed copy are taken over).
    bool tryToBeFirst();

    // From a later copy: asks the first to come forward. False when it did not answer.
    bool askFirstToComeForward();

signals:
    // In the first copy: a later copy asked it to come forward.
    void comeForwardRequested();

private:
    QString m_name;
    QString m_lockPath;
    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
