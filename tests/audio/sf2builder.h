#pragma once
// A minimal SoundFont 2 file built in memory: one silent sample, one
// instrument, and one preset per (bank, program) asked for.

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace testsupport {

// `v` in `n` little-endian bytes.
inline std::string le(std::uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += char((v >> (8 * i)) & 0xFF);
    return s;
}
inline std::string chunk(const std::string &id, const std::string &body) {
    return id + le(static_cast<std::uint32_t>(body.size()), 4) + body + std::string(body.size() % 2, '\0');
}
inline std::string list(const std::string &type, const std::string &body) { return chunk("LIST", type + body); }
inline std::string name20(const std::string &n) {
    std::string s = n.substr(0, 19);
    s.resize(20, '\0');
    return s;
}

// presets: (bank, program, name)
inline std::string buildSf2(const std::string &fontName,
                            const std::vector<std::tuple<int, int, std::string>> &presets) {
    std::string phdr, pbag, pgen;
    std::uint32_t bag = 0;
    for (auto &[bank, program, name] : presets) {
        phdr += name20(name) + le(program, 2) + le(bank, 2) + le(bag, 2) + std::string(12, '\0');
        pbag += le(bag, 2) + le(0, 2); // one zone per preset, one generator per zone
        pgen += le(41, 2) + le(0, 2);  // instrument 0
        ++bag;
    }
    phdr += name20("EOP") + le(0, 4) + le(bag, 2) + std::string(12, '\0');
    pbag += le(bag, 2) + le(0, 2);
    pgen += le(0, 4);
    const std::string inst = name20("Inst") + le(0, 2) + name20("EOI") + le(1, 2);
    const std::string igen = le(53, 2) + le(0, 2) + le(0, 4); // sample 0, then the terminal record
    // 100 silent samples (46 of them the required tail), looped from 10 to 40, key 60, mono.
    const std::string shdr = name20("Silence") + le(0, 4) + le(50, 4) + le(10, 4) + le(40, 4) + le(44100, 4) +
                             char(60) + le(0, 3) + le(1, 2) + name20("EOS") + std::string(26, '\0');
    const std::string pdta = chunk("phdr", phdr) + chunk("pbag", pbag) + chunk("pmod", std::string(10, '\0')) +
                             chunk("pgen", pgen) + chunk("inst", inst) + chunk("ibag", le(0, 4) + le(1, 2) + le(0, 2)) +
                             chunk("imod", std::string(10, '\0')) + chunk("igen", igen) + chunk("shdr", shdr);
    // INFO texts are zero-terminated and padded to an even size.
    const std::string info = chunk("ifil", le(2, 2) + le(1, 2)) + chunk("isng", std::string("EMU8000\0", 8)) +
                             chunk("INAM", fontName + std::string(2 - fontName.size() % 2, '\0'));
    const std::string body =
        "sfbk" + list("INFO", info) + list("sdta", chunk("smpl", std::string(200, '\0'))) + list("pdta", pdta);
    return "RIFF" + le(static_cast<std::uint32_t>(body.size()), 4) + body;
}

} // namespace testsupport
