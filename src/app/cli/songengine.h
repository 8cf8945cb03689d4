#pragma once
// What the commands that render a song share: the engine started without a
// sound device and one SoundFont, the check of the song before rendering,
// the live-setting options and the per-block callback that applies them.

#include "app/cli/commandline.h"
#include "audio/bass.h"
#include "player/livesettings.h"
#include "render/loudness.h"
#include "render/songrender.h"

#include <cstddef>
#include <optional>
#include <string>

namespace cantora::cli {

// Chorium.sf2 beside the program.
std::string defaultSoundFont();

// The user's words for an engine error code.
const char *engineErrorText(int code);

// Reads the song as the engine will and says what it could not read (for
// `command`): false (after the message) when it is not a regular file,
// nothing in it would sound, or, with `wholeOnly`, it is cut short.
bool checkSong(const std::string &song, const char *command, bool wholeOnly = false);

// The engine on the "no sound" device with `font` as the default SoundFont
// set, for as long as this lives.
class RenderEngine {
public:
    RenderEngine() = default;
    ~RenderEngine();
    RenderEngine(const RenderEngine &) = delete;
    RenderEngine &operator=(const RenderEngine &) = delete;
    // False, after a message naming `command`, when the engine or the font fails.
    bool start(const std::string &font, const char *command);

private:
    bool started_ = false;
    HSOUNDFONT font_ = 0;
};

// The live-setting options on `cl`, read into `live` (created on first
// use). A single-value option given twice, the same channel twice in one
// option, or --mute and --solo on one channel is a usage error.
void addLiveOptions(CommandLine &cl, std::optional<player::LiveSettings> &live);
// --normalize[=LUFS]: the loudness a render is brought to (render, mp3).
void addNormalizeOption(CommandLine &cl, std::optional<render::LoudnessTarget> &target);

// The SoundFont volume when none was chosen: 5 of 9 (0.5), as the window plays.
constexpr float kDefaultFontVolume = 0.5f;

// The settings a render uses: those given, the default font volume added.
player::LiveSettings renderSettings(const std::optional<player::LiveSettings> &live);

// The render's per-block callback: stops on Ctrl-C (InterruptGuard) and
// applies the settings before every block.
render::RenderBlockFn liveBlockCallback(const player::LiveSettings &live);

} // namespace cantora::cli
