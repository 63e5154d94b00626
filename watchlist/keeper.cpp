#include "watchlist/keeper.h"

#include "watchlist/watchlistlog.h"

namespace watchlist {

Keeper::Keeper(Files files)
    : m_files(std::move(files)) {
}

std::vector<Row> Keeper::load() {
    Contents contents = m_files.read();
    m_linesInStep = contents.linesInStep;
    if (!m_linesInStep)
        qCInfo(lcWatchlist).noquote() << "the watch list's files in" << m_files.directory()
                                      << "differ in length; the next add rewrites all three";
    return std::move(contents.rows);
}

SaveOutcome Keeper::added(const std::vector<Row>& rows) {
    if (m_inStep && m_linesInStep && !rows.empty())
        return settle(m_files.append(rows.back()));
    return settle(m_files.rewrite(rows));
}

SaveOutcome Keeper::removed(const std::vector<Row>& rows) {
    return settle(m_files.rewrite(rows));
}

SaveOutcome Keeper::retry(const std::vector<Row>& rows) {
    if (m_inStep)
        return {};
    return settle(m_files.rewrite(rows));
}

// Each failed step of a save is a warning of its own already; here only where
// a streak of failures starts and ends, for those who turn the level up.
SaveOutcome Keeper::settle(const SaveResult& result) {
    const bool wasInStep = m_inStep;
    m_inStep = result.ok();
    // A save that went through wrote lines in step, or appended to lines in step.
    if (m_inStep)
        m_linesInStep = true;
    if (wasInStep && !m_inStep)
        qCInfo(lcWatchlist).noquote()
            << "could not save" << result.failedFiles.join(QStringLiteral(", ")) << "in"
            << m_files.directory() << "- all three files are rewritten until a save goes through";
    else if (!wasInStep && m_inStep)
        qCInfo(lcWatchlist).noquote() << "the watch list's files are in step again";
    return {true, result.failedFiles, wasInStep && !m_inStep};
}

} // namespace watchlist
