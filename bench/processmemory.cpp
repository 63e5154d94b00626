#include "bench/processmemory.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace procmem {

namespace {

QByteArray readProcFile(const QString& path) {
    QFile file(path);
    // /proc files report no size; read until the end.
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::optional<qint64> kibAfter(const QByteArray& text, const QByteArray& label) {
    for (const QByteArray& line : text.split('\n'))
        if (line.startsWith(label)) {
            bool ok = false;
            const qint64 value =
                line.mid(label.size()).trimmed().split(' ').value(0).toLongLong(&ok);
            return ok ? std::optional(value) : std::nullopt;
        }
    return std::nullopt;
}

// Address ranges of a process's mappings that have pages in memory.
std::vector<std::pair<quint64, quint64>> residentRanges(int pid) {
    std::vector<std::pair<quint64, quint64>> ranges;
    std::pair<quint64, quint64> current{0, 0};
    for (const QByteArray& line :
         readProcFile(QStringLiteral("/proc/%1/smaps").arg(pid)).split('\n')) {
        const qsizetype dash = line.indexOf('-');
        const qsizetype blank = line.indexOf(' ');
        bool startOk = false, endOk = false;
        if (dash > 0 && blank > dash) {
            const quint64 start = line.left(dash).toULongLong(&startOk, 16);
            const quint64 end = line.mid(dash + 1, blank - dash - 1).toULongLong(&endOk, 16);
            if (startOk && endOk) {
                current = {start, end};
                continue;
            }
        }
        if (line.startsWith("Rss:") && kibAfter(line, "Rss:").value_or(0) > 0)
            ranges.push_back(current);
    }
    return ranges;
}

} // namespace

QList<Process> runningProcesses() {
    QList<Process> processes;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool ok = false;
        const int pid = entry.toInt(&ok);
        if (!ok)
            continue;
        // The command may hold blanks and parentheses; the fields after its
        // closing parenthesis are fixed: state, then the parent.
        const QByteArray stat = readProcFile(QStringLiteral("/proc/%1/stat").arg(pid));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 2)
            continue;
        QByteArray commandLine = readProcFile(QStringLiteral("/proc/%1/cmdline").arg(pid));
        commandLine.replace('\0', ' ');
        processes.append({pid, fields[1].toInt(), commandLine.trimmed()});
    }
    return processes;
}

QList<Process> familyOf(int root, const QList<Process>& processes) {
    QList<Process> family;
    for (const Process& process : processes)
        if (process.pid == root)
            family.append(process);
    for (qsizetype i = 0; i < family.size(); ++i)
        for (const Process& process : processes)
            if (process.parent == family[i].pid)
                family.append(process);
    return family;
}

QString kindOf(const Process& process, const QList<Process>& family) {
    const QByteArray& line = process.commandLine;
    const qsizetype at = line.indexOf("--type=");
    if (at < 0)
        return QStringLiteral("program");
    const QByteArray type = line.mid(at + 7, line.indexOf(' ', at) - at - 7);
    if (type != "zygote")
        return QString::fromLatin1(type);
    const auto parent = std::find_if(family.begin(), family.end(),
                                     [&](const Process& p) { return p.pid == process.parent; });
    if (parent != family.end() && parent->commandLine.contains("--type=zygote"))
        return QStringLiteral("renderer");
    return line.contains("--no-zygote-sandbox") ? QStringLiteral("zygote, unsandboxed")
                                                : QStringLiteral("zygote");
}

std::optional<qint64> pssKiB(const QByteArray& smapsRollup) {
    return kibAfter(smapsRollup, "Pss:");
}

std::optional<qint64> pssKiB(int pid) {
    return pssKiB(readProcFile(QStringLiteral("/proc/%1/smaps_rollup").arg(pid)));
}

std::optional<qint64> distinctPagesKiB(const QList<int>& pids) {
    constexpr quint64 kPresent = quint64(1) << 63;
    constexpr quint64 kFrameMask = (quint64(1) << 55) - 1;
    const quint64 pageSize = quint64(::sysconf(_SC_PAGESIZE));
    std::vector<quint64> frames;
    std::vector<quint64> entries(4096);
    for (const int pid : pids) {
        const QByteArray path = QStringLiteral("/proc/%1/pagemap").arg(pid).toLocal8Bit();
        const int fd = ::open(path.constData(), O_RDONLY);
        if (fd < 0)
            continue; // gone since it was listed
        for (const auto& [start, end] : residentRanges(pid))
            for (quint64 page = start / pageSize; page < end / pageSize;) {
                const quint64 count = std::min<quint64>(entries.size(), end / pageSize - page);
                const ssize_t got = ::pread(fd, entries.data(), count * 8, off_t(page * 8));
                if (got <= 0)
                    break;
                for (ssize_t i = 0; i < got / 8; ++i)
                    if (entries[i] & kPresent) {
                        // Without the right to see page frames the kernel reports them as 0.
                        if ((entries[i] & kFrameMask) == 0) {
                            ::close(fd);
                            return std::nullopt;
                        }
                        frames.push_back(entries[i] & kFrameMask);
                    }
                page += quint64(got / 8);
            }
        ::close(fd);
    }
    std::sort(frames.begin(), frames.end());
    const auto distinct = std::unique(frames.begin(), frames.end()) - frames.begin();
    return qint64(distinct) * qint64(pageSize / 1024);
}

int otherWebEngineProcesses(const QList<int>& ours) {
    int others = 0;
    for (const Process& process : runningProcesses())
        if (!ours.contains(process.pid) && process.pid != ::getpid() &&
            readProcFile(QStringLiteral("/proc/%1/maps").arg(process.pid))
                .contains("libQt6WebEngineCore"))
            ++others;
    return others;
}

} // namespace procmem
