#include "gateway/quotegate.h"

namespace gateway {

QuoteGate::Step QuoteGate::ask(const QString& symbol) {
    const qint64 now = m_clock();
    const auto found = m_entries.find(symbol);
    if (found != m_entries.end()) {
        if (found->out)
            return Step::Join;
        if (now - found->fetchedAtMs < kPeriodMs)
            return Step::Serve;
    }
    if (found == m_entries.end() && m_entries.size() >= kMaxEntries)
        m_entries.removeIf([now](const auto& entry) {
            return !entry.value().out && now - entry.value().fetchedAtMs >= kPeriodMs;
        });
    Entry& entry = m_entries[symbol];
    entry.fetchedAtMs = now;
    entry.out = true;
    return Step::Fetch;
}

void QuoteGate::settle(const QString& symbol, QByteArray reply) {
    Entry& entry = m_entries[symbol];
    entry.out = false;
    entry.reply = std::move(reply);
}

} // namespace gateway
