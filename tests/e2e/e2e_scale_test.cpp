// Both programs at 150 % (QT_SCALE_FACTOR) and at 200 % (the desktop's
// Xft.dpi) under openbox with a system tray: each main window is its design
// size times the factor, and each text, judged from a screenshot, is that many
// times as tall and as wide in ink as at 100 %. A bitmap strike drawn at its
// 1x size over scaled advances keeps both its height and its ink columns.
// Quillon's two index lines show whole at every scale.
#include "tests/e2e/desktopharness.h"
#include "widgets/formgeometry.h"

#include <QFontMetrics>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <utility>

using namespace e2e;

namespace {

// Texts in the client areas at 100 %, before the first refresh: Quillon's
// index caption, its row's code, today's picks and the button 私募内参;
// Tarvex's button 私募内参 and its slogan.
const QList<QRect> kQuillonTexts{
    {16, 8, 169, 17}, {2, 52, 50, 20}, {16, 264, 169, 25}, {274, 268, 49, 17}};
const QList<QRect> kTarvexTexts{{14, 14, 69, 21}, {8, 448, 400, 17}};

// How many columns and how many rows of pixels hold text, and the last
// column that does: pixels far in grey from the area's median grey, its
// background (buttons' faces are gradients).
struct Ink {
    QSize size;
    int lastColumn = -1;
};
Ink inkIn(const QImage& window, const QRect& area) {
    const QImage part = window.copy(area).convertToFormat(QImage::Format_RGB32);
    QList<int> greys;
    for (int y = 0; y < part.height(); ++y)
        for (int x = 0; x < part.width(); ++x)
            greys.append(qGray(part.pixel(x, y)));
    std::nth_element(greys.begin(), greys.begin() + greys.size() / 2, greys.end());
    const int background = greys[greys.size() / 2];
    int columns = 0, top = part.height(), bottom = -1, last = -1;
    for (int x = 0; x < part.width(); ++x) {
        bool inked = false;
        for (int y = 0; y < part.height(); ++y)
            if (qAbs(qGray(part.pixel(x, y)) - background) > 96)
                inked = true, top = std::min(top, y), bottom = std::max(bottom, y), last = x;
        columns += inked;
    }
    return {{columns, bottom - top + 1}, last};
}

} // namespace

TEST(ScaleEndToEnd, BothProgramsDrawEveryTextAtTheirWindowsScale) {
    VirtualDisplay display;
    ASSERT_EQ(display.start({1600, 1100}), "");
    ASSERT_EQ(display.startWindowManager(), "");
    ASSERT_EQ(display.startTray(), "");
    LoopbackService service;
    ASSERT_TRUE(service.listen());
    const QMap<QString, QByteArray> files{
        {"Setting.ini", "600000\r\n"}, {"Setting2.ini", "10\r\n"}, {"Setting3.ini", "9\r\n"}};
    QList<QSize> atOne;
    for (const double factor : {1.0, 1.5, 2.0}) {
        // 200 % as a desktop sets it, for every program on the display.
        display.run("xprop", {"-root", "-f", "RESOURCE_MANAGER", "8s", "-set", "RESOURCE_MANAGER",
                              factor == 2 ? "Xft.dpi:\t192" : "Xft.dpi:\t96"});
        ProgramRun quillon(display), tarvex(display, TARVEX_EXECUTABLE, kTarvexCaption);
        for (ProgramRun* run : {&quillon, &tarvex}) {
            run->addEnvironment("QT_ENABLE_HIGHDPI_SCALING", "1");
            if (factor == 1.5)
                run->addEnvironment("QT_SCALE_FACTOR", "1.5");
            ASSERT_NO_FATAL_FAILURE(run->start(service.url(), files));
        }
        QList<QSize> inks;
        for (const auto& [run, design, texts] :
             {std::tuple(&quillon, QSize(397, 327), kQuillonTexts),
              std::tuple(&tarvex, QSize(639, 465), kTarvexTexts)}) {
            const QString window = run->mainWindow(30000);
            ASSERT_FALSE(window.isEmpty());
            QTest::qWait(1500);
            const QImage shot = display.shot(window);
            EXPECT_EQ(shot.size(), (QSizeF(design) * factor).toSize());
            for (const QRect& text : texts)
                inks.append(inkIn(shot, {text.topLeft() * factor, text.size() * factor}).size);
        }
        // The index lines, once a refresh has filled them: both reach, in ink,
        // to the end of their text's advance in the windows' face at 100 %,
        // times the factor. A line cut off at its label's edge ends earlier.
        const auto asked = [&] {
            return service.arrivals(quillon.started(), "/msq?zs_").size();
        };
        const qsizetype askedBefore = asked();
        for (const char* index : {"/msq?zs_000001", "/msq?zs_399001"})
            service.answer(index, ScriptedResponse("'','','','10070.39','+0.21%'"));
        ASSERT_TRUE(waitUntil([&] { return asked() >= askedBefore + 2; }, 20000));
        QTest::qWait(1000);
        const QImage shot = display.shot(quillon.mainWindow(5000));
        const int advance = QFontMetrics(form::songTi(10.5))
                                .horizontalAdvance(QStringLiteral("深证成指  10070.39 +0.21%"));
        // Label4 from 16 to Label5, Label5 from 216 to the window's edge.
        for (const auto& [left, right] : {std::pair(16, 215), std::pair(216, 396)}) {
            const QRect band(QPoint(left, 8) * factor, QPoint(right, 25) * factor);
            // The "%" leaves about 4 pixels of its advance blank, and hinting
            // shifts it by a few device pixels; cut off, a line ends a glyph short.
            EXPECT_GE(inkIn(shot, band).lastColumn, (advance - 4) * factor - 3)
                << "the line at " << left << " is cut off at " << factor;
        }
        for (const char* index : {"/msq?zs_000001", "/msq?zs_399001"})
            service.answer(index, ScriptedResponse()); // the next programs start with names alone

        if (atOne.isEmpty())
            atOne = inks;
        for (qsizetype i = 0; i < inks.size(); ++i) {
            EXPECT_NEAR(double(inks[i].height()) / atOne[i].height(), factor, factor / 5) << i;
            EXPECT_NEAR(double(inks[i].width()) / atOne[i].width(), factor, factor / 5) << i;
        }
    }
}
