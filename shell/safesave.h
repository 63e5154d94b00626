#pragma once

#include <QByteArray>
#include <QString>

// Writes a whole file through a temporary file in the same directory that then
// replaces it, so the file on disk is always either the old one or the new one,
// also after a power cut. Returns false when any step fails (a full disk shows
// only when the data is flushed); the old file is then untouched and no
// temporary file is left. A file that exists keeps its permissions.
bool safeSave(const QString& path, const QByteArray& contents);
