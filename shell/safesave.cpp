#include "shell/safesave.h"

#include <QSaveFile>

bool safeSave(const QString& path, const QByteArray& contents) {
    QSaveFile file(path);
    // Writing in place would bring back the half-written file we avoid here.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(contents) != contents.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
