#include "shell/safesave.h"

#include <QSaveFile>

bool safeSave(const QString& path, const QByteArray& contents) {
    QSaveFile file(path);
    // Writing in place would bring back the half-written file we avoid here.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // write() only fills a buffer; a full disk shows at the flush, and commit()
    // would still put the short file in place of the old one.
    if (file.write(contents) != contents.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
