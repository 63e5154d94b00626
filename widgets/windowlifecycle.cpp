#include "widgets/windowlifecycle.h"

namespace lifecycle {

Effects trayClicked(TrayClick click, bool windowVisible) {
    switch (click) {
    case TrayClick::Left:
        // The toggle hides a shown window, but the window is then shown on
        // top in any case: a click never leaves it hidden behind others.
        return {windowVisible ? Effect::Hide : Effect::Show, Effect::ShowOnTop};
    case TrayClick::Double:
        return {Effect::Restore, Effect::ShowOnTop};
    case TrayClick::Right:
        return {Effect::OpenTrayMenu};
    case TrayClick::Other:
        break;
    }
    return {};
}

Effects windowMinimised(bool trayAvailable) {
    if (trayAvailable)
        return {Effect::Hide};
    return {};
}

CloseOutcome closeRequested(bool byUser, bool trayAvailable) {
    if (!byUser)
        return {true, {Effect::RemoveIconAndQuit}};
    return {false, {trayAvailable ? Effect::HideMinimised : Effect::Minimise}};
}

Effects comeForwardAsked() {
    return {Effect::Restore, Effect::ShowOnTop};
}

Effects exitChosen() {
    return {Effect::RemoveIconAndQuit};
}

} // namespace lifecycle
