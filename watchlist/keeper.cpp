#include "watchlist/keeper.h"

namespace watchlist {

Keeper::Keeper(Files files)
    : m_files(std::move(files)) {
}

SaveOutcome Keeper::added(const std::vector<Row>& rows) {
    if (m_inStep && !rows.empty())
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

SaveOutcome Keeper::settle(const SaveResult& result) {
    const bool wasInStep = m_inStep;
    m_inStep = result.ok();
    return {true, result.failedFiles, wasInStep && !m_inStep};
}

} // namespace watchlist
