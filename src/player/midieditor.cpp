#include "player/midieditor.h"

#include <filesystem>
#include <unistd.h>

namespace cantora::player {

namespace {

bool runnable(const std::filesystem::path &p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec) && ::access(p.c_str(), X_OK) == 0;
}

// The executable a name stands for, or "" when there is none.
std::string resolve(const std::string &name, const char *path) {
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return runnable(name) ? name : std::string();
    const std::string dirs = path ? path : "";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = dirs.substr(start, end - start);
        if (!dir.empty() && runnable(std::filesystem::path(dir) / name))
            return (std::filesystem::path(dir) / name).string();
        start = end + 1;
    }
    return {};
}

} // namespace

MidiEditorChoice chooseMidiEditor(const std::optional<std::string> &configured, const char *environment,
                                  const std::string &appFolder, const char *path) {
    MidiEditorChoice choice;
    std::string notFound;
    auto tryName = [&](const std::string &name, const std::string &where) {
        if (name.empty() || !choice.program.empty())
            return;
        choice.program = resolve(name, path);
        if (choice.program.empty())
            notFound += where + " names \"" + name + "\", which is not a program that can be started.\n";
    };
    if (configured)
        tryName(*configured, std::string(kMidiEditorKey) + " in cantora.ini");
    if (environment)
        tryName(environment, "CANTORA_MIDI_EDITOR");
    if (choice.program.empty()) {
        const auto tunesmith = std::filesystem::path(appFolder) / "tunesmith";
        if (runnable(tunesmith))
            choice.program = tunesmith.string();
    }
    if (choice.program.empty())
        choice.message = notFound + "No MIDI editor is set. Add a line \"" + kMidiEditorKey +
                         "=/path/to/editor\" to cantora.ini in " + appFolder +
                         ", or set the environment variable CANTORA_MIDI_EDITOR, or put a program named "
                         "\"tunesmith\" in that folder.";
    return choice;
}

} // namespace cantora::player
