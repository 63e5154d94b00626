#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What both programs do before and right after their QApplication exists.

// The Qt platform to ask for, from the environment's WAYLAND_DISPLAY, DISPLAY
// and QT_QPA_PLATFORM: X11 ("xcb") in a Wayland session that offers it too
// (XWayland), since Wayland lets no program place its own windows and docking
// at the screen's edges needs that; none where the user chose a platform or
// there is no X server to turn to.
std::optional<QByteArray> platformChoice(const QByteArray& waylandDisplay,
                                         const QByteArray& display,
                                         const QByteArray& chosenPlatform);

// Applies platformChoice() to this process; call it before the QApplication exists.
void choosePlatform();

// The Chromium switches the web engine runs with: the user's own
// (QTWEBENGINE_CHROMIUM_FLAGS) followed by those of ours the user has not given.
// Every web view of a program shows pages of the maker's one site, so one
// renderer process per site serves them all; Chromium's default starts one
// per view, each holding its own copy of the engine's heaps.
QByteArray chromiumFlags(const QByteArray& userFlags);

// Where Chromium's sandbox cannot run (platform::sandboxObstacle()), it is
// switched off, and a warning says why, unless the user has chosen for
// themselves (QTWEBENGINE_DISABLE_SANDBOX). Call it before any thread exists.
// The web views are drawn in software and share renderers
// (chromiumFlags()), unless QUILLON_WEBENGINE_DEFAULTS is set: that keeps Qt
// WebEngine's GL drawing and Chromium's process model, to compare with or to
// rule out.
void prepareWebEngineProcess();

// Names the application, keeps it running while its window is hidden in the
// tray, and gives it a default font with Chinese glyphs.
void applyApplicationDefaults(const QString& applicationName);
