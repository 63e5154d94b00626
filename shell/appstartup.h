#pragma once

#include <QString>

// What both programs do before and right after their QApplication exists.

// The embedded browser needs shared GL contexts, and Chromium refuses to start
// its sandbox as root, so only there the sandbox is switched off.
void prepareWebEngineProcess();

// Names the application, keeps it running while its window is hidden in the
// tray, and gives it a default font with Chinese glyphs.
void applyApplicationDefaults(const QString& applicationName);
