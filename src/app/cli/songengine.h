#pragma once
// What the commands that render a song share: the engine started without a
// sound device and one SoundFont, the check of the song before rendering,
// the live-setting options and the per-block callback that applies them.

#include "app/cli/commands.h"
#include "audio/bass.h"
#include "player/livesettings.h"
#include "render/songrender.h"

#include <cstddef>
#include <optional>
#include <string>

namespace cantora::cli {

// Chorium.sf2 beside the program.
std::string defaultSoundFont();

// The user's words for an engine error code.
const char *engineErrorText(int code);

// True, after a message naming `command`, when `out` is the song or the
// SoundFont itself: writing it would destroy an input.
bool outputIsAnInput(const std::string &out, const std::string &song, const std::string &font, const char *command);

// Reads the song as the engine will and says what it could not read (for
// `command`): false (after the message) when it is not a regular file or
// nothing in it would sound.
bool checkSong(const std::string &song, const char *command);

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

// When args[i] is a live-setting option: reads its value into `live`
// (created on first use) and moves i past it. Returns -1 when args[i] is
// no such option, 0 when taken, 2 after a usage error on stderr.
int takeLiveOption(const Args &args, std::size_t &i, std::optional<player::LiveSettings> &live, const char *command,
                   const std::string &usage);

// The render's per-block callback: stops on Ctrl-C (InterruptGuard) and,
// with live settings, applies them before every block. Without settings
// nothing is sent: the render is the song as written.
render::RenderBlockFn liveBlockCallback(const std::optional<player::LiveSettings> &live);

} // namespace cantora::cli
