#include "player/channelscan.h"

#include "audio/midifile.h"

namespace cantora::player {

void scanChannels(const audio::MidiFile &song, ChannelRecords &records) {
    struct Found {
        bool note = false, volume = false, chorus = false, reverb = false, pan = false, program = false;
    };
    std::array<Found, 16> found{};
    std::array<ChannelRecord, 16> next = records;
    for (const auto &track : song.tracks) {
        for (const auto &e : track.events) {
            if (e.isMeta() || e.status < 0x80 || e.status >= 0xF0)
                continue;
            const std::size_t c = e.channel();
            Found &f = found[c];
            ChannelRecord &r = next[c];
            switch (e.kind()) {
            case 0x90: f.note = true; break;
            case 0xC0:
                if (!f.program && e.data1 != 0) {
                    f.program = true;
                    r.program = e.data1;
                }
                break;
            case 0xB0: {
                auto first = [&](bool &seen, std::int16_t &field) {
                    if (!seen) {
                        seen = true;
                        field = e.data2;
                    }
                };
                if (e.data1 == 7)
                    first(f.volume, r.volume);
                else if (e.data1 == 93)
                    first(f.chorus, r.chorus);
                else if (e.data1 == 91)
                    first(f.reverb, r.reverb);
                else if (e.data1 == 10)
                    first(f.pan, r.pan);
                break;
            }
            default: break;
            }
        }
    }
    for (std::size_t c = 0; c < 16; ++c) {
        if (found[c].note) {
            records[c] = next[c];
            records[c].state = static_cast<std::int16_t>(c + 1);
            records[c].panState = 2; // the strip is filled from the file
        } else {
            records[c].state = -1;
        }
    }
}

bool scanChannelsOfFile(const std::string &path, ChannelRecords &records) {
    const audio::MidiReadResult r = audio::readMidiFile(path);
    if (!r.ok())
        return false;
    scanChannels(r.file, records);
    return true;
}

} // namespace cantora::player
