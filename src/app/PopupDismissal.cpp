#include "app/PopupDismissal.h"

PopupAction PopupDismissal(PopupInput input) {
    switch (input) {
        case PopupInput::kEscape:
            return PopupAction::kCloseAndConsume;
        case PopupInput::kKey:
        case PopupInput::kPressOutside:
        case PopupInput::kFocusLost:
            return PopupAction::kClose;
        case PopupInput::kModifierKey:
        case PopupInput::kPressInside:
        case PopupInput::kWheelInside:
            return PopupAction::kKeep;
    }
    return PopupAction::kClose;
}
