#pragma once
// The system's font configuration is read and parsed in full the first time any font is needed;
// on a desktop with many configuration files that is the largest single step of the window's
// start. The warm-up reads it on a second thread while the program loads its data and builds its
// window, and the window waits for it just before it first measures text.
namespace platform {

// Starts the reading (once; later calls do nothing). Where the system has no such configuration,
// nothing is started.
void StartFontWarmup();

// Returns once the reading started by StartFontWarmup has ended (at once when none was started).
// Call it on the GUI thread before the first use of a font, else both threads read it.
void AwaitFontWarmup();

}  // namespace platform
