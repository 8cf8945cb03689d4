#pragma once
// Which MIDI editor the MidiEditor command starts. The editor is a program
// of its own, started without waiting for it; where to find it:
//   1. the "midi.editor" line of cantora.ini (config.tlm has no room for it),
//   2. else the CANTORA_MIDI_EDITOR environment variable,
//   3. else a program named "tunesmith" in the application folder.
// A value with a "/" is a file; a bare name is looked up in PATH.

#include <optional>
#include <string>

namespace cantora::player {

// The preferences key that names the editor.
inline constexpr const char *kMidiEditorKey = "midi.editor";

struct MidiEditorChoice {
    std::string program; // the executable to start; empty when none was found
    std::string message; // when none was found: what to tell the user
};

// `configured`: the preferences' value; `environment`: CANTORA_MIDI_EDITOR
// (null when unset); `appFolder`: where "tunesmith" may lie; `path`: PATH.
MidiEditorChoice chooseMidiEditor(const std::optional<std::string> &configured, const char *environment,
                                  const std::string &appFolder, const char *path);

} // namespace cantora::player
