#pragma once
// The built-in help text of the help window (Italian).

namespace cantora::help {

// The whole help text, UTF-8, lines separated by "\n".
const char *helpText();

} // namespace cantora::help
