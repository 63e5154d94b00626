#pragma once

#include "platform/safesave.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The watch list's three line-parallel files (see folder() for where): line i of
// "Setting.ini" is row i's code, of "Setting2.ini" its take-profit price and of
// "Setting3.ini" its stop-loss price. Text is GBK with CR LF after every line.
namespace watchlist {

inline constexpr char kCodeFile[] = "Setting.ini";
inline constexpr char kTakeProfitFile[] = "Setting2.ini";
inline constexpr char kStopLossFile[] = "Setting3.ini";
// A file of this name beside the program keeps the watch list there too.
inline constexpr char kPortableMarker[] = "portable";

// The folder that holds the watch list: the program's own where it already
// holds the code file or the portable marker (a copy carried on a stick keeps
// its list with it, as copies have always done), else configFolder, the user's
// configuration folder, made here when it is missing. A program installed
// where its user cannot write keeps the list where the user can.
QString folder(const QString& programFolder, const QString& configFolder);

// A row's three lines as they stand in the files, without their line ends.
struct Lines {
    QByteArray code;
    QByteArray takeProfit;
    QByteArray stopLoss;
    bool operator==(const Lines&) const = default;
};

// The persisted part of one row.
struct Row {
    QString code;
    QString takeProfit;
    QString stopLoss;
    // The lines a row from the files was read from; none for a row the user
    // added. Files edited by hand or written by other tools may hold bytes
    // that are no GBK, and decoding them is not reversible: a cell whose text
    // is still what its line decodes to is written back as that line.
    std::optional<Lines> read = {};
    bool operator==(const Row&) const = default;
};

// Lines of a file: CR LF, LF and CR all end a line (no GBK trail byte is
// either); a last line without an end still counts, and no bytes are no lines.
QList<QByteArray> splitLines(QByteArrayView bytes);

// One value the user typed as a line in the file: GBK (a character GBK cannot
// hold as "?"), CR LF after it. A line break inside the value would shift every
// later row onto the wrong stock, so it becomes a blank.
QByteArray encodeLine(const QString& value);

// Rows from the three files' lines: row i takes line i of each; a missing line
// leaves its cell empty and lines beyond the codes are ignored.
std::vector<Row> assembleRows(const QList<QByteArray>& codes, const QList<QByteArray>& takeProfits,
                              const QList<QByteArray>& stopLosses);

// What a save left unsaved: nothing, or the names of the files that stopped it
// (all three when no one file did). The files are saved together, so a failure
// saves none of them.
struct SaveResult {
    QStringList failedFiles;
    bool ok() const { return failedFiles.isEmpty(); }
};

// What the three files held when read: the rows, and whether each file had
// as many lines as the others. Files out of step (a hand edit, a copy from
// elsewhere) cannot take one more line each: row i would no longer meet line i.
struct Contents {
    std::vector<Row> rows;
    bool linesInStep = true;
};

class Files {
public:
    explicit Files(QString directory);

    const QString& directory() const { return m_directory; }
    QString path(const char* fileName) const;

    // Reads the list, once a save that was cut off is finished or undone.
    // Missing or unreadable files count as empty.
    Contents read() const;
    std::vector<Row> load() const { return read().rows; }

    // Adds one line to each file, creating files that do not exist yet.
    SaveResult append(const Row& row) const;

    // Writes all three files afresh from rows.
    SaveResult rewrite(const std::vector<Row>& rows) const;

private:
    SaveResult save(const QList<FileContents>& files) const;

    QString m_directory;
};

} // namespace watchlist
