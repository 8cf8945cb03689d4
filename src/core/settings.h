#pragma once
// The settings file "config.tlm": one line of four comma-separated fields,
// texts in double quotes, the number bare, ended by CR LF:
//   "OK","/home/me/fonts/piano.sf2",44100,"/home/me/fonts/"
// Bytes are stored as they are (the paths' own encoding).

#include <cstdint>
#include <string>
#include <string_view>

namespace cantora::core {

// The four items the file holds.
struct Settings {
    std::string accepted;      // "OK" when a main SoundFont was saved
    std::string mainFontPath;  // main SoundFont
    std::int32_t rate = 44100; // conversion sample rate
    std::string lastFolder;    // folder of the last channel SoundFont, with its trailing "/"
};

// The file's name inside the application folder.
constexpr const char *kSettingsFile = "config.tlm";

// The line as written, CR LF included; field 1 is always "OK".
std::string formatSettings(const Settings &s);
// Reads the fields present in `bytes` into `s`; missing or unreadable
// fields leave their item unchanged.
void parseSettings(std::string_view bytes, Settings &s);
// confload: reads `path` into `s`; a missing or short file changes only
// what it holds.
void confload(const std::string &path, Settings &s);
// Outcome of confsave.
struct SaveResult {
    bool ok = false;
    std::string error; // "<path>: <reason>" when the file could not be written
    explicit operator bool() const { return ok; }
};

// confsave: writes `path`, replacing it.
SaveResult confsave(const std::string &path, const Settings &s);

} // namespace cantora::core
