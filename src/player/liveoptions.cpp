#include "player/liveoptions.h"

#include <charconv>
#include <optional>

namespace cantora::player {

const char *const kLiveOptionsUsage =
    "  --tempo PCT         -50..50 in steps of 5, positive = faster\n"
    "  --key N             semitones on every channel but the drums, -24..24\n"
    "  --channel-key CH:N  semitones on one channel (1-16), -24..24\n"
    "  --volume CH:V  --pan CH:V  --reverb CH:V  --chorus CH:V   0..127\n"
    "  --program CH:P      instrument 0..127 (on channel 10: the drum kit)\n"
    "  --mute CH  --solo CH\n"
    "  --font-volume N     SoundFont volume 0..9\n"
    "  --eq BAND:DB        equaliser band 1-7 (80 Hz..12 kHz), -10..10 dB; turns it on\n"
    "  --compressor DB     compressor gain 2..15 dB; turns it on\n";

namespace {

// A whole decimal integer within [lo, hi], or nothing.
std::optional<int> integer(const std::string &text, int lo, int hi) {
    int v = 0;
    const char *end = text.data() + text.size();
    const char *from = text.data();
    if (from != end && *from == '+')
        ++from;
    auto [ptr, ec] = std::from_chars(from, end, v);
    if (ec != std::errc() || ptr != end || from == end || v < lo || v > hi)
        return std::nullopt;
    return v;
}

std::string refuse(const std::string &option, const std::string &value, const char *wanted) {
    return option + ": '" + value + "' is not " + wanted;
}

} // namespace

bool isLiveOption(const std::string &o) {
    for (const char *name : {"--tempo", "--key", "--channel-key", "--volume", "--pan", "--reverb", "--chorus",
                             "--program", "--mute", "--solo", "--font-volume", "--eq", "--compressor"})
        if (o == name)
            return true;
    return false;
}

std::string applyLiveOption(const std::string &option, const std::string &value, LiveSettings &s) {
    if (option == "--tempo") {
        auto pct = integer(value, -50, 50);
        if (!pct || *pct % 5 != 0)
            return refuse(option, value, "a percentage from -50 to 50 in steps of 5");
        // The tempo slider's value behind the percentage, and its factor.
        const int slider = 10 - *pct / 5;
        s.tempoFactor = 20.0f / static_cast<float>(30 - slider);
        return {};
    }
    if (option == "--key") {
        auto n = integer(value, -24, 24);
        if (!n)
            return refuse(option, value, "a number of semitones from -24 to 24");
        s.key = *n;
        return {};
    }
    if (option == "--mute" || option == "--solo") {
        auto ch = integer(value, 1, 16);
        if (!ch)
            return refuse(option, value, "a channel from 1 to 16");
        (option == "--mute" ? s.channels[std::size_t(*ch - 1)].mute : s.channels[std::size_t(*ch - 1)].solo) = true;
        return {};
    }
    if (option == "--font-volume") {
        auto n = integer(value, 0, 9);
        if (!n)
            return refuse(option, value, "a volume from 0 to 9");
        s.fontVolume = static_cast<float>(*n) / 10.0f;
        return {};
    }
    if (option == "--compressor") {
        auto db = integer(value, 2, 15);
        if (!db)
            return refuse(option, value, "a gain from 2 to 15 dB");
        s.compressor = true;
        s.compressorGain = static_cast<float>(*db);
        return {};
    }

    // The pair options: WHAT:VALUE.
    const auto colon = value.find(':');
    const std::string first = colon == std::string::npos ? value : value.substr(0, colon);
    const std::string second = colon == std::string::npos ? std::string() : value.substr(colon + 1);
    if (option == "--eq") {
        auto band = integer(first, 1, 7);
        auto db = integer(second, -10, 10);
        if (colon == std::string::npos || !band || !db)
            return refuse(option, value, "BAND:DB with a band from 1 to 7 and a gain from -10 to 10 dB");
        s.equalizer = true;
        s.eqGains[std::size_t(*band - 1)] = static_cast<float>(*db);
        return {};
    }
    const bool key = option == "--channel-key";
    auto ch = integer(first, 1, 16);
    auto v = key ? integer(second, -24, 24) : integer(second, 0, 127);
    if (colon == std::string::npos || !ch || !v)
        return refuse(option, value,
                      key ? "CH:N with a channel from 1 to 16 and semitones from -24 to 24"
                          : "CH:V with a channel from 1 to 16 and a value from 0 to 127");
    ChannelLive &c = s.channels[std::size_t(*ch - 1)];
    if (key)
        c.key = *v;
    else if (option == "--volume")
        c.volume = *v;
    else if (option == "--pan")
        c.pan = *v;
    else if (option == "--reverb")
        c.reverb = *v;
    else if (option == "--chorus")
        c.chorus = *v;
    else if (option == "--program")
        c.program = *v;
    else
        return option + ": unknown option";
    return {};
}

} // namespace cantora::player
