#include "shell/safesave_platform.h"

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
            target + '.' + QString::number(QRandomGenerator::global()->generate(), 36) + ".tmp");
        const HANDLE file = ::CreateFileW(native(temporary), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (::GetLastError() == ERROR_FILE_EXISTS)
                continue;
            return {};
        }
        bool ok = true;
        for (qsizetype done = 0; ok && done < contents.size();) {
            DWORD written = 0;
            const DWORD chunk = DWORD(qMin<qsizetype>(contents.size() - done, 1 << 30));
            ok = ::WriteFile(file, contents.constData() + done, chunk, &written, nullptr) &&
                 written > 0;
            done += written;
        }
        // WriteFile only fills the cache; a full disk or a lost network share
        // shows when it is flushed.
        ok = ::FlushFileBuffers(file) && ok;
        ok = ::CloseHandle(file) && ok;
        if (ok)
            return QDir::fromNativeSeparators(temporary);
        ::DeleteFileW(native(temporary));
        return {};
    }
    return {};
}

// Write-through: the move is on the disk when MoveFileEx returns.
bool replace(const QString& from, const QString& to) {
    return ::MoveFileExW(native(QDir::toNativeSeparators(from)),
                         native(QDir::toNativeSeparators(to)),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// A directory cannot be flushed on Windows, and need not be: replace() writes through.
bool syncDirectory(const QString&) {
    return true;
}

} // namespace safesave
