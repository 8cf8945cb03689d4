#include "audio/midiwriter.h"

#include <algorithm>

namespace cantora::audio {

namespace {

std::uint8_t u7(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 127)); }
std::uint8_t chan(int c) { return static_cast<std::uint8_t>(c & 0x0F); }

// Variable-length quantity, most significant 7-bit group first.
void putVlq(std::string &out, std::uint64_t v) {
    v = std::min<std::uint64_t>(v, 0x0FFFFFFF); // 4 bytes at most
    char buf[4];
    int n = 0;
    buf[n++] = static_cast<char>(v & 0x7F);
    while (v >>= 7)
        buf[n++] = static_cast<char>(0x80 | (v & 0x7F));
    while (n)
        out.push_back(buf[--n]);
}
void putVlq(std::vector<std::uint8_t> &out, std::uint64_t v) {
    std::string s;
    putVlq(s, v);
    out.insert(out.end(), s.begin(), s.end());
}
void putBe(std::string &out, std::uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

} // namespace

MidiWriter::MidiWriter(std::uint16_t division, std::uint16_t format) : division_(division), format_(format) {}

int MidiWriter::addTrack() {
    tracks_.emplace_back();
    return static_cast<int>(tracks_.size()) - 1;
}

void MidiWriter::noteOn(int track, std::uint64_t tick, int channel, int key, int velocity) {
    tracks_.at(track).push_back({tick, {static_cast<std::uint8_t>(0x90 | chan(channel)), u7(key), u7(velocity)}});
}

void MidiWriter::noteOff(int track, std::uint64_t tick, int channel, int key) {
    tracks_.at(track).push_back({tick, {static_cast<std::uint8_t>(0x80 | chan(channel)), u7(key), 0}});
}

void MidiWriter::program(int track, std::uint64_t tick, int channel, int program) {
    tracks_.at(track).push_back({tick, {static_cast<std::uint8_t>(0xC0 | chan(channel)), u7(program)}});
}

void MidiWriter::controller(int track, std::uint64_t tick, int channel, int cc, int value) {
    tracks_.at(track).push_back({tick, {static_cast<std::uint8_t>(0xB0 | chan(channel)), u7(cc), u7(value)}});
}

void MidiWriter::channelPressure(int track, std::uint64_t tick, int channel, int value) {
    tracks_.at(track).push_back({tick, {static_cast<std::uint8_t>(0xD0 | chan(channel)), u7(value)}});
}

void MidiWriter::keyPressure(int track, std::uint64_t tick, int channel, int key, int value) {
    tracks_.at(track).push_back({tick, {static_cast<std::uint8_t>(0xA0 | chan(channel)), u7(key), u7(value)}});
}

void MidiWriter::pitchBend(int track, std::uint64_t tick, int channel, int value14) {
    const int v = std::clamp(value14, 0, 0x3FFF);
    tracks_.at(track).push_back({tick,
                                 {static_cast<std::uint8_t>(0xE0 | chan(channel)), static_cast<std::uint8_t>(v & 0x7F),
                                  static_cast<std::uint8_t>(v >> 7)}});
}

void MidiWriter::tempo(int track, std::uint64_t tick, std::uint32_t usPerQuarter) {
    const std::uint32_t t = std::min<std::uint32_t>(usPerQuarter, 0xFFFFFF);
    const char body[3] = {static_cast<char>(t >> 16), static_cast<char>((t >> 8) & 0xFF), static_cast<char>(t & 0xFF)};
    meta(track, tick, 0x51, std::string_view(body, 3));
}

void MidiWriter::meta(int track, std::uint64_t tick, std::uint8_t type, std::string_view data) {
    Ev ev{tick, {0xFF, type}};
    putVlq(ev.raw, data.size());
    ev.raw.insert(ev.raw.end(), data.begin(), data.end());
    tracks_.at(track).push_back(std::move(ev));
}

void MidiWriter::sysex(int track, std::uint64_t tick, std::string_view bodyAfterF0) {
    Ev ev{tick, {0xF0}};
    putVlq(ev.raw, bodyAfterF0.size());
    ev.raw.insert(ev.raw.end(), bodyAfterF0.begin(), bodyAfterF0.end());
    tracks_.at(track).push_back(std::move(ev));
}

std::string MidiWriter::bytes(bool runningStatus) const {
    std::string out = "MThd";
    putBe(out, 6, 4);
    putBe(out, format_, 2);
    putBe(out, static_cast<std::uint32_t>(tracks_.size()), 2);
    putBe(out, division_, 2);

    for (const auto &events : tracks_) {
        std::vector<const Ev *> order;
        order.reserve(events.size());
        // An end-of-track event given by the caller only sets where the
        // track ends; the one written is always last.
        std::uint64_t endTick = 0;
        for (const Ev &e : events) {
            endTick = std::max(endTick, e.tick);
            if (!(e.raw.size() >= 2 && e.raw[0] == 0xFF && e.raw[1] == 0x2F))
                order.push_back(&e);
        }
        std::stable_sort(order.begin(), order.end(), [](const Ev *a, const Ev *b) { return a->tick < b->tick; });

        std::string body;
        std::uint64_t last = 0;
        std::uint8_t running = 0;
        for (const Ev *e : order) {
            putVlq(body, e->tick - last);
            last = e->tick;
            const std::uint8_t status = e->raw[0];
            std::size_t from = 0;
            if (status < 0xF0) {
                if (runningStatus && status == running)
                    from = 1; // same channel status as before: left out
                running = status;
            }
            body.append(reinterpret_cast<const char *>(e->raw.data()) + from, e->raw.size() - from);
        }
        putVlq(body, endTick - last);
        body.append("\xFF\x2F\x00", 3);

        out += "MTrk";
        putBe(out, static_cast<std::uint32_t>(body.size()), 4);
        out += body;
    }
    return out;
}

} // namespace cantora::audio
