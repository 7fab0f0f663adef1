#pragma once
// What the user's input does to an open help pop-up. The pop-up never takes the keyboard or
// the mouse away from the window: it goes on Escape, on a click anywhere but inside it, on any
// key that types or moves, and when the program loses the focus. Only Escape is used up by
// closing it; everything else still reaches the window, so the grid takes typing at once.
enum class PopupInput {
    kEscape,        // the Escape key
    kKey,           // any other key that types or moves (not a lone Shift, Ctrl, Alt, ...)
    kModifierKey,   // Shift, Ctrl, Alt or a similar key pressed alone
    kPressInside,   // a mouse button pressed inside the pop-up (a link, its scroll bar)
    kPressOutside,  // a mouse button pressed anywhere else, in the window or its menus
    kWheelInside,   // the wheel turned over the pop-up
    kFocusLost,     // another program's window became the active one
};

enum class PopupAction {
    kKeep,             // the pop-up stays; the input goes where it was going
    kClose,            // the pop-up closes; the input goes on where it was going
    kCloseAndConsume,  // the pop-up closes, and that is all the input does
};

PopupAction PopupDismissal(PopupInput input);
