#pragma once
// Comma-separated items as the formatted-read statement of the program's
// first platform read them; the settings file and the read-me are both
// read this way:
//   - blanks (space, tab) before an item are skipped;
//   - a quoted item runs to the next quote, commas and blanks included, and
//     loses its quotes; anything after the closing quote up to the next
//     separator is dropped (an unclosed quote runs to the end of the text);
//   - a bare item runs to the next comma or line end, trailing blanks removed;
//   - a comma or a line end (LF, CR or CR LF) ends an item, so an empty line
//     gives one empty item and a comma at the end of a line none.

#include <string>
#include <string_view>
#include <vector>

namespace cantora::core {

// Every item of `text`, in order.
std::vector<std::string> readItems(std::string_view text);
// The items of the first line of `text` only.
std::vector<std::string> readLineItems(std::string_view text);

} // namespace cantora::core
