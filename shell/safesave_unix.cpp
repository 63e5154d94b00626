#include "shell/safesave.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

// The new name is only sure to survive a power cut once the directory that
// holds it is on disk too. File systems that cannot sync a directory say so
// with EINVAL; they keep names some other way.
bool syncDirectory(const QByteArray& directory) {
    const int fd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    return ::close(fd) == 0 && synced;
}

// Writes contents to a new file beside target and returns its name, or an
// empty name (and nothing left behind) when that fails.
QByteArray writeTemporary(const QByteArray& target, const QByteArray& contents) {
    struct stat old {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 10; ++attempt) {
        temporary =
            target + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return {};
    }
    if (fd < 0)
        return {};
    bool ok = (!exists || ::fchmod(fd, old.st_mode & 07777) == 0) &&
              writeAll(fd, contents.constData(), contents.size()) && ::fsync(fd) == 0;
    // close() can be where a network file system reports a failed write.
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        ::unlink(temporary.constData());
        return {};
    }
    return temporary;
}

} // namespace

bool safeSave(const QString& path, const QByteArray& contents) {
    QByteArray target = QFile::encodeName(path);
    // A link stays a link: the file it points to is the one replaced.
    if (char* resolved = ::realpath(target.constData(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray directory = slash < 0    ? QByteArray(".")
                                 : slash == 0 ? QByteArray("/")
                                              : target.left(slash);

    const QByteArray temporary = writeTemporary(target, contents);
    if (temporary.isEmpty())
        return false;
    if (::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    return syncDirectory(directory);
}
