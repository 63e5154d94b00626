#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// What a program and the processes it started hold in memory, read from /proc.
namespace procmem {

struct Process {
    int pid = 0;
    int parent = 0;
    QByteArray commandLine; // arguments joined with blanks
};

// The processes running now, each with its parent.
QList<Process> runningProcesses();

// root and everything it started, children after their parent.
QList<Process> familyOf(int root, const QList<Process>& processes);

// What a process of the web engine is, from its command line: "program" for
// the one that is not the engine's, "renderer" for one its zygote forked (they
// keep the zygote's command line), "zygote" and "zygote, unsandboxed", or the
// --type Chromium gave it.
QString kindOf(const Process& process, const QList<Process>& family);

// The "Pss:" figure of a /proc/PID/smaps_rollup text, in KiB.
std::optional<qint64> pssKiB(const QByteArray& smapsRollup);
std::optional<qint64> pssKiB(int pid);

// Other processes share the web engine's libraries with ours and take their
// part of those pages off our PSS. The physical pages our processes map,
// each counted once, are what their PSS would add up to with nobody else
// mapping them. Empty where the page frames cannot be read (not root).
std::optional<qint64> distinctPagesKiB(const QList<int>& pids);

// Processes outside `ours` that map the web engine's core library.
int otherWebEngineProcesses(const QList<int>& ours);

} // namespace procmem
