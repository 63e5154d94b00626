#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

// One running copy per program and scope. The first start holds a lock file in
// the user's runtime folder and listens on a local socket beside it; a later
// start finds the lock held, connects, and so asks that copy to come forward
// instead of opening a window of its own. A lock left by a copy that was killed
// names a process that is gone and is taken over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // scope, a folder, tells copies of one program apart (its canonical path is
    // hashed into the lock's name); empty, there is one copy per user.
    explicit SingleInstance(const QString& program, const QString& scope = {});

    // False when another copy runs: this one should end with exitCode().
    bool isTheRunningCopy() const { return m_server != nullptr || m_unguarded; }
    // 0 when the running copy was asked to come forward, 1 when it did not answer.
    int exitCode() const { return m_exitCode; }

signals:
    // A later start asked this copy to come forward.
    void comeForwardAsked();

private:
    void listen(const QString& name);

    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
    bool m_unguarded = false; // no lock could be made at all: run rather than refuse
    int m_exitCode = 0;
};
