#include "app/appstartup.h"
#include "platform/safesave.h"
#include "services/services.h"
#include "widgets/formgeometry.h"
#include "widgets/outerplacement.h"
#include "widgets/windowlifecycle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>

using namespace lifecycle;

// The close box and clicks on the tray icon of a hidden window are tried on a
// real desktop, the close box without a tray in Quillon's widget tests; these
// are the cases neither reaches.
TEST(WindowLife, ALeftClickOnTheShownWindowRaisesItOtherButtonsNothingAndExitEnds) {
    EXPECT_EQ(trayClicked(TrayClick::Left, true), (Effects{Effect::Hide, Effect::ShowOnTop}));
    EXPECT_TRUE(trayClicked(TrayClick::Other, true).empty());
    EXPECT_TRUE(trayClicked(TrayClick::Other, false).empty());
    EXPECT_EQ(closeRequested(false, true).effects, Effects{Effect::RemoveIconAndQuit});
    EXPECT_EQ(exitChosen(), Effects{Effect::RemoveIconAndQuit});
}

// What the programs make of the environment they start in: the service
// address, the Qt platform, the web engine's flags.
TEST(StartUpEnvironment, BlankServiceIsTheStandInXWaylandRunsOnX11AndOurFlagsAreAddedOnce) {
    EXPECT_EQ(services::baseUrlFrom(QByteArray()), services::kStandInBaseUrl);
    EXPECT_EQ(services::baseUrlFrom("  "), services::kStandInBaseUrl);
    EXPECT_EQ(services::baseUrlFrom("http://quotes.example:8080//"), "http://quotes.example:8080");
    // Installed is the install folder itself, reached through a link too; a
    // build folder, or a copy of the program elsewhere, is not.
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath("usr/bin") &&
                QFile::link(root.filePath("usr/bin"), root.filePath("bin")));
    EXPECT_TRUE(services::runsInstalled(root.filePath("bin/"), root.filePath("usr/bin")));
    EXPECT_FALSE(services::runsInstalled(root.filePath("usr"), root.filePath("usr/bin")));
    EXPECT_FALSE(services::runsInstalled(root.filePath("none"), root.filePath("none")));

    // A Wayland session with XWayland, unless the user chose a platform; not
    // without something to turn to or from.
    EXPECT_EQ(platformChoice("wayland-0", ":0", ""), QByteArray("xcb"));
    EXPECT_EQ(platformChoice("wayland-0", ":0", "wayland"), std::nullopt);
    EXPECT_EQ(platformChoice("wayland-0", "", ""), std::nullopt);
    EXPECT_EQ(platformChoice("", ":0", ""), std::nullopt);

    // The user's own flags stay first.
    EXPECT_EQ(chromiumFlags(""), "--process-per-site");
    EXPECT_EQ(chromiumFlags(" --disable-gpu "), "--disable-gpu --process-per-site");
    EXPECT_EQ(chromiumFlags("--process-per-site --v=1"), "--process-per-site --v=1");
}

TEST(SafeSave, AReplacedFileKeepsItsPermissionsAndLinksAndAPathThroughAPlainFileFails) {
    // What it writes, and failing writes (a full disk), are tried through the
    // watch-list files.
    QTemporaryDir dir;
    const QString path = dir.filePath("f.ini");
    ASSERT_TRUE(safeSave(path, "old\r\n"));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(safeSave(path, "new\r\n"));
    EXPECT_EQ(QFile::permissions(path) & (QFile::ReadOther | QFile::ReadGroup), 0);
    // A watch list file that is a link stays one; the file it leads to takes the save.
    ASSERT_TRUE(QFile::link(path, dir.filePath("Setting.ini")));
    EXPECT_TRUE(safeSaveTogether(dir.path(), {{"Setting.ini", "linked\r\n"}}).isEmpty());
    QFile target(path);
    EXPECT_TRUE(QFileInfo(dir.filePath("Setting.ini")).isSymLink() &&
                target.open(QIODevice::ReadOnly) && target.readAll() == "linked\r\n");
    // A directory that is a plain file stops everyone, root included.
    EXPECT_FALSE(safeSave(dir.filePath("f.ini/g.ini"), "x"));
}

// The add dialog below a main window at the desktop's right edge ends on
// its last column, not a pixel short or beyond, and likewise at the bottom.
TEST(KeptInside, AWindowPastTheRightAndBottomEdgesEndsExactlyOnThem) {
    EXPECT_EQ(form::keptInside(QRect(2297, 900, 264, 192), QRect(1280, 0, 1280, 1024)),
              QPoint(2296, 832));
}

TEST(Fonts, TextGrowsWithTheDevicePixelRatioAndBoldSongCarriesMoreInk) {
    // The dark pixels of a line drawn at a device pixel ratio, and how many
    // rows of device pixels they span.
    const auto ink = [](const QFont& font, qreal ratio = 1) {
        QImage image(QSize(200, 40) * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(4, 30, QStringLiteral("涨停领涨"));
        painter.end();
        int dark = 0, top = image.height(), bottom = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    ++dark, top = qMin(top, y), bottom = y;
        return std::pair(dark, bottom - top + 1);
    };
    // The marked lines of the hot-sector list must stand out, also where the
    // regular text is drawn from a bitmap face without a bold strike.
    const QFont regular = form::songTi(12);
    EXPECT_GT(ink(form::bold(regular)).first, ink(regular).first * 5 / 4);

    // At 125 % to 200 % the faces chosen draw glyphs that many times as tall
    // as at 100 %. Qt draws a bitmap strike unscaled, so none may serve there,
    // not even one of the scaled size: 9 pt at 125 % is 15 device pixels.
    const std::pair<int, qreal> cases[] = {{12, 1.25}, {12, 1.5}, {12, 2.0}, {9, 1.25}};
    for (const auto& [points, ratio] : cases) {
        QFont scaled = form::songTi(points);
        scaled.setFamilies(form::fontFamilies("宋体", points * 4 / 3, ratio, {12, 13, 14, 15, 16}));
        EXPECT_NEAR(double(ink(scaled, ratio).second) / ink(form::songTi(points)).second, ratio,
                    ratio * 0.15)
            << points << " pt at " << ratio;
    }
    // Text is drawn at its size on every screen of the desktop, also where a
    // 100 % screen is beside a 200 % one (test_shell_two_screens).
    for (const QScreen* screen : QGuiApplication::screens())
        EXPECT_NEAR(double(ink(regular, screen->devicePixelRatio()).second) / ink(regular).second,
                    screen->devicePixelRatio(), 0.3);
}
