#pragma once

namespace korvel::cli {

// Ctrl-C during a long run (a search, a tuning): the first one asks the run to stop and print what it has,
// a second one ends the program at once. The program installs the handler; tests set the flag directly.
void installInterruptHandler();
bool interruptRequested();
void requestInterrupt();
void clearInterrupt();

} // namespace korvel::cli
