#include "audio/fontregistry.h"
#include "audio/sf2info.h"
#include "sf2builder.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace cantora::audio;

namespace {

using testsupport::chunk;
using testsupport::le;
using testsupport::list;

// A preset header record: name, program, bank, then the unused fields.
std::string presetHeader(const std::string &name, int program, int bank) {
    return testsupport::name20(name) + le(program, 2) + le(bank, 2) + std::string(14, '\0');
}

} // namespace

TEST(Sf2Info, InfoFieldsSampleSizeAndPresets) {
    const std::string info =
        list("INFO", chunk("ifil", std::string(4, '\0')) + chunk("INAM", std::string("Tiny Kit\0", 9)) +
                         chunk("ICOP", "(c) us") + chunk("ICMT", std::string("odd\0\0", 5)));
    const std::string sdta = list("sdta", chunk("smpl", std::string(1000, '\0')));
    const std::string pdta = list("pdta", chunk("phdr", presetHeader("Piano", 0, 0) + presetHeader("Standard", 0, 128) +
                                                            presetHeader("EOP", 0, 0)));
    const std::string body = "sfbk" + info + sdta + pdta;
    const std::string file = "RIFF" + le(static_cast<std::uint32_t>(body.size()), 4) + body;

    auto parsed = readSf2Info(file);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(std::tie(parsed->name, parsed->copyright, parsed->comment), std::tuple("Tiny Kit", "(c) us", "odd"));
    EXPECT_EQ(parsed->sampleBytes, 1000u);
    ASSERT_NE(parsed->pdtaOffset, 0u);
    auto presets = readSf2Presets(std::string_view(file).substr(parsed->pdtaOffset, parsed->pdtaSize));
    ASSERT_TRUE(presets);
    ASSERT_EQ(presets->size(), 2u); // the terminal record is not a preset
    EXPECT_EQ((*presets)[1].name, "Standard");
    EXPECT_EQ((*presets)[1].bank, 128);

    // A head that stops inside the samples: pdta is found from its header.
    auto head = readSf2Info(std::string_view(file).substr(0, 12 + info.size() + 40));
    ASSERT_TRUE(head);
    EXPECT_EQ(head->pdtaOffset, 0u);
    auto at = readPdtaHeader(std::string_view(file).substr(head->afterSdta, 12), head->afterSdta);
    ASSERT_TRUE(at);
    EXPECT_EQ(at->first, parsed->pdtaOffset);

    EXPECT_FALSE(readSf2Info("RIFF\0\0\0\0WAVEfmt "));
    EXPECT_FALSE(readSf2Presets(chunk("pbag", "1234")));
}

TEST(ChoosePreset, FirstServingRecordWinsAndDrumsUseBank128) {
    // Record 0: a font with only preset 25 (bank 0), listed for program 25.
    // Record 1: a font with a drum kit 0 in bank 0 only, listed as bank 128.
    // Record 2: the main font: bank 0 whole, a variation 5 in bank 8, kits 0-99 in bank 128.
    std::vector<FontRecord> records(3);
    for (auto &r : records)
        r.entry = std::make_shared<FontEntry>();
    records[0].preset = 25;
    records[1].preset = 0;
    records[1].bank = 128;
    const auto has = [](int r, int bank, int program) {
        if (r == 0)
            return bank == 0 && program == 25;
        if (r == 1)
            return bank == 0 && program == 0;
        return bank == 0 || (bank == 8 && program == 5) || (bank == 128 && program < 100);
    };
    const auto choose = [&](int channel, int bank, int program) {
        const auto c = choosePreset(records, channel, bank, program, has);
        return std::tuple(c.record, c.bank, c.program);
    };
    EXPECT_EQ(choose(4, 0, 25), std::tuple(0, 0, 25));
    EXPECT_EQ(choose(4, 0, 26), std::tuple(2, 0, 26)) << "only program 25 is served by record 0";
    EXPECT_EQ(choose(4, 8, 25), std::tuple(0, 0, 25)) << "in whatever bank its font has it";
    EXPECT_EQ(choose(9, 0, 16), std::tuple(1, 0, 0)) << "drum channel: the kit record";
    EXPECT_EQ(choose(3, 8, 5), std::tuple(2, 8, 5)) << "a variation the font has";
    EXPECT_EQ(choose(3, 8, 6), std::tuple(2, 0, 6)) << "a missing bank falls back to 0";
    records[1].entry = nullptr; // a record without a font is skipped
    EXPECT_EQ(choose(9, 0, 16), std::tuple(2, 128, 16));
    EXPECT_EQ(choose(9, 0, 120), std::tuple(2, 128, 0)) << "a kit the font lacks: its kit 0";
    records[2].entry = nullptr;
    EXPECT_EQ(std::get<0>(choose(0, 0, 0)), -1);
}
