#pragma once
// The window's command line: cantora [--home DIR] [--tags FILE.mp3] [SONG].

#include <optional>
#include <string>
#include <vector>

namespace cantora::app {

struct CommandLine {
    enum class Action { Run, Help, Version, UsageError };
    Action action = Action::Run;
    std::string home;                // --home DIR, as given; empty when absent
    std::optional<std::string> song; // SONG, as given
    std::optional<std::string> tags; // --tags FILE: an MP3 the tag editor opens at start
    std::string error;               // what was wrong, for a usage error
};

// Reads the arguments after the program name. "--home" needs a folder after
// it, "--tags" a file.
CommandLine parseCommandLine(const std::vector<std::string> &args);

// The usage line.
constexpr const char *kUsage = "usage: cantora [--home DIR] [--tags FILE.mp3] [SONG]";

} // namespace cantora::app
