#pragma once
// Whether two paths name one file. A command that writes must never write
// over one of its own inputs: `render song.mid song.mid` would replace the
// song with its rendering.

#include <string>

namespace cantora::core {

// True when both paths name the same existing file, however they are
// spelled: relative or absolute, through symbolic or hard links (same
// device and inode). False when either does not exist.
bool sameFile(const std::string &a, const std::string &b);

} // namespace cantora::core
