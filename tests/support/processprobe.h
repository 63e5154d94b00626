#pragma once

// What this test process has spent so far, to bound what a hostile peer or a
// flood of replies may cost us.

#include <QFile>

#include <sys/resource.h>

namespace processprobe {

// CPU time of the whole process, every thread included (a server the test runs too).
inline qint64 cpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

// Resident memory; -1 when it cannot be read.
inline qint64 residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

} // namespace processprobe
