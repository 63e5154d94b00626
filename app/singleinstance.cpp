#include "app/singleinstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {

// The lock's and the socket's path without their endings. The runtime folder
// is the user's own, so other users' copies never meet ours there.
QString basePath(const QString& program, const QString& scope) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QString name = program;
    if (!scope.isEmpty()) {
        // One folder reached by two paths (a link, a trailing slash) is one scope.
        const QFileInfo info(scope);
        const QString canonical = info.canonicalFilePath();
        const QByteArray path =
            (canonical.isEmpty() ? info.absoluteFilePath() : canonical).toUtf8();
        name += QLatin1Char('-') +
                QString::fromLatin1(
                    QCryptographicHash::hash(path, QCryptographicHash::Sha256).toHex().left(16));
    }
    return QDir(folder).filePath(name);
}

} // namespace

SingleInstance::SingleInstance(const QString& program, const QString& scope)
    : m_lock(basePath(program, scope) + QLatin1String(".lock")) {
    const QString socketName = basePath(program, scope) + QLatin1String(".socket");
    // A copy may run for months: only a lock whose process is gone is stale,
    // never an old one.
    m_lock.setStaleLockTime(0);
    // The running copy may be between taking the lock and listening, or just
    // ending: both are given a few seconds to settle.
    const QDeadlineTimer deadline(5000);
    for (;;) {
        if (m_lock.tryLock(0)) {
            listen(socketName);
            return;
        }
        if (m_lock.error() != QLockFile::LockFailedError) {
            qWarning("%s: no lock can be made in %s; a second copy will not be noticed",
                     qPrintable(program), qPrintable(QFileInfo(socketName).path()));
            m_unguarded = true;
            return;
        }
        // The connection itself is the request: the running copy hears of it
        // even when this process has ended before it looks.
        QLocalSocket socket;
        socket.connectToServer(socketName);
        if (socket.waitForConnected(1000))
            return;
        if (deadline.hasExpired())
            break;
        QThread::msleep(100);
    }
    qWarning("%s is already running but does not answer", qPrintable(program));
    m_exitCode = 1;
}

void SingleInstance::listen(const QString& name) {
    m_server = new QLocalServer(this);
    // No access options: the runtime folder is the user's alone already, and
    // with them Qt binds elsewhere and renames the socket into place, a
    // rename that no save made.
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection())
            socket->deleteLater();
        emit comeForwardAsked();
    });
    // A socket left by a killed copy would refuse the name; the lock makes it ours.
    QLocalServer::removeServer(name);
    if (!m_server->listen(name))
        qWarning("%s: %s; later starts will end without bringing this copy forward",
                 qPrintable(QFileInfo(name).fileName()), qPrintable(m_server->errorString()));
}
