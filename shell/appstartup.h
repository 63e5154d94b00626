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

// The embedded browser needs shared GL contexts, and Chromium refuses to start
// its sandbox as root, so only there the sandbox is switched off.
void prepareWebEngineProcess();

// Names the application, keeps it running while its window is hidden in the
// tray, and gives it a default font with Chinese glyphs.
void applyApplicationDefaults(const QString& applicationName);
