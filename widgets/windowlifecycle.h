#pragma once

#include <vector>

// The rules of a main window that lives in the tray: what a click on the icon,
// minimising, a close request and the exit command do to the window. Plain
// events in, a list of effects out; TrayShell carries the effects out on a real
// window and icon.
namespace lifecycle {

enum class TrayClick { Left, Double, Right, Other };

enum class Effect {
    Hide,              // hide the window, leaving only the tray icon
    Show,              // make it visible (a minimised window stays minimised)
    Restore,           // show it in its normal state
    Minimise,          // minimise it
    HideMinimised,     // hide it to the tray and leave it minimised there
    ShowOnTop,         // show it and keep it above all other windows
    OpenTrayMenu,      // pop the tray menu up at the pointer
    RemoveIconAndQuit, // remove the tray icon and end the program at once
};
using Effects = std::vector<Effect>;

// A click on the tray icon, with the window's visibility at that moment.
Effects trayClicked(TrayClick click, bool windowVisible);

// The window has just become minimised. Where there is no tray, hiding would
// leave the window unreachable, so it stays on the task bar.
Effects windowMinimised(bool trayAvailable);

// A close request. Only the user's own close box (or Alt+F4, or the system
// menu) is turned into minimising to the tray; anything else ends the
// program. Without a tray the window is only minimised, so it stays reachable
// from the task bar.
struct CloseOutcome {
    bool accept; // false: the close is refused and the program keeps running
    Effects effects;
};
CloseOutcome closeRequested(bool byUser, bool trayAvailable);

// Another start of the program asked this copy to come forward: the window is
// shown and restored, from the tray as from the task bar, and raised above
// the others, as a double click on the icon does.
Effects comeForwardAsked();

// The tray menu's exit entry.
Effects exitChosen();

} // namespace lifecycle
