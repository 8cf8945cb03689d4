#pragma once
// A minimal SoundFont 2 file built in memory: one silent sample, one
// instrument, and one preset per (bank, program) asked for.

#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace testsupport {

inline void put16(std::string &s, unsigned v) {
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
inline void put32(std::string &s, std::uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}
inline std::string chunk(const std::string &id, const std::string &body) {
    std::string s = id;
    put32(s, static_cast<std::uint32_t>(body.size()));
    s += body;
    if (body.size() % 2)
        s += '\0';
    return s;
}
inline std::string list(const std::string &type, const std::string &body) { return chunk("LIST", type + body); }
inline std::string name20(const std::string &n) {
    std::string s = n.substr(0, 19);
    s.resize(20, '\0');
    return s;
}

// A zero-terminated text padded to an even size, as SoundFont INFO texts are.
inline std::string zstrEven(const std::string &t) {
    std::string s = t + '\0';
    if (s.size() % 2)
        s += '\0';
    return s;
}

// presets: (bank, program, name)
inline std::string buildSf2(const std::string &fontName,
                            const std::vector<std::tuple<int, int, std::string>> &presets) {
    std::string ifil;
    put16(ifil, 2);
    put16(ifil, 1);
    std::string info =
        chunk("ifil", ifil) + chunk("isng", std::string("EMU8000\0", 8)) + chunk("INAM", zstrEven(fontName));
    std::string smpl(2 * 100, '\0'); // 100 silent samples (46 of them the required tail)
    std::string phdr, pgen;
    int bag = 0;
    for (auto &[bank, program, name] : presets) {
        phdr += name20(name);
        put16(phdr, program);
        put16(phdr, bank);
        put16(phdr, bag);
        put32(phdr, 0);
        put32(phdr, 0);
        put32(phdr, 0);
        put16(pgen, 41);
        put16(pgen, 0); // instrument 0
        ++bag;
    }
    phdr += name20("EOP");
    put16(phdr, 0);
    put16(phdr, 0);
    put16(phdr, bag);
    put32(phdr, 0);
    put32(phdr, 0);
    put32(phdr, 0);
    // pgen: the zones' generators, then the terminal record.
    std::string pgenAll = pgen;
    put32(pgenAll, 0);
    // One zone per preset, each with one generator: bag i starts at generator i.
    std::string pbagFixed;
    for (int i = 0; i <= bag; ++i) {
        put16(pbagFixed, i);
        put16(pbagFixed, 0);
    }
    std::string pmod(10, '\0');
    std::string inst = name20("Inst");
    put16(inst, 0);
    inst += name20("EOI");
    put16(inst, 1);
    std::string ibag;
    put16(ibag, 0);
    put16(ibag, 0);
    put16(ibag, 1);
    put16(ibag, 0);
    std::string imod(10, '\0');
    std::string igen;
    put16(igen, 53);
    put16(igen, 0);
    put32(igen, 0); // sampleID 0, terminal
    std::string shdr = name20("Silence");
    put32(shdr, 0);
    put32(shdr, 50);
    put32(shdr, 10);
    put32(shdr, 40);
    put32(shdr, 44100);
    shdr += char(60);
    shdr += char(0);
    put16(shdr, 0);
    put16(shdr, 1);
    shdr += name20("EOS");
    shdr += std::string(26, '\0');
    std::string pdta = chunk("phdr", phdr) + chunk("pbag", pbagFixed) + chunk("pmod", pmod) + chunk("pgen", pgenAll) +
                       chunk("inst", inst) + chunk("ibag", ibag) + chunk("imod", imod) + chunk("igen", igen) +
                       chunk("shdr", shdr);
    std::string body =
        std::string("sfbk") + list("INFO", info) + list("sdta", chunk("smpl", smpl)) + list("pdta", pdta);
    std::string s = "RIFF";
    put32(s, static_cast<std::uint32_t>(body.size()));
    return s + body;
}

} // namespace testsupport
