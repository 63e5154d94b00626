#include "platform/safesave_platform.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <windows.h>

namespace {

const wchar_t* native(const QString& path) {
    return reinterpret_cast<const wchar_t*>(path.utf16());
}

} // namespace

namespace safesave {

QString resolved(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

// A new file takes the folder's access rules; there are no mode bits to copy.
QString writeTemporary(const QString& target, const QByteArray& contents) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        const QString temporary = QDir::toNativeSeparators(
            target + u'.' + QString::number(QRandomGenerator::global()->generate(), 36) +
            QStringLiteral(".tmp"));
        const HANDLE file = ::CreateFileW(native(temporary), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (::GetLastError() == ERROR_FILE_EXISTS && attempt < 9)
                continue;
            logFailure("create", temporary);
            return {};
        }
        const char* failed = nullptr;
        for (qsizetype done = 0; !failed && done < contents.size();) {
            DWORD written = 0;
            const DWORD chunk = DWORD(qMin<qsizetype>(contents.size() - done, 1 << 30));
            if (!::WriteFile(file, contents.constData() + done, chunk, &written, nullptr) ||
                written == 0)
                failed = "write";
            done += written;
        }
        // WriteFile only fills the cache; a full disk or a lost network share
        // shows when it is flushed.
        if (!failed && !::FlushFileBuffers(file))
            failed = "flush";
        if (failed)
            logFailure(failed, temporary);
        if (!::CloseHandle(file) && !failed) {
            failed = "close";
            logFailure(failed, temporary);
        }
        if (!failed)
            return QDir::fromNativeSeparators(temporary);
        ::DeleteFileW(native(temporary));
        return {};
    }
    return {};
}

// Write-through: the move is on the disk when MoveFileEx returns.
bool replace(const QString& from, const QString& to) {
    const QString paths = QStringLiteral("%1 to %2")
                              .arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(to));
    if (::MoveFileExW(native(QDir::toNativeSeparators(from)), native(QDir::toNativeSeparators(to)),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    logFailure("rename", paths);
    return false;
}

// A directory cannot be flushed on Windows, and need not be: replace() writes through.
bool syncDirectory(const QString&) {
    return true;
}

} // namespace safesave
