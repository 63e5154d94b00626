#include "platform/safesave_platform.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// pwrite() rather than write(): nothing else on the program's main thread
// writes with it, so a test can cut a save off at exactly its n-th write.
bool writeAll(int fd, const char* data, qsizetype size) {
    for (off_t offset = 0; offset < size;) {
        const ssize_t written = ::pwrite(fd, data + offset, size_t(size - offset), offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        offset += written;
    }
    return true;
}

} // namespace

namespace safesave {

QString resolved(const QString& path) {
    char* real = ::realpath(QFile::encodeName(path).constData(), nullptr);
    if (!real)
        return path;
    const QString result = QFile::decodeName(real);
    std::free(real);
    return result;
}

QString writeTemporary(const QString& target, const QByteArray& contents) {
    const QByteArray targetName = QFile::encodeName(target);
    struct stat old {};
    const bool exists = ::stat(targetName.constData(), &old) == 0;
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 10; ++attempt) {
        temporary = targetName + '.' +
                    QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    const int openError = errno;
    const QString path = QFile::decodeName(temporary);
    if (fd < 0) {
        logFailure("create", path, qt_error_string(openError));
        return {};
    }
    const char* failed = nullptr;
    if (exists && ::fchmod(fd, old.st_mode & 07777) != 0)
        failed = "set the permissions of";
    else if (!writeAll(fd, contents.constData(), contents.size()))
        failed = "write";
    else if (::fsync(fd) != 0)
        failed = "sync";
    if (failed)
        logFailure(failed, path);
    // close() can be where a network file system reports a failed write.
    if (::close(fd) != 0 && !failed) {
        failed = "close";
        logFailure(failed, path);
    }
    if (failed) {
        ::unlink(temporary.constData());
        return {};
    }
    return path;
}

bool replace(const QString& from, const QString& to) {
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    const QString why = qt_error_string();
    logFailure("rename", from + QStringLiteral(" to ") + to, why);
    return false;
}

// File systems that cannot sync a directory say so with EINVAL; they keep
// names some other way.
bool syncDirectory(const QString& directory) {
    const int fd =
        ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        logFailure("open the folder", directory);
        return false;
    }
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    if (!synced)
        logFailure("sync the folder", directory);
    if (::close(fd) == 0)
        return synced;
    if (synced)
        logFailure("close the folder", directory);
    return false;
}

} // namespace safesave
