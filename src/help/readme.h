#pragma once
// The read-me file as the help window prints it: read as a sequence of
// comma-separated items (a comma or a line end ends an item, leading blanks
// are skipped, a quoted item keeps its commas and loses its quotes), each
// item then printed on a line of its own.

#include <string>
#include <string_view>
#include <vector>

namespace cantora::help {

// The file's name in the application folder.
constexpr const char *kReadmeFile = "leggimi.txt";

// The items of `bytes`, in order.
std::vector<std::string> readmeItems(std::string_view bytes);
// The items joined, each followed by CR LF.
std::string readmeText(std::string_view bytes);

} // namespace cantora::help
