// What the start-up module needs beyond the window: process set-up for a long run, and
// showing an error that escapes it.
#pragma once

#include <functional>

// Runs body; whatever it throws is shown in a message box instead of ending the process
// unannounced. Returns 0 either way, as the program does. Needs the application object.
int RunShowingEscapes(const std::function<void()> &body);

// Keeps large buffers (the receive memo's text) in mappings of their own, so one that has
// grown does not leave its old copy resident. Call before anything is allocated in bulk.
void PrepareForLongRun();
