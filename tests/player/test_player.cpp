// Song texts, the tempo hook and the SoundFont records, against the real engine with a silent output.
#include "audio/audiotest.h"
#include "audio/midiwriter.h"
#include "audio/sf2builder.h"
#include "player/channels.h"
#include "player/song.h"
#include "player/soundfonts.h"

#include <gtest/gtest.h>

using namespace cantora::player;

namespace {

class Engine : public cantora::audiotest::SilentEngine {
protected:
    HSTREAM songStream(std::uint32_t tempo) {
        cantora::audio::MidiWriter w(480, 1);
        int t = w.addTrack();
        w.tempo(t, 0, tempo);
        w.noteOn(t, 0, 0, 60, 100);
        w.noteOff(t, 1920, 0, 60);
        auto p = write("song.mid", w.bytes());
        return BASS_MIDI_StreamCreateFile(0, p.c_str(), 0, 0, 0, 44100);
    }
};

} // namespace

TEST(SongTexts, FormatFieldTimeAndBeatsAsTheWindowShowsThem) {
    std::string head("MThd\0\0\0\x06\0\x01\0\x02\x01\xE0", 14);
    EXPECT_EQ(TipoFile(head), "&H01");
    head[8] = '\x1A';
    head[9] = '\x0B';
    EXPECT_EQ(TipoFile(head), "&H1AB"); // no padding on either byte
    EXPECT_EQ(TipoFile("MThd"), "");

    EXPECT_EQ(timeText(65, 187), "Time: 1:05 / 3:07");
    EXPECT_EQ(timeText(-1, 3600), "Time: 0:00 / 60:00");
    EXPECT_EQ(bpmText(0, 1.0f), "");
}

TEST_F(Engine, TempoHookSendsSongTempoTimesFactorRounded) {
    HSTREAM s = songStream(500000);
    ASSERT_NE(s, 0u);
    SongTempo t;
    t.tempoFactor = 2.0f / 3.0f;
    ApplyTempo(s, t, true);
    EXPECT_EQ(t.tempo.load(), 500000);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(s, 0, MIDI_EVENT_TEMPO), 333333u);

    // Every seek re-applies the factor to the song's own tempo, never to the already scaled one.
    registerTempoSyncs(s, t);
    for (int i = 0; i < 3; ++i) {
        BASS_ChannelSetPosition(s, BASS_ChannelSeconds2Bytes(s, 0.5 * i), BASS_POS_BYTE);
        EXPECT_EQ(BASS_MIDI_StreamGetEvent(s, 0, MIDI_EVENT_TEMPO), 333333u) << "seek " << i;
    }
    BASS_StreamFree(s);
}

// The saved font or else the default one becomes the main font: the window
// tests show it. A saved font that does not load leaves none at all.
TEST_F(Engine, AnAcceptedMainFontThatDoesNotLoadLeavesNoMainFont) {
    SoundFonts f;
    f.mainFontAccepted = "OK";
    f.mainFontPath = (dir / "missing.sf2").string();
    f.fontGeneral(write("Chorium.sf2", testsupport::buildSf2("Default Font", {{0, 0, "Piano"}})), 0);
    std::string name;
    EXPECT_EQ(f.mainFont, 0u);
    EXPECT_FALSE(f.mainFontName(name));
}

TEST_F(Engine, ChannelFontServesOnlyItsProgramAndTheMainFontFollows) {
    auto main = write("main.sf2", testsupport::buildSf2("Main", {{0, 0, "Piano"}, {128, 0, "Standard"}}));
    auto guitar = write("guitar.sf2", testsupport::buildSf2("Guitar", {{0, 25, "Steel"}}));
    auto drums = write("drums.sf2", testsupport::buildSf2("Drums", {{128, 0, "Kit"}}));
    HSTREAM s = songStream(500000);
    SoundFonts f;
    f.fontGeneral(main, s);

    f.assignChannelFont(4, guitar, 25);
    f.applyChannelFonts(s);
    EXPECT_EQ(f.count, 1);
    EXPECT_EQ(std::tuple(f.records[0].preset, f.records[0].bank), std::tuple(25, 0));
    EXPECT_EQ(std::tuple(f.records[1].preset, f.records[1].font), std::tuple(-1, f.mainFont));
    BASS_MIDI_FONT got[4]{};
    EXPECT_EQ(BASS_MIDI_StreamGetFonts(s, got, 4), 2u);
    EXPECT_EQ(std::pair(got[0].preset, got[1].preset), std::pair(25, -1));

    // The drum channel's font gives its drum kit.
    f.assignChannelFont(9, drums, 0);
    EXPECT_EQ(std::tuple(f.count, f.records[1].bank, f.records[1].preset, f.records[2].preset),
              std::tuple(2, 128, 0, -1));
    EXPECT_EQ(f.chosenChannel, 0);

    // A second font for channel 4 replaces its own record only.
    f.assignChannelFont(4, guitar, 26);
    f.assignChannelFont(16, guitar, 27); // there is no channel 17
    f.assignChannelFont(2, guitar, 28);  // a new record: the others keep theirs
    EXPECT_EQ(std::tuple(f.count, f.records[0].preset, f.records[1].bank, f.records[1].preset,
                         f.records[0].font == f.handles[0]),
              std::tuple(3, 26, 128, 0, true));
    BASS_StreamFree(s);
}

TEST_F(Engine, DrumKitsAreBank128OfTheMainFontUpToItsLastPresetListedOncePerFont) {
    auto edge =
        write("edge.sf2", testsupport::buildSf2("Edge", {{128, 0, "First"}, {128, 127, "Last"}, {0, 127, "Gunshot"}}));
    auto other = write("other.sf2", testsupport::buildSf2("Other", {{0, 0, "Piano"}, {0, 1, "Bright"}}));
    SoundFonts f;
    f.fontGeneral(edge, 0);
    EXPECT_EQ(f.Drum(), (std::vector<std::string>{"First", "Last"})); // preset 127 is a kit too
    EXPECT_FALSE(f.drumStale);
    // Fresh: a second look does not ask the font again, even if it went away.
    HSOUNDFONT loaded = f.mainFont;
    f.mainFont = 0;
    EXPECT_EQ(f.Drum().size(), 2u);
    f.mainFont = loaded;
    // Reloading the same font on the next Open keeps the list; another font does not.
    f.fontGeneral(edge, 0);
    EXPECT_FALSE(f.drumStale);
    f.replaceMain(other, 0, nullptr, nullptr);
    EXPECT_TRUE(f.Drum().empty());
}
