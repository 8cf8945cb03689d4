#pragma once
// Ending the process goes through one replaceable handler, so tests can
// check that the program asked to end without the test itself ending.

#include <functional>

namespace cantora::core {

// Ends the process now with `code` (or calls the test's handler).
void endProgram(int code);
// Replaces the handler; an empty one restores the real exit.
void setEndProgramHandler(std::function<void(int)> handler);

} // namespace cantora::core
