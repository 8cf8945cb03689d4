#include "player/channels.h"

namespace cantora::player {

void resetChannelRecords(ChannelRecords &records) {
    for (auto &r : records) {
        std::int16_t reverb = r.reverb, chorus = r.chorus;
        r = ChannelRecord{};
        r.reverb = reverb;
        r.chorus = chorus;
    }
}

} // namespace cantora::player
