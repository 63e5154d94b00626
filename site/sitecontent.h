#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

// The maker's pages as a publisher publishes them: files in content folders,
// looked up file by file, a later folder's file before an earlier one's. No
// page is made here; the server only fills in today's date where a page asks
// for it and, for the risk page, the grade of the real index.
namespace site {

// The risk page's file: one word on its first line, 高, 中, 低 or auto.
inline constexpr char kRiskFile[] = "fengxian.txt";
inline constexpr char kAutoGrade[] = "auto";

// The file a request of a maker's page means: a fixed table, so a request can
// never name a file of its own. Nothing for a page the site does not have.
std::optional<QString> fileFor(const QString& path, const QString& rawQuery);

class ContentFolders {
public:
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    // Lowest first: the shipped pages, the system's, the user's.
    explicit ContentFolders(QStringList folders)
        : m_folders(std::move(folders)) {}
    // The shipped folder, /etc's, then $XDG_DATA_HOME's (each + "/quillon/site").
    static QStringList installed();

    const QStringList& folders() const { return m_folders; }
    // The file from the highest folder that has it readable and within the
    // size cap; read afresh every time, so a publisher's change shows at once.
    std::optional<QByteArray> read(const QString& file) const;

private:
    QStringList m_folders;
};

// "{{today}}" becomes today's "MM-DD".
QByteArray withToday(QByteArray page, const QDate& today);

// The first line of the risk file, trimmed, at most four characters; in
// UTF-8, or GBK when it is not valid UTF-8.
QString riskWord(const QByteArray& file);
// The risk page: its body's visible text is the grade and nothing else, the
// whole of what Quillon reads; an empty grade when there is none to give.
QByteArray riskPage(const QString& grade);

// The grade of the Shanghai Composite from the quote service's index reply
// (level in field 3, previous close in field 6); empty when the reply has no
// usable figures.
QString gradeFromIndexReply(const std::optional<std::u16string>& level,
                            const std::optional<std::u16string>& previousClose);

} // namespace site
