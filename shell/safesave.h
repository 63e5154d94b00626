#pragma once

#include <QByteArray>
#include <QString>

// Writes a whole file through a temporary file in the same directory that then
// replaces it, so the file on disk is always either the old one or the new one.
// Returns false (and leaves the old file untouched) when anything fails.
bool safeSave(const QString& path, const QByteArray& contents);
