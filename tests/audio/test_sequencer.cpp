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
    void channelPressure(int, int) override {}
    void keyPressure(int, int, int) override {}
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

TEST(Sequencer, SameTickOrderAcrossTracksAndExactSamples) {
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
    Sequencer seq(parse(w), 44100);
    Recorder rec;
    const std::size_t total = renderAll(seq, rec, nullptr, 777);

    std::vector<std::string> at480;
    for (const auto &[f, m] : rec.log)
        if (f == 22050)
            at480.push_back(m);
    EXPECT_EQ(at480, (std::vector<std::string>{"off 0 64", "cc 0 0 1", "prog 0 5", "cc 0 7 90", "on 0 60 100"}));
    EXPECT_EQ(rec.frameOf("off 0 60"), 44100u);
    EXPECT_EQ(total, 44100u); // the song ends at its last event
    EXPECT_EQ(seq.lengthFrames(), 44100u);
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
    const MidiFile file = parse(w);
    Sequencer seq(file, 44100);
    const auto &lyrics = seq.marks(MarkKind::Lyric);
    ASSERT_EQ(lyrics.size(), 3u);
    EXPECT_EQ(lyrics[0].text, "Hel");
    EXPECT_EQ(lyrics[1].text, "first");
    EXPECT_EQ(lyrics[1].track, 0u);
    EXPECT_EQ(lyrics[2].text, "lo");
    EXPECT_EQ(lyrics[2].tick, 1440u);
    EXPECT_EQ(lyrics[2].sample, 55125u); // 1 s + 480 ticks at 250000 us
    ASSERT_EQ(seq.marks(MarkKind::Text).size(), 1u);

    // A listener that doubles the tempo's length at each tempo event: the
    // song's own tempo event at 960 ends the first override.
    Listener l;
    l.seq = &seq;
    l.overrideTo = 1000000;
    Recorder rec;
    const std::size_t total = renderAll(seq, rec, &l);
    EXPECT_EQ(l.heard,
              (std::vector<std::string>{"tempo 500000", "lyric 0", "tempo 250000", "lyric 1", "text 0", "lyric 2"}));
    EXPECT_EQ(total, 2 * 44100u + 44100u); // 960 ticks at 1 s/qn, then 480 at 1 s/qn
    EXPECT_EQ(seq.tempo(), 1000000u);
}

TEST(Sequencer, SeekChasesStateAndAKeyChangeLeavesHeldNotesAlone) {
    MidiWriter w(480);
    const int t = w.addTrack();
    w.controller(t, 0, 2, 0, 8);
    w.program(t, 0, 2, 40);
    w.controller(t, 0, 2, 7, 30);
    w.pitchBend(t, 100, 2, 1000);
    w.tempo(t, 240, 1000000);
    w.noteOn(t, 300, 2, 50, 90);
    w.program(t, 2000, 2, 41); // after the seek point: not chased
    w.noteOff(t, 4000, 2, 50);
    Sequencer seq(parse(w), 44100);
    Recorder rec;
    seq.seekFrame(44100, rec); // 0.25 s at 120 bpm, then 0.75 s at 60 bpm = tick 600
    EXPECT_NEAR(seq.tick(), 600, 1e-6);
    EXPECT_EQ(seq.tempo(), 1000000u);
    EXPECT_TRUE(rec.has("silence"));
    EXPECT_TRUE(rec.has("cc 2 0 8"));
    EXPECT_TRUE(rec.has("prog 2 40"));
    EXPECT_FALSE(rec.has("prog 2 41"));
    EXPECT_TRUE(rec.has("cc 2 7 30"));
    EXPECT_TRUE(rec.has("bend 2 1000"));
    EXPECT_TRUE(rec.has("cc 5 7 100"));  // untouched channels go back to defaults
    EXPECT_FALSE(rec.has("on 2 50 90")); // notes are not restarted

    // From the start: a note sounds, the key changes; the note sounds on
    // at its pitch and its own note-off ends it there.
    seq.seekFrame(0, rec);
    rec.log.clear();
    std::vector<float> buf(2 * 20000);
    seq.render(buf.data(), 20000, rec, nullptr, true); // past tick 300
    EXPECT_TRUE(rec.has("on 2 50 90"));
    seq.setTranspose(2, 12);
    EXPECT_FALSE(rec.has("off 2 50"));
    rec.log.clear();
    renderAll(seq, rec);
    EXPECT_TRUE(rec.has("off 2 50"));
    EXPECT_FALSE(rec.has("off 2 62"));
}

TEST(Sequencer, AKeyChangeAppliesToNotesThatStartAfterIt) {
    MidiWriter w(480);
    const int t = w.addTrack();
    w.noteOn(t, 0, 0, 60, 100);   // held through the changes
    w.noteOn(t, 480, 0, 64, 100); // starts after the first change
    w.noteOff(t, 960, 0, 64);
    w.noteOff(t, 1440, 0, 60);
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
    const auto before = rec.log.size();
    seq.setTranspose(0, 2); // the value in force: nothing happens
    EXPECT_EQ(rec.log.size(), before);
    renderAll(seq, rec);
    std::vector<std::string> notes;
    for (const auto &[f, m] : rec.log)
        if (m.rfind("on", 0) == 0 || m.rfind("off", 0) == 0)
            notes.push_back(m + " @" + std::to_string(f));
    EXPECT_EQ(notes,
              (std::vector<std::string>{"on 0 60 100 @0", "on 0 66 100 @22050", "off 0 66 @44100", "off 0 60 @66150"}));
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
    // The opening tempo holds from the start, not from its dispatch.
    EXPECT_EQ(seq.tempo(), 240000u);
    EXPECT_EQ(seq.songTempo(), 240000u);
    // 960 ticks at 0.24 s/qn: the second tempo starts at 0.48 s exactly.
    Recorder rec;
    seq.seekFrame(21168, rec);
    EXPECT_EQ(seq.tempo(), 600000u);
    seq.seekFrame(21167, rec);
    EXPECT_EQ(seq.tempo(), 240000u);
    seq.seekFrame(0, rec);
    EXPECT_EQ(seq.tempo(), 240000u);

    // Set from outside: clamped to what a tempo event can hold; the song's
    // own tempo is still known.
    seq.setTempo(103797072);
    EXPECT_EQ(seq.tempo(), 16777215u);
    EXPECT_EQ(seq.songTempo(), 240000u);
    seq.setTempo(0);
    EXPECT_EQ(seq.tempo(), 1u);
    seq.setTempo(16777215);
    EXPECT_EQ(seq.tempo(), 16777215u);
}

TEST(Sequencer, LivePitchBendBytesAndANoteExactlyAtTheSeekTarget) {
    {
        MidiWriter w(480);
        const int t = w.addTrack();
        w.pitchBend(t, 0, 3, 0x34 << 7 | 0x12); // low 0x12, high 0x34
        w.pitchBend(t, 10, 3, 16383);
        w.pitchBend(t, 20, 3, 1);
        w.noteOn(t, 30, 3, 60, 100);
        Sequencer seq(parse(w), 44100);
        Recorder rec;
        renderAll(seq, rec);
        EXPECT_TRUE(rec.has("bend 3 6674"));
        EXPECT_TRUE(rec.has("bend 3 16383"));
        EXPECT_TRUE(rec.has("bend 3 1"));
    }
    {
        MidiWriter w(480);
        const int t = w.addTrack();
        w.noteOn(t, 0, 0, 60, 100);
        w.noteOff(t, 480, 0, 60);
        w.noteOn(t, 480, 1, 67, 90); // 0.5 s = frame 22050
        w.noteOff(t, 960, 1, 67);
        Sequencer seq(parse(w), 44100);
        Recorder rec;
        seq.seekFrame(22050, rec);
        EXPECT_FALSE(rec.has("on 1 67 90")); // not started by the chase
        renderAll(seq, rec);
        EXPECT_EQ(rec.frameOf("on 1 67 90"), 0u); // the first thing the render plays
        EXPECT_FALSE(rec.has("on 0 60 100"));

        // Replay: back to 0 after the end, the opening note plays again.
        rec.log.clear();
        rec.frame = 0;
        seq.seekFrame(0, rec);
        renderAll(seq, rec);
        EXPECT_EQ(rec.frameOf("on 0 60 100"), 0u);
        EXPECT_EQ(rec.frameOf("on 1 67 90"), 22050u);
    }
}
