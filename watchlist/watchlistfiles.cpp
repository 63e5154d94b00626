#include "watchlist/watchlistfiles.h"

#include "quote/gbk.h"
#include "shell/safesave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>

namespace watchlist {

namespace {

// Only a regular file is read: a FIFO or device named like our file would
// otherwise block the program at start-up.
bool readRegularFile(const QString& path, QByteArray* contents) {
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *contents = file.readAll();
    return file.error() == QFileDevice::NoError;
}

QStringList readLines(const QString& path) {
    QByteArray bytes;
    if (!readRegularFile(path, &bytes))
        return {};
    return splitLines(gbk::decode(bytes));
}

} // namespace

QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(text.mid(start));
    return lines;
}

QByteArray encodeLine(const QString& value) {
    QString line = value;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return gbk::encode(line) + "\r\n";
}

std::vector<Row> assembleRows(const QStringList& codes, const QStringList& takeProfits,
                              const QStringList& stopLosses) {
    std::vector<Row> rows;
    rows.reserve(codes.size());
    for (qsizetype i = 0; i < codes.size(); ++i)
        rows.push_back({codes.at(i), takeProfits.value(i), stopLosses.value(i)});
    return rows;
}

Files::Files(QString directory)
    : m_directory(std::move(directory)) {
}

QString Files::path(const char* fileName) const {
    return QDir(m_directory).filePath(QString::fromLatin1(fileName));
}

std::vector<Row> Files::load() const {
    return assembleRows(readLines(path(kCodeFile)), readLines(path(kTakeProfitFile)),
                        readLines(path(kStopLossFile)));
}

SaveResult Files::append(const Row& row) const {
    SaveResult result;
    const std::array<std::pair<const char*, const QString*>, 3> parts{
        {{kCodeFile, &row.code},
         {kTakeProfitFile, &row.takeProfit},
         {kStopLossFile, &row.stopLoss}}};
    for (const auto& [fileName, value] : parts) {
        const QString filePath = path(fileName);
        QByteArray contents;
        // A file that is there but cannot be read is not replaced: its lines
        // would be lost with it.
        if (QFileInfo::exists(filePath) && !readRegularFile(filePath, &contents)) {
            result.failedFiles.append(QString::fromLatin1(fileName));
            continue;
        }
        // A last line without its end (an edited file) would swallow the new value.
        if (!contents.isEmpty() && !contents.endsWith('\n') && !contents.endsWith('\r'))
            contents += "\r\n";
        contents += encodeLine(*value);
        if (!safeSave(filePath, contents))
            result.failedFiles.append(QString::fromLatin1(fileName));
    }
    return result;
}

SaveResult Files::rewrite(const std::vector<Row>& rows) const {
    SaveResult result;
    const std::array<std::pair<const char*, QString Row::*>, 3> parts{
        {{kCodeFile, &Row::code},
         {kTakeProfitFile, &Row::takeProfit},
         {kStopLossFile, &Row::stopLoss}}};
    for (const auto& [fileName, member] : parts) {
        QByteArray contents;
        for (const Row& row : rows)
            contents += encodeLine(row.*member);
        if (!safeSave(path(fileName), contents))
            result.failedFiles.append(QString::fromLatin1(fileName));
    }
    return result;
}

} // namespace watchlist
