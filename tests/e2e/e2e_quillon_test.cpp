// The built Quillon, run as a user would run it: beside its three watch-list
// files, on an X server of the test's own, talking to a quote service and the
// maker's pages on loopback.
#include "quote/gbk.h"
#include "tests/e2e/desktopharness.h"

#include <QDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace e2e;

namespace {

// The watch-list files as the test writes them: ASCII, CR LF after every line.
const QMap<QString, QByteArray> kWatchListFiles{{"Setting.ini", "600000\r\n000858\r\n300750\r\n"},
                                                {"Setting2.ini", "10.50\r\n160.00\r\n200\r\n"},
                                                {"Setting3.ini", "9.50\r\n140.00\r\n180\r\n"}};

// One refresh tick: the list's rows in file order, then Shenzhen's and Shanghai's index.
const QList<QByteArray> kTick{"/msq?cn_600000", "/msq?cn_000858", "/msq?cn_300750",
                              "/msq?zs_399001", "/msq?zs_000001"};
const QByteArray kStartUpPages[] = {"/gonggao.htm", "/htm/fengxian.htm"};

// Each tick's quotes, GBK names in quoted fields separated by commas (an index
// reads only the level and the change); the pages are left to the 404 of any
// unknown target, as the realistic ones are Tarvex's end-to-end test's.
QMap<QByteArray, ScriptedResponse> answers() {
    QMap<QByteArray, ScriptedResponse> result;
    const char16_t* names[] = {u"浦发银行", u"五粮液", u"宁德时代", u"深证成指", u"上证指数"};
    for (int i = 0; i < 5; ++i)
        result[kTick[i]] =
            ScriptedResponse("'sh','" + kTick[i].mid(8) + "','" + gbk::encode(names[i]) +
                             "','10.23','-1.25%','o','p','b','a','v','m','10.40'");
    return result;
}

class QuillonEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gbk::available());
        ASSERT_EQ(m_display.start({1280, 800}), "");
        ASSERT_TRUE(m_service.listen());
    }

    QList<LoopbackService::Arrival> requests(QByteArrayView targetPrefix) const {
        return m_service.arrivals(m_quillon.started(), targetPrefix);
    }

    VirtualDisplay m_display;
    LoopbackService m_service{answers()};
    ProgramRun m_quillon{m_display};
};

} // namespace

// Then the quote service answers with headers that never end, which once held
// the network thread at a full core and kept Quillon alive 5 s past SIGTERM.
TEST_F(QuillonEndToEnd, RefreshesEveryEightSecondsAndEndsAtOnceOnSigtermWhileFetching) {
    ASSERT_NO_FATAL_FAILURE(m_quillon.start(m_service.url(), kWatchListFiles));

    // Two ticks, timed below; a busy machine may take seconds to start the program.
    // (The order of a tick's requests is the tick test's.)
    QList<LoopbackService::Arrival> quotes;
    ASSERT_TRUE(waitUntil([&] { return (quotes = requests("/msq?")).size() >= 10; }, 40000))
        << "two ticks did not come within 40 s of the start";
    // Nothing fetches quotes at start-up: the first tick is Timer1's, 8 s after
    // the window loaded and asked for its start-up pages.
    const qint64 firstMs = quotes[0].ms, periodMs = quotes[5].ms - firstMs;
    for (const QByteArray& page : kStartUpPages)
        EXPECT_TRUE(!requests(page).isEmpty() && requests(page)[0].ms < firstMs)
            << page.constData() << " was never asked for, or only after tick 1";
    const qint64 afterLoadMs = firstMs - requests(kStartUpPages[0]).value(0).ms;
    EXPECT_TRUE(firstMs >= 7500 && afterLoadMs <= 9500)
        << "first tick " << firstMs << " ms in, " << afterLoadMs << " ms after the start-up page";
    EXPECT_TRUE(periodMs >= 7000 && periodMs <= 9500) << "ticks " << periodMs << " ms apart";

    for (const QByteArray& target : kTick)
        m_service.answer(target, ScriptedResponse::rawStream("HTTP/1.1 200 OK\r\n",
                                                             "X-Padding: 0123456789abcdef\r\n",
                                                             100'000'000));
    ASSERT_TRUE(waitUntil([&] { return requests("/msq?").size() > 10; }, 20000))
        << "the third tick never asked for a quote";
    m_quillon.expectEndsCleanlyOnSigterm(1000);
}

// strace kills Quillon at the n-th pwrite64, fsync or rename of its main thread,
// where only a save makes them (-f would count every thread's, each on its own),
// at every such step of an add and of a delete. The next start finds the list old
// until the save's marker was in place, new from then on, whole, and nothing left.
TEST_F(QuillonEndToEnd, AKillAtAnyStepOfASaveLeavesTheOldListOrTheNewOneWhole) {
    QTemporaryDir work, wrapper; // Quillon and its files; what starts it there
    QFile wrap(wrapper.filePath("Quillon"));
    ASSERT_TRUE(QFile::copy(QUILLON_EXECUTABLE, work.filePath("Quillon")) &&
                wrap.open(QIODevice::WriteOnly));
    // strace -D runs beside Quillon, which keeps the pid the harness knows.
    wrap.write("#!/bin/sh\nexec $TRACE " + QFile::encodeName(work.filePath("Quillon")));
    ASSERT_TRUE(wrap.flush() && wrap.setPermissions(wrap.permissions() | QFile::ExeOwner));
    QList<QByteArrayList> list{
        {"600000", "10.50", "9.50"}, {"000858", "160.00", "140.00"}, {"300750", "200", "180"}};
    const auto saved = [&] { // the files that hold `list`
        QMap<QString, QByteArray> files;
        for (const QByteArrayList& row : list)
            for (qsizetype i = 0; i < 3; ++i)
                files[kWatchListFiles.keys()[i]] += row[i] + "\r\n";
        return files;
    };
    for (auto file = kWatchListFiles.cbegin(); file != kWatchListFiles.cend(); ++file)
        if (QFile out(work.filePath(file.key())); out.open(QIODevice::WriteOnly))
            out.write(*file);
    ASSERT_TRUE(giveToProgramUser({work.path()}));
    const auto onDisk = [&] {
        QMap<QString, QByteArray> files;
        for (const QString& name : QDir(work.path()).entryList(QDir::Files | QDir::Hidden))
            if (QFile in(work.filePath(name)); name != "Quillon" && in.open(QIODevice::ReadOnly))
                files[name] = in.readAll();
        return files;
    };
    // Each call's count in one save, and the first made once the marker was in place.
    const std::tuple<QString, int, int> steps[] = {
        {"pwrite64", 4, 5}, {"fsync", 7, 5}, {"rename", 4, 2}};
    for (const auto& [call, count, decidedFrom] : steps)
        for (int n = 1; n <= count; ++n)
            for (const bool adding : {true, false}) {
                SCOPED_TRACE((call + " #%1 " + (adding ? "add" : "delete")).arg(n).toStdString());
                ProgramRun traced(m_display, wrap.fileName()),
                    recovering(m_display, wrap.fileName());
                traced.addEnvironment("TRACE", "strace -D -o /dev/null -e inject=" + call +
                                                   ":signal=KILL:when=" + QString::number(n));
                ASSERT_NO_FATAL_FAILURE(traced.start(m_service.url()));
                const auto main = m_display.window(traced.mainWindow(40000));
                ASSERT_TRUE(main);
                // The list's menu: on its second row to delete that, below its rows to add.
                m_display.choose(main->position + QPoint(20, 75) * (adding ? 2 : 1), 2 - adding);
                if (adding) { // the code typed, one click adds it with the prices looked up
                    const auto dialog = m_display.window(traced.windowOfSize({264, 192}, 10000));
                    ASSERT_TRUE(dialog);
                    m_display.run("xdotool", {"type", "--delay", "80", "600000"});
                    m_display.click(dialog->position + QPoint(120, 148));
                }
                ASSERT_TRUE(waitUntil([&] { return !traced.running(); }, 30000)); // killed
                if (n >= decidedFrom)
                    adding ? list.append({"600000", "10.74", "9.72"}) : list.removeAt(1);
                ASSERT_NO_FATAL_FAILURE(recovering.start(m_service.url()));
                ASSERT_TRUE(waitUntil([&] { return onDisk() == saved(); }, 40000))
                    << QStringList(onDisk().keys()).join(' ').toStdString();
            }
}

// One user's starts share a configuration folder, where the watch list lives
// when the program's folder holds none, and a runtime folder. A lock and a
// socket left by a Quillon killed outright stop no start, and a second start
// on that list then ends (that it brings the window back from the tray is the
// desktop test's). A second Tarvex ends the same way.
TEST_F(QuillonEndToEnd, AKilledOneLeavesNoLockBehindAndASecondStartOnTheSameListEndsAtOnce) {
    ASSERT_EQ(m_display.startTray(), "");
    QTemporaryDir user;
    ASSERT_TRUE(giveToProgramUser({user.path()}));
    ProgramRun restarted(m_display), again(m_display),
        tarvex(m_display, TARVEX_EXECUTABLE, kTarvexCaption), tarvex2(m_display, TARVEX_EXECUTABLE);
    for (ProgramRun* run : {&m_quillon, &restarted, &again, &tarvex, &tarvex2}) {
        run->addEnvironment("XDG_CONFIG_HOME", user.path());
        run->addEnvironment("XDG_RUNTIME_DIR", user.path());
    }
    const auto endsAtOnce = [&](ProgramRun& run) {
        run.start(m_service.url());
        return waitUntil([&] { return !run.running(); }, 5000) && run.exitCode() == 0;
    };
    ASSERT_NO_FATAL_FAILURE(m_quillon.start(m_service.url()));
    ASSERT_FALSE(m_quillon.mainWindow(40000).isEmpty());
    EXPECT_TRUE(QDir(user.filePath("Quillon")).exists()) << "no configuration folder made";

    ASSERT_EQ(::kill(m_quillon.processId(), SIGKILL), 0);
    ASSERT_TRUE(waitUntil([&] { return !m_quillon.running(); }, 5000));
    ASSERT_EQ(QDir(user.path()).entryList({"Quillon-*.lock"}).size(), 1) << "no lock left";
    ASSERT_NO_FATAL_FAILURE(restarted.start(m_service.url()));
    EXPECT_FALSE(restarted.mainWindow(40000).isEmpty()) << "the killed Quillon's lock held";

    EXPECT_TRUE(endsAtOnce(again)) << "the second Quillon ran on or failed";

    ASSERT_NO_FATAL_FAILURE(tarvex.start(m_service.url()));
    ASSERT_FALSE(tarvex.mainWindow(40000).isEmpty());
    EXPECT_TRUE(endsAtOnce(tarvex2)) << "the second Tarvex ran on or failed";
}
