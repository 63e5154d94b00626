#pragma once
// The steps of a safe save that differ between systems. platform/safesave.cpp
// builds the saves and their recovery on them, once for all systems.

#include <QByteArray>
#include <QString>

namespace safesave {

// The file path names, links followed; path itself when it names nothing yet.
QString resolved(const QString& path);

// Writes contents to a new file "<target>.<random>.tmp" beside target, with
// target's permissions when it exists, and syncs it to disk. Its path, or an
// empty string (and nothing left behind) when any step fails.
QString writeTemporary(const QString& target, const QByteArray& contents);

// Puts the file from in the place of to in one step.
bool replace(const QString& from, const QString& to);

// Makes the names in directory, as they now are, last through a power cut.
bool syncDirectory(const QString& directory);

// Logs that step failed on path, and why: by default the system's reason for
// the call that just failed (errno, or GetLastError() on Windows), so path
// must be at hand before that call. Every step above logs its own failure.
void logFailure(const char* step, const QString& path, const QString& why = qt_error_string());

} // namespace safesave
