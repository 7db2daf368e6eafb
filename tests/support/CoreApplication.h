#pragma once

namespace korvel::test {

// Core tests that need an event loop (timers, network) call this first: it creates the one
// QCoreApplication of the test program when there is none yet.
void ensureCoreApplication();

} // namespace korvel::test
