#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Writes a whole file through a temporary file in the same directory that then
// replaces it, so the file on disk is always either the old one or the new one,
// also after a power cut. Returns false when any step fails (a full disk shows
// only when the data is flushed); the old file is then untouched and no
// temporary file is left. A file that exists keeps its permissions, and a link
// stays a link: the file it points to is the one replaced.
bool safeSave(const QString& path, const QByteArray& contents);

// One file of a save that replaces several together: its name in their folder
// and what it is to hold.
struct FileContents {
    QString name;
    QByteArray contents;
};

// Replaces files of one folder together, each as safeSave() would, so that they
// are all old or all new after the program was killed or the power cut at any
// step: files whose lines belong together must never be read half old, half new.
// Every new file is written and synced beside the one it replaces first; then a
// marker in the folder, itself saved whole or not at all, names them; then they
// are renamed into place and the marker removed. Once the marker is there the
// save is decided: the next recoverTogether() finishes it, also when a rename
// after the first failed here. Returns the names of the files that stopped the
// save: none when it went through, those whose new contents could not be
// written, or all of them when a later step failed. A save that stops before
// its marker changes nothing and leaves nothing behind.
QStringList safeSaveTogether(const QString& directory, const QList<FileContents>& files);

// To be run before files saved together are read: the files a save that was cut
// off after its marker had decided are renamed into place (a temporary file that
// is gone already was); without such a marker, what the save left is removed and
// the old files stand. Nothing but the marker and temporary files named as the
// saves name them, beside these files, is ever renamed or removed, whatever a
// marker says. Returns false when a step failed; the marker then stays for the
// next try.
bool recoverTogether(const QString& directory, const QStringList& names);
