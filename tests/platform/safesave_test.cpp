#include "platform/safesave.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(SafeSave, AReplacedFileKeepsItsPermissionsAndLinksAndAPathThroughAPlainFileFails) {
    // What it writes, and failing writes (a full disk), are tried through the
    // watch-list files.
    QTemporaryDir dir;
    const QString path = dir.filePath("f.ini");
    ASSERT_TRUE(safeSave(path, "old\r\n"));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(safeSave(path, "new\r\n"));
    EXPECT_EQ(QFile::permissions(path) & (QFile::ReadOther | QFile::ReadGroup), 0);
    // A watch list file that is a link stays one; the file it leads to takes the save.
    ASSERT_TRUE(QFile::link(path, dir.filePath("Setting.ini")));
    EXPECT_TRUE(safeSaveTogether(dir.path(), {{"Setting.ini", "linked\r\n"}}).isEmpty());
    QFile target(path);
    EXPECT_TRUE(QFileInfo(dir.filePath("Setting.ini")).isSymLink() &&
                target.open(QIODevice::ReadOnly) && target.readAll() == "linked\r\n");
    // A directory that is a plain file stops everyone, root included.
    EXPECT_FALSE(safeSave(dir.filePath("f.ini/g.ini"), "x"));
}
