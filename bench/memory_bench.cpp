// What Quillon and Tarvex hold in memory once their first pages are up: each
// alone and both at once, every process of the web engine counted, with the
// programs' own Chromium switches and with Chromium's defaults side by side.
// A measurement, not a test: it prints what it saw and exits 0 whether or not
// the target is met.
#include "bench/benchfigures.h"
#include "bench/processmemory.h"
#include "demo/standinserver.h"
#include "services/sitepages.h"
#include "tests/support/testdisplay.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

using testdisplay::TestDisplay;
using testdisplay::waitUntil;

namespace {

constexpr double kTargetRatio = 1.5;
constexpr int kDefaultRounds = 3;
constexpr int kDefaultSettleSeconds = 5;
constexpr int kLoadDeadlineMs = 60000;

struct Program {
    const char* name;
    // The pages it loads at start; once the stand-in has served them the
    // program is up.
    std::vector<const char*> firstPages;
};

const Program kQuillon{"Quillon", {pages::kAnnouncement, pages::kMarketRisk}};
const Program kTarvex{"Tarvex", {pages::kFirstRumours, pages::kIntroduction}};

struct Variant {
    const char* name;
    QMap<QString, QString> environment;
};

const Variant kVariants[] = {
    {"engine's defaults", {{u"QUILLON_WEBENGINE_DEFAULTS"_s, u"1"_s}}},
    {"shared renderer, GL", {{u"QT_QUICK_BACKEND"_s, u"rhi"_s}}},
    {"as shipped", {}},
};

enum Run { QuillonAlone, TarvexAlone, Both };
const char* const kRunNames[] = {"Quillon", "Tarvex", "both"};

struct Measurement {
    bool loaded = false;
    double pssMB = 0;
    std::optional<double> aloneMB; // as if no other process shared our pages
    int processes = 0;
    int others = 0; // processes outside ours mapping the web engine
    // Per program, per kind of process: PSS in MB.
    QMap<QString, QMap<QString, double>> byKind;
};

void pause(int ms) {
    waitUntil([] { return false; }, ms);
}

class Bench {
public:
    Bench(const TestDisplay& display, quint16 port, QString binDir, QString* log)
        : m_display(display)
        , m_base(u"http://127.0.0.1:%1"_s.arg(port))
        , m_binDir(std::move(binDir))
        , m_log(log) {}

    Measurement measure(const Variant& variant, Run run, int settleMs) {
        std::vector<const Program*> programs;
        if (run != TarvexAlone)
            programs.push_back(&kQuillon);
        if (run != QuillonAlone)
            programs.push_back(&kTarvex);

        // A fresh home each time: no page comes from a cache an earlier run filled.
        QTemporaryDir home;
        QProcessEnvironment environment = m_display.environment();
        for (const char* service : {"QUOTE", "SITE", "CHART", "NEWS"})
            environment.insert(u"QUILLON_%1_URL"_s.arg(QLatin1String(service)), m_base);
        environment.insert(u"HOME"_s, home.path());
        for (const char* dir :
             {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"})
            environment.insert(QLatin1String(dir), home.path());
        for (auto it = variant.environment.begin(); it != variant.environment.end(); ++it)
            environment.insert(it.key(), it.value());

        m_log->clear();
        std::vector<std::unique_ptr<QProcess>> processes;
        for (const Program* program : programs) {
            auto process = std::make_unique<QProcess>();
            testdisplay::dieWithParent(*process);
            process->setProcessEnvironment(environment);
            // Chromium's log lines would drown the table; a program that fails
            // shows as pages never served.
            process->setStandardOutputFile(QProcess::nullDevice());
            process->setStandardErrorFile(QProcess::nullDevice());
            process->start(m_binDir + u'/' + QLatin1String(program->name), {});
            processes.push_back(std::move(process));
        }

        Measurement m;
        m.loaded = waitUntil(
            [&] {
                for (const Program* program : programs)
                    for (const char* page : program->firstPages)
                        if (!m_log->contains(u" GET "_s + QLatin1String(page) + u'\n'))
                            return false;
                return true;
            },
            kLoadDeadlineMs);
        if (m.loaded) {
            pause(settleMs);
            const QList<procmem::Process> running = procmem::runningProcesses();
            QList<int> ours;
            for (std::size_t i = 0; i < programs.size(); ++i) {
                const QList<procmem::Process> family =
                    procmem::familyOf(int(processes[i]->processId()), running);
                auto& kinds = m.byKind[QLatin1String(programs[i]->name)];
                for (const procmem::Process& process : family) {
                    const double mb = double(procmem::pssKiB(process.pid).value_or(0)) / 1024;
                    kinds[procmem::kindOf(process, family)] += mb;
                    m.pssMB += mb;
                    ours.append(process.pid);
                }
            }
            m.processes = int(ours.size());
            if (const auto kib = procmem::distinctPagesKiB(ours))
                m.aloneMB = double(*kib) / 1024;
            m.others = procmem::otherWebEngineProcesses(ours);
        }

        for (auto& process : processes) {
            const int pid = int(process->processId());
            process->terminate();
            if (!process->waitForFinished(10000))
                process->kill();
            process->waitForFinished(5000);
            // The engine's processes leave when their program has gone; the next
            // run must not count on them still holding pages.
            waitUntil(
                [pid] {
                    const auto running = procmem::runningProcesses();
                    return std::none_of(running.begin(), running.end(),
                                        [pid](const auto& p) { return p.parent == pid; });
                },
                10000);
        }
        pause(500);
        return m;
    }

private:
    const TestDisplay& m_display;
    QString m_base;
    QString m_binDir;
    QString* m_log;
};

void printBreakdown(const char* variant, const Measurement& m) {
    std::printf("  %s:\n", variant);
    for (auto program = m.byKind.begin(); program != m.byKind.end(); ++program) {
        std::printf("    %-8s", qPrintable(program.key()));
        for (auto kind = program->begin(); kind != program->end(); ++kind)
            std::printf("  %s %.1f", qPrintable(kind.key()), kind.value());
        std::printf("\n");
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int rounds = bench::positiveOption(arguments, u"--rounds"_s, kDefaultRounds);
    const int settleMs =
        1000 * bench::positiveOption(arguments, u"--settle"_s, kDefaultSettleSeconds);

    TestDisplay display;
    if (const std::string failed = display.start({1024, 768}); !failed.empty()) {
        std::fprintf(stderr, "%s\n", failed.c_str());
        return 1;
    }
    QString log;
    QTextStream logStream(&log);
    standin::StandinServer server(quint64(QDateTime::currentMSecsSinceEpoch()), 3000);
    server.setLog(&logStream);
    const quint16 port = server.listen(0);
    if (port == 0) {
        std::fprintf(stderr, "the stand-in could not listen on 127.0.0.1\n");
        return 1;
    }
    Bench bench(display, port, QCoreApplication::applicationDirPath(), &log);

    std::printf("Memory of Quillon and Tarvex %d s after the stand-in served their first pages,\n"
                "on the X display %s; PSS summed over each program and every process it "
                "started.\n%d rounds, the variants interleaved.\n\n",
                settleMs / 1000, qPrintable(display.name()), rounds);
    std::printf("%-5s %-20s %-8s %8s %9s %6s %7s\n", "round", "variant", "running", "PSS MB",
                "alone MB", "procs", "others");

    constexpr int kVariantCount = int(std::size(kVariants));
    std::vector<double> pss[kVariantCount][3], alone[kVariantCount][3];
    Measurement lastBoth[kVariantCount];
    int mostOthers = 0;
    for (int round = 1; round <= rounds; ++round)
        for (int v = 0; v < kVariantCount; ++v) {
            // Alternate which variant goes first, so neither always runs on a warmer machine.
            const int variant = round % 2 ? v : kVariantCount - 1 - v;
            for (const Run run : {QuillonAlone, TarvexAlone, Both}) {
                const Measurement m = bench.measure(kVariants[variant], run, settleMs);
                if (!m.loaded) {
                    std::printf("%-5d %-20s %-8s first pages not served within %d s\n", round,
                                kVariants[variant].name, kRunNames[run], kLoadDeadlineMs / 1000);
                    continue;
                }
                // Outside processes mapping the engine take part of its pages off
                // our PSS, by how many they are: such a run's PSS says little.
                if (m.others == 0)
                    pss[variant][run].push_back(m.pssMB);
                if (m.aloneMB)
                    alone[variant][run].push_back(*m.aloneMB);
                if (run == Both && (m.others == 0 || lastBoth[variant].byKind.isEmpty()))
                    lastBoth[variant] = m;
                mostOthers = std::max(mostOthers, m.others);
                std::printf("%-5d %-20s %-8s %8.1f %9s %6d %7d\n", round, kVariants[variant].name,
                            kRunNames[run], m.pssMB,
                            m.aloneMB ? qPrintable(QString::number(*m.aloneMB, 'f', 1)) : "-",
                            m.processes, m.others);
                std::fflush(stdout);
            }
        }

    const auto cell = [](const std::vector<double>& figures) {
        return figures.empty() ? u"-"_s : QString::number(bench::median(figures), 'f', 1);
    };
    const auto ratioOf = [](const std::vector<double>* figures) {
        const double q = bench::median(figures[QuillonAlone]);
        return figures[Both].empty() || q <= 0 ? 0 : bench::median(figures[Both]) / q;
    };
    std::printf("\nMedians, MB             %9s %9s %9s %14s\n", "Quillon", "Tarvex", "both",
                "both/Quillon");
    for (int v = 0; v < kVariantCount; ++v)
        for (const bool isAlone : {false, true}) {
            const std::vector<double>* figures = isAlone ? alone[v] : pss[v];
            const double ratio = ratioOf(figures);
            std::printf("  %-20s %-5s %7s %9s %9s %14s\n", isAlone ? "" : kVariants[v].name,
                        isAlone ? "alone" : "PSS", qPrintable(cell(figures[QuillonAlone])),
                        qPrintable(cell(figures[TarvexAlone])), qPrintable(cell(figures[Both])),
                        ratio > 0 ? qPrintable(QString::number(ratio, 'f', 2)) : "-");
        }
    std::printf("PSS: of the runs with no \"others\", processes outside ours that map the web "
                "engine and\ntake their part of its pages off our PSS (most seen: %d). \"alone\": "
                "the physical pages\nof our processes, each counted once: what their PSS adds up "
                "to when nothing else maps\nthem, in every run.\n",
                mostOthers);

    std::printf("\nWhere the memory goes, both running (PSS MB per kind of process, from the\nlast "
                "run without others where there was one):\n");
    for (int v = 0; v < kVariantCount; ++v)
        printBreakdown(kVariants[v].name, lastBoth[v]);

    const int shipped = kVariantCount - 1;
    std::printf("\nTarget: both at most %.1f times Quillon alone, as shipped:", kTargetRatio);
    for (const bool isAlone : {false, true}) {
        const double ratio = ratioOf(isAlone ? alone[shipped] : pss[shipped]);
        std::printf(" %s %s", isAlone ? "alone" : "PSS",
                    ratio <= 0              ? "- (no run to judge by)"
                    : ratio <= kTargetRatio ? qPrintable(u"%1 -> met"_s.arg(ratio, 0, 'f', 2))
                                            : qPrintable(u"%1 -> NOT met"_s.arg(ratio, 0, 'f', 2)));
        if (!isAlone)
            std::printf(",");
    }
    std::printf("\n");
    return 0;
}
