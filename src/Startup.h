// What the start-up module needs beyond the window: showing an error that escapes it.
#pragma once

#include <functional>

// Runs body; whatever it throws is shown in a message box instead of ending the process
// unannounced. Returns 0 either way, as the program does. Needs the application object.
int RunShowingEscapes(const std::function<void()> &body);
