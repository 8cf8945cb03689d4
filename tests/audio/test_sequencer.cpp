#include "audio/midifile.h"
#include "audio/midiwriter.h"
#include "audio/sequencer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace cantora::audio;

namespace {

// Records every message with the frame it arrived at.
struct Recorder : SynthSink {
    std::uint64_t frame = 0;
    std::vector<std::pair<std::uint64_t, std::string>> log;
    template <class... Ints>
    void add(const char *what, Ints... v) {
        std::string s = what;
        ((s += " " + std::to_string(v)), ...);
        log.emplace_back(frame, s);
    }
    void noteOn(int c, int k, int v) override { add("on", c, k, v); }
    void noteOff(int c, int k) override { add("off", c, k); }
    void controller(int c, int n, int v) override { add("cc", c, n, v); }
    void programChange(int c, int p) override { add("prog", c, p); }
    void pitchBend(int c, int v) override { add("bend", c, v); }
    void channelPressure(int c, int v) override { add("press", c, v); }
    void keyPressure(int c, int k, int v) override { add("kp", c, k, v); }
    void allSoundsOff() override { add("silence"); }
    void render(float *out, std::size_t n) override {
        std::fill(out, out + 2 * n, 0.0f);
        frame += n;
    }
    std::uint64_t frameOf(const std::string &s) const {
        for (const auto &[f, m] : log)
            if (m == s)
                return f;
        return ~0ull;
    }
    bool has(const std::string &s) const { return frameOf(s) != ~0ull; }
    // The notes played, each with its frame.
    std::vector<std::string> notes() const {
        std::vector<std::string> out;
        for (const auto &[f, m] : log)
            if (m[0] == 'o' || m[0] == 'k' || m.rfind("press", 0) == 0)
                out.push_back(m + " @" + std::to_string(f));
        return out;
    }
};

struct Listener : SequencerListener {
    std::vector<std::string> heard;
    Sequencer *seq = nullptr;
    std::uint32_t overrideTo = 0;
    void onTempoEvent(std::uint32_t us) override {
        heard.push_back("tempo " + std::to_string(us));
        if (overrideTo)
            seq->setTempo(overrideTo);
    }
    void onMark(MarkKind k, std::uint32_t i) override {
        heard.push_back((k == MarkKind::Lyric ? "lyric " : "text ") + std::to_string(i));
    }
};

MidiFile parse(const MidiWriter &w) {
    auto r = readMidi(w.bytes());
    EXPECT_TRUE(r.ok());
    return r.file;
}

std::size_t renderAll(Sequencer &seq, Recorder &rec, Listener *l = nullptr, std::size_t block = 1000) {
    std::vector<float> buf(2 * block);
    std::size_t total = 0, n;
    while ((n = seq.render(buf.data(), block, rec, l, true)) > 0)
        total += n;
    return total;
}

} // namespace

TEST(Sequencer, SameTickOrderAcrossTracksExactSamplesAndPitchBendBytes) {
    MidiWriter w(480);
    const int a = w.addTrack(), b = w.addTrack();
    // Written in the worst order, spread over two tracks.
    w.noteOn(a, 480, 0, 60, 100);
    w.controller(b, 480, 0, 7, 90);
    w.program(a, 480, 0, 5);
    w.controller(b, 480, 0, 0, 1);
    w.noteOff(b, 480, 0, 64);
    w.noteOn(a, 0, 0, 64, 80);
    w.noteOn(a, 960, 0, 60, 0); // velocity 0 ends the note
    w.pitchBend(b, 10, 3, 0x34 << 7 | 0x12);
    w.pitchBend(b, 20, 3, 16383);
    Sequencer seq(parse(w), 44100);
    Recorder rec;
    EXPECT_EQ(renderAll(seq, rec, nullptr, 777), 44100u); // the song ends at its last event
    std::vector<std::string> at480;
    for (const auto &[f, m] : rec.log)
        if (f == 22050)
            at480.push_back(m);
    EXPECT_EQ(at480, (std::vector<std::string>{"off 0 64", "cc 0 0 1", "prog 0 5", "cc 0 7 90", "on 0 60 100"}));
    EXPECT_EQ(rec.frameOf("off 0 60"), 44100u);
    EXPECT_TRUE(rec.has("bend 3 6674"));
    EXPECT_TRUE(rec.has("bend 3 16383"));
}

TEST(Sequencer, MarksInSongOrderWithPositionsAndTempoOverride) {
    MidiWriter w(480);
    const int t0 = w.addTrack(), t1 = w.addTrack();
    w.tempo(t0, 0, 500000);
    w.tempo(t0, 960, 250000);
    w.lyric(t1, 1440, "lo");
    w.lyric(t1, 0, "Hel");
    w.lyric(t0, 1440, "first"); // same tick as "lo": lower track first
    w.text(t0, 1440, "@T");
    Sequencer seq(parse(w), 44100);
    const auto &lyrics = seq.marks(MarkKind::Lyric);
    ASSERT_EQ(lyrics.size(), 3u);
    EXPECT_EQ(lyrics[0].text + lyrics[1].text + lyrics[2].text, "Helfirstlo");
    EXPECT_EQ(lyrics[1].track, 0u);
    EXPECT_EQ(lyrics[2].tick, 1440u);
    EXPECT_EQ(lyrics[2].sample, 55125u); // 1 s + 480 ticks at 250000 us
    EXPECT_EQ(seq.marks(MarkKind::Text).size(), 1u);

    // A listener that sets the tempo to 1 s/qn at each tempo event: the
    // song's own tempo event at 960 ends the first override.
    Listener l;
    l.seq = &seq;
    l.overrideTo = 1000000;
    Recorder rec;
    EXPECT_EQ(renderAll(seq, rec, &l), 3 * 44100u); // 960 ticks at 1 s/qn, then 480 at 1 s/qn
    EXPECT_EQ(l.heard,
              (std::vector<std::string>{"tempo 500000", "lyric 0", "tempo 250000", "lyric 1", "text 0", "lyric 2"}));
}

TEST(Sequencer, SeekChasesStateButNoNotesAndReplaysFromTheStart) {
    MidiWriter w(480);
    const int t = w.addTrack();
    w.controller(t, 0, 2, 0, 8);
    w.program(t, 0, 2, 40);
    w.controller(t, 0, 2, 7, 30);
    w.pitchBend(t, 100, 2, 1000);
    w.channelPressure(t, 100, 2, 77);
    w.channelPressure(t, 50, 3, 60);
    w.controller(t, 100, 3, 121, 0); // forgets channel 3's pressure
    w.tempo(t, 240, 1000000);
    w.noteOn(t, 300, 2, 50, 90);
    w.program(t, 2000, 2, 41);    // after the seek point: not chased
    w.noteOn(t, 2040, 1, 67, 90); // exactly at 4 s: played by the render, not the chase
    w.noteOff(t, 4000, 2, 50);
    w.noteOff(t, 4000, 1, 67);
    Sequencer seq(parse(w), 44100);
    Recorder rec;
    seq.seekFrame(44100, rec); // 0.25 s at 120 bpm, then 0.75 s at 60 bpm = tick 600
    EXPECT_NEAR(seq.tick(), 600, 1e-6);
    EXPECT_EQ(seq.tempo(), 1000000u);
    for (const char *m :
         {"silence", "cc 2 0 8", "prog 2 40", "cc 2 7 30", "bend 2 1000", "press 2 77", "press 3 0", "cc 5 7 100"})
        EXPECT_TRUE(rec.has(m)) << m; // untouched channels go back to their defaults
    EXPECT_FALSE(rec.has("prog 2 41"));
    EXPECT_FALSE(rec.has("on 2 50 90")) << "notes are not restarted";

    rec.log.clear();
    seq.seekFrame(176400, rec);
    EXPECT_FALSE(rec.has("on 1 67 90"));
    renderAll(seq, rec);
    EXPECT_EQ(rec.frameOf("on 1 67 90"), 0u) << "the first thing the render plays";
    // Back to 0 after the end: the opening note plays again.
    rec.log.clear();
    seq.seekFrame(0, rec);
    renderAll(seq, rec);
    EXPECT_TRUE(rec.has("on 2 50 90"));
}

TEST(Sequencer, AKeyChangeAppliesToNotesThatStartAfterIt) {
    MidiWriter w(480);
    const int t = w.addTrack();
    w.noteOn(t, 0, 0, 60, 100); // held through the changes
    w.noteOn(t, 0, 0, 62, 90);  // ended before the change, struck again after it
    w.noteOff(t, 10, 0, 62);
    w.noteOn(t, 480, 0, 64, 100); // starts after the first change
    w.noteOn(t, 480, 0, 62, 90);
    w.noteOff(t, 960, 0, 64);
    w.noteOff(t, 960, 0, 62);
    w.noteOff(t, 1440, 0, 60);
    w.keyPressure(t, 960, 0, 60, 5); // to the held note's key, and to a silent key as it would sound
    w.keyPressure(t, 960, 0, 70, 6);
    w.channelPressure(t, 960, 0, 7);
    Sequencer seq(parse(w), 44100);
    Recorder rec;
    std::vector<float> buf(2 * 5000);
    seq.render(buf.data(), 5000, rec, nullptr, true);
    // As the renderer does before every block: the global key, then the
    // channel's own, each time. Held notes must not notice.
    for (int block = 0; block < 8; ++block) {
        seq.setTranspose(0, 0);
        seq.setTranspose(0, 2);
        seq.render(buf.data(), 5000, rec, nullptr, true);
    }
    renderAll(seq, rec);
    EXPECT_EQ(rec.notes(),
              (std::vector<std::string>{"on 0 60 100 @0", "on 0 62 90 @0", "off 0 62 @460", "on 0 66 100 @22050",
                                        "on 0 64 90 @22050", "off 0 66 @44100", "off 0 64 @44100", "kp 0 60 5 @44100",
                                        "kp 0 72 6 @44100", "press 0 7 @44100", "off 0 60 @66150"}));
    EXPECT_EQ(seq.transpose(0), 2);
}

TEST(Sequencer, TempoInForceBeforeAnyRenderAndAtASeekTargetClampedWhenSet) {
    MidiWriter w(480);
    const int t = w.addTrack();
    w.tempo(t, 0, 240000);
    w.tempo(t, 960, 600000);
    w.noteOn(t, 0, 0, 60, 100);
    w.noteOff(t, 1920, 0, 60);
    Sequencer seq(parse(w), 44100);
    EXPECT_EQ(seq.tempo(), 240000u) << "the opening tempo holds from the start, not from its dispatch";
    // 960 ticks at 0.24 s/qn: the second tempo starts at 0.48 s exactly.
    Recorder rec;
    for (auto [frame, tempo] : {std::pair{21168u, 600000u}, {21167u, 240000u}, {0u, 240000u}}) {
        seq.seekFrame(frame, rec);
        EXPECT_EQ(std::pair(seq.tempo(), seq.songTempo()), std::pair(tempo, tempo)) << frame; // the song's own too
    }
    // Set from outside: clamped to what a tempo event can hold; the song's own is still known.
    for (auto [set, held] : {std::pair{103797072u, 16777215u}, {0u, 1u}, {16777215u, 16777215u}}) {
        seq.setTempo(set);
        EXPECT_EQ(seq.tempo(), held);
    }
    EXPECT_EQ(seq.songTempo(), 240000u);
}

TEST(Sequencer, AnAllNotesOffForgetsTheSoundingKeysSoALateNoteOffEndsNoLaterNote) {
    MidiWriter w(480);
    const int t = w.addTrack();
    w.noteOn(t, 0, 0, 60, 100);      // sounds as 62 under the key of the first block
    w.controller(t, 480, 0, 123, 0); // all notes off
    w.noteOn(t, 960, 0, 62, 100);    // the key is back to 0: 62 again
    w.noteOff(t, 1440, 0, 60);       // the song's late note-off of its first note
    w.noteOff(t, 1920, 0, 62);
    Sequencer seq(parse(w), 44100);
    Recorder rec;
    std::vector<float> buf(2 * 1000);
    seq.setTranspose(0, 2);
    seq.render(buf.data(), 1000, rec, nullptr, true);
    seq.setTranspose(0, 0);
    renderAll(seq, rec);
    EXPECT_EQ(rec.notes(), (std::vector<std::string>{"on 0 62 100 @0", "on 0 62 100 @44100", "off 0 62 @88200"}));
}
