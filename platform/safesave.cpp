#include "platform/safesave.h"

#include "platform/safesave_platform.h"
#include "platform/shelllog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <utility>

namespace {

// The marker of a save of these files: in their folder, named after the first.
QString markerPath(const QDir& directory, const QStringList& names) {
    return directory.filePath(names.value(0) + QStringLiteral(".saving"));
}

// Whether entry is a name safesave::writeTemporary() gives a temporary file for
// fileName: "<fileName>.<random>.tmp", random in base 36. Nothing else ever is,
// so no such name can lead out of the folder.
bool isTemporaryOf(const QString& entry, const QString& fileName) {
    const QRegularExpression ours(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(fileName) + QStringLiteral("\\.[0-9a-z]+\\.tmp")));
    return ours.match(entry).hasMatch();
}

bool syncDirectoriesOf(const QStringList& paths) {
    QStringList directories;
    for (const QString& path : paths)
        directories.append(QFileInfo(path).absolutePath());
    directories.removeDuplicates();
    bool ok = true;
    for (const QString& directory : directories)
        ok = safesave::syncDirectory(directory) && ok;
    return ok;
}

bool removeFile(const QString& path) {
    QFile file(path);
    if (file.remove())
        return true;
    safesave::logFailure("remove", path, file.errorString());
    return false;
}

bool removeIfThere(const QString& path) {
    const QFileInfo info(path);
    return (!info.exists() && !info.isSymLink()) || removeFile(path);
}

// target's new contents, in place and named on disk; no link is followed.
bool replaceWhole(const QString& target, const QByteArray& contents) {
    const QString temporary = safesave::writeTemporary(target, contents);
    if (temporary.isEmpty())
        return false;
    if (!safesave::replace(temporary, target)) {
        QFile::remove(temporary);
        return false;
    }
    return safesave::syncDirectory(QFileInfo(target).absolutePath());
}

// The renames a marker decided, each temporary file with the file it replaces.
// None unless the whole marker is one a save wrote: on every line one of these
// files, once, and a temporary file of its own beside the file it resolves to.
QList<std::pair<QString, QString>> decidedRenames(const QString& marker,
                                                  const QMap<QString, QString>& targets) {
    QFile file(marker);
    // A FIFO would block the start; no marker of ours comes near 64 KiB.
    if (!QFileInfo(marker).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(64 * 1024);
    if (!file.atEnd() || !bytes.endsWith('\n'))
        return {};
    QList<std::pair<QString, QString>> renames;
    QStringList named;
    for (const QByteArray& line : bytes.chopped(1).split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const QString name = QString::fromUtf8(QByteArray::fromPercentEncoding(fields.value(0)));
        const QFileInfo target(targets.value(name));
        const QString temporary =
            QString::fromUtf8(QByteArray::fromPercentEncoding(fields.value(1)));
        if (fields.size() != 2 || !targets.contains(name) || named.contains(name) ||
            !isTemporaryOf(temporary, target.fileName()))
            return {};
        named.append(name);
        renames.append({target.dir().filePath(temporary), target.filePath()});
    }
    return renames;
}

} // namespace

void safesave::logFailure(const char* step, const QString& path, const QString& why) {
    qCWarning(lcShell).noquote() << "save:" << step << QDir::toNativeSeparators(path)
                                 << "failed:" << why;
}

bool safeSave(const QString& path, const QByteArray& contents) {
    return replaceWhole(safesave::resolved(path), contents);
}

QStringList safeSaveTogether(const QString& directory, const QList<FileContents>& files) {
    if (files.isEmpty())
        return {};
    const QDir dir(directory);
    QStringList names, targets, temporaries, unwritten;
    QByteArray marker;
    for (const FileContents& file : files) {
        names.append(file.name);
        targets.append(safesave::resolved(dir.filePath(file.name)));
        // A directory in a file's place would fail only at its rename, when
        // others may be in place already.
        const bool isDirectory = QFileInfo(targets.last()).isDir();
        if (isDirectory)
            safesave::logFailure("replace", targets.last(), QStringLiteral("it is a directory"));
        temporaries.append(isDirectory ? QString()
                                       : safesave::writeTemporary(targets.last(), file.contents));
        if (temporaries.last().isEmpty())
            unwritten.append(file.name);
        marker += file.name.toUtf8().toPercentEncoding() + ' ' +
                  QFileInfo(temporaries.last()).fileName().toUtf8().toPercentEncoding() + '\n';
    }
    const auto removeTemporaries = [&] {
        for (const QString& temporary : temporaries)
            if (!temporary.isEmpty())
                QFile::remove(temporary);
        return unwritten.isEmpty() ? names : unwritten;
    };
    if (!unwritten.isEmpty())
        return removeTemporaries();
    const QString markerFile = markerPath(dir, names);
    // Undone, the marker goes first: one that outlived some of its temporary
    // files would have the next start put only the rest in place.
    const auto undo = [&] {
        if (!removeIfThere(markerFile) || !safesave::syncDirectory(dir.absolutePath()))
            return names;
        return removeTemporaries();
    };
    // Saved as any file is, so it is never read half written; its temporary
    // file, should a kill leave it, goes at the next start like the others.
    if (!replaceWhole(markerFile, marker))
        return undo();
    for (qsizetype i = 0; i < targets.size(); ++i)
        if (!safesave::replace(temporaries[i], targets[i]))
            return i == 0 ? undo() : names;
    // Without its names on disk a file might come back old after a power cut,
    // while others stay new: the marker stays until they are.
    if (!syncDirectoriesOf(targets) || !removeFile(markerFile) ||
        !safesave::syncDirectory(dir.absolutePath()))
        return names;
    return {};
}

bool recoverTogether(const QString& directory, const QStringList& names) {
    const QDir dir(directory);
    const QString marker = markerPath(dir, names);
    QMap<QString, QString> targets;
    for (const QString& name : names)
        targets.insert(name, safesave::resolved(dir.filePath(name)));

    bool ok = true, changed = false;
    for (const auto& [temporary, target] : decidedRenames(marker, targets)) {
        if (!QFileInfo::exists(temporary))
            continue; // renamed before the save was cut off
        ok = safesave::replace(temporary, target) && ok;
        changed = true;
    }
    if (!ok || (changed && !syncDirectoriesOf(targets.values())))
        return false;

    // Whatever of ours is left no decided save needs: the temporary files of
    // one that was not decided, or of a marker, and then the marker.
    const QStringList ours = targets.values() << marker;
    QStringList leftovers;
    for (const QString& file : ours) {
        const QFileInfo info(file);
        for (const QString& entry : info.dir().entryList(QDir::Files | QDir::System | QDir::Hidden))
            if (isTemporaryOf(entry, info.fileName()))
                leftovers.append(info.dir().filePath(entry));
    }
    leftovers.append(marker);
    for (const QString& leftover : leftovers) {
        changed = changed || QFileInfo(leftover).exists() || QFileInfo(leftover).isSymLink();
        ok = removeIfThere(leftover) && ok;
    }
    return ok && (!changed || syncDirectoriesOf(ours));
}
