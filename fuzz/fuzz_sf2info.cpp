// libFuzzer target: the SoundFont INFO and preset-table readers on arbitrary
// bytes. Offsets they report must lie inside what they were given.

#include "audio/sf2info.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const auto info = cantora::audio::readSf2Info(bytes);
    if (info && info->afterSdta && info->afterSdta + 12 <= size) {
        const auto pdta = cantora::audio::readPdtaHeader(bytes.substr(info->afterSdta, 12), info->afterSdta);
        if (pdta && pdta->first <= size)
            (void)cantora::audio::readSf2Presets(bytes.substr(pdta->first, pdta->second));
    }
    (void)cantora::audio::readSf2Presets(bytes);
    return 0;
}
