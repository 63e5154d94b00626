#include "gateway/quotegate.h"

namespace gateway {

QuoteGate::Step QuoteGate::ask(const QString& symbol) {
    const qint64 now = m_clock();
    const auto found = m_entries.find(symbol);
    if (found != m_entries.end()) {
        if (found->out)
            return Step::Join;
        if (now - found->fetchedAtMs < m_periodMs)
            return Step::Serve;
    }
    if (found == m_entries.end() && m_entries.size() >= m_maxEntries) {
        m_entries.removeIf([&](const auto& entry) {
            return !entry.value().out && now - entry.value().fetchedAtMs >= m_periodMs;
        });
        if (m_entries.size() >= m_maxEntries) {
            auto oldest = m_entries.end();
            for (auto entry = m_entries.begin(); entry != m_entries.end(); ++entry)
                if (!entry->out &&
                    (oldest == m_entries.end() || entry->fetchedAtMs < oldest->fetchedAtMs))
                    oldest = entry;
            if (oldest != m_entries.end())
                m_entries.erase(oldest);
        }
    }
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

const QByteArray* QuoteGate::held(const QString& symbol) const {
    const auto found = m_entries.constFind(symbol);
    return found == m_entries.cend() ? nullptr : &found->reply;
}

} // namespace gateway
