#include "watchlist/watchlistfiles.h"

#include "quote/gbk.h"

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

QList<QByteArray> readLines(const QString& path) {
    QByteArray bytes;
    if (!readRegularFile(path, &bytes))
        return {};
    return splitLines(bytes);
}

// Each file with the cell it holds and that cell's line as read.
struct Part {
    const char* fileName;
    QString Row::*text;
    QByteArray Lines::*read;
};
constexpr std::array<Part, 3> kParts{{{kCodeFile, &Row::code, &Lines::code},
                                      {kTakeProfitFile, &Row::takeProfit, &Lines::takeProfit},
                                      {kStopLossFile, &Row::stopLoss, &Lines::stopLoss}}};

QByteArray fileLine(const Row& row, const Part& part) {
    const QString& text = row.*part.text;
    if (row.read) {
        const QByteArray& line = (*row.read).*part.read;
        if (gbk::decode(line) == text)
            return line + "\r\n";
    }
    return encodeLine(text);
}

} // namespace

QList<QByteArray> splitLines(QByteArrayView bytes) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n')
            continue;
        lines.append(bytes.sliced(start, i - start).toByteArray());
        if (c == '\r' && i + 1 < size && bytes.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(bytes.sliced(start).toByteArray());
    return lines;
}

QByteArray encodeLine(const QString& value) {
    QString line = value;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return gbk::encode(line) + "\r\n";
}

std::vector<Row> assembleRows(const QList<QByteArray>& codes, const QList<QByteArray>& takeProfits,
                              const QList<QByteArray>& stopLosses) {
    std::vector<Row> rows;
    rows.reserve(codes.size());
    for (qsizetype i = 0; i < codes.size(); ++i) {
        Lines read{codes.at(i), takeProfits.value(i), stopLosses.value(i)};
        rows.push_back({gbk::decode(read.code), gbk::decode(read.takeProfit),
                        gbk::decode(read.stopLoss), std::move(read)});
    }
    return rows;
}

QString folder(const QString& programFolder, const QString& configFolder) {
    const QDir program(programFolder);
    if (configFolder.isEmpty() || program.exists(QLatin1String(kCodeFile)) ||
        program.exists(QLatin1String(kPortableMarker)))
        return programFolder;
    // Made now, so that the first save has a folder to write into; where it
    // cannot be made, that save fails and the user is told as for any other.
    QDir().mkpath(configFolder);
    return configFolder;
}

Files::Files(QString directory)
    : m_directory(std::move(directory)) {
}

QString Files::path(const char* fileName) const {
    return QDir(m_directory).filePath(QString::fromLatin1(fileName));
}

Contents Files::read() const {
    QStringList names;
    for (const Part& part : kParts)
        names.append(QString::fromLatin1(part.fileName));
    // A save cut off by a kill or a power cut is finished or undone before
    // anything is read, or every row after a deleted one would take its
    // neighbour's prices. Should that fail, what is there is still the best
    // that can be shown.
    recoverTogether(m_directory, names);
    const QList<QByteArray> codes = readLines(path(kCodeFile));
    const QList<QByteArray> takeProfits = readLines(path(kTakeProfitFile));
    const QList<QByteArray> stopLosses = readLines(path(kStopLossFile));
    return {assembleRows(codes, takeProfits, stopLosses),
            codes.size() == takeProfits.size() && codes.size() == stopLosses.size()};
}

SaveResult Files::append(const Row& row) const {
    QList<FileContents> files;
    for (const Part& part : kParts) {
        const QString filePath = path(part.fileName);
        QByteArray contents;
        // A file that is there but cannot be read is not replaced: its lines
        // would be lost with it.
        if (QFileInfo::exists(filePath) && !readRegularFile(filePath, &contents))
            return {{QString::fromLatin1(part.fileName)}};
        // A last line without its end (an edited file) would swallow the new value.
        if (!contents.isEmpty() && !contents.endsWith('\n') && !contents.endsWith('\r'))
            contents += "\r\n";
        files.append({QString::fromLatin1(part.fileName), contents + fileLine(row, part)});
    }
    return save(files);
}

SaveResult Files::rewrite(const std::vector<Row>& rows) const {
    QList<FileContents> files;
    for (const Part& part : kParts) {
        QByteArray contents;
        for (const Row& row : rows)
            contents += fileLine(row, part);
        files.append({QString::fromLatin1(part.fileName), contents});
    }
    return save(files);
}

// The three files are saved together or not at all: one without the others
// would put every later row's prices on the wrong stock.
SaveResult Files::save(const QList<FileContents>& files) const {
    return {safeSaveTogether(m_directory, files)};
}

} // namespace watchlist
