// Callbacks on their way to the caller: the notifier on its own, and the
// pumped output that lets a test drive playback without the wall clock.

#include "audio/bass.h"
#include "audio/engine.h"
#include "audio/notifier.h"
#include "audio/output.h"
#include "audiotest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using namespace cantora::audio;
using namespace cantora::audiotest;

namespace {

struct Log {
    std::mutex m;
    std::condition_variable cv;
    std::vector<DWORD> got;
    std::thread::id thread;
    Notifier *stopFrom = nullptr; // a callback that stops its own notifier
};

void record(HSYNC, DWORD, DWORD data, void *user) {
    auto *log = static_cast<Log *>(user);
    if (log->stopFrom)
        log->stopFrom->stop();
    // Nothing of `log` is touched after the lock goes: the test may then destroy it.
    std::lock_guard lock(log->m);
    log->got.push_back(data);
    log->thread = std::this_thread::get_id();
    log->cv.notify_all();
}

Notification note(Log &log, double due, DWORD data, const std::shared_ptr<NotifyTarget> &t, bool end = false) {
    return {due, {record, 1, 7, data, &log, end}, t};
}

} // namespace

TEST(Notifier, ByHandRunsWhatIsDueInPostingOrderAndAFreedTargetGetsOnlyItsEnd) {
    Notifier n;
    n.startManual();
    auto a = std::make_shared<NotifyTarget>(), b = std::make_shared<NotifyTarget>();
    auto gone = std::make_shared<NotifyTarget>();
    Log log;
    std::vector<Notification> items{note(log, 1.0, 1, a), note(log, 1.0, 2, a), note(log, 2.0, 3, a)};
    n.post(items);
    EXPECT_EQ(n.deliverDue(0.999), 0u);
    EXPECT_EQ(n.deliverDue(1.0), 2u); // due exactly now: runs
    EXPECT_EQ(n.queued(), 1u);
    EXPECT_EQ(n.deliverDue(5.0), 1u);
    EXPECT_EQ(log.got, (std::vector<DWORD>{1, 2, 3}));
    log.got.clear();
    items = {note(log, 0, 1, a), note(log, 0, 2, b),    note(log, 0, 3, a, true),
             note(log, 0, 4, a), note(log, 0, 5, gone), note(log, 0, 6, gone, true)};
    n.post(items);
    a->freed = true;
    gone.reset(); // a target destroyed with callbacks on their way
    EXPECT_EQ(n.deliverDue(0), 3u);
    EXPECT_EQ(log.got, (std::vector<DWORD>{2, 3, 6}));
    EXPECT_EQ(n.queued(), 0u);
}

TEST(Notifier, ItsThreadRunsInOrderOffTheCallerAndMayBeStoppedFromACallback) {
    Notifier n;
    n.startThread();
    auto t = std::make_shared<NotifyTarget>();
    Log log;
    const double now = Notifier::wallClock();
    std::vector<Notification> items{note(log, now + 0.002, 1, t), note(log, now + 0.002, 2, t),
                                    note(log, now + 0.003, 3, t)};
    n.post(items);
    {
        std::unique_lock lock(log.m);
        ASSERT_TRUE(log.cv.wait_for(lock, std::chrono::seconds(5), [&] { return log.got.size() == 3; }));
        EXPECT_EQ(log.got, (std::vector<DWORD>{1, 2, 3}));
        EXPECT_NE(log.thread, std::this_thread::get_id());
    }
    // A callback that stops the notifier (the engine freed from inside a
    // callback): what was still queued is dropped, nothing hangs.
    Log stopper;
    stopper.stopFrom = &n;
    std::vector<Notification> more{note(stopper, 0, 9, t), note(stopper, Notifier::wallClock() + 60, 10, t)};
    n.post(more);
    std::unique_lock lock(stopper.m);
    ASSERT_TRUE(stopper.cv.wait_for(lock, std::chrono::seconds(5), [&] { return !stopper.got.empty(); }));
    lock.unlock();
    EXPECT_EQ(n.queued(), 0u);
    n.stop();
}

namespace {

struct PlayLog {
    std::vector<DWORD> lyrics;
    int ends = 0;
    std::thread::id thread;
};
void onLyric(HSYNC, DWORD, DWORD data, void *user) {
    auto *log = static_cast<PlayLog *>(user);
    log->lyrics.push_back(data);
    log->thread = std::this_thread::get_id();
}
void onEnd(HSYNC, DWORD, DWORD, void *user) { ++static_cast<PlayLog *>(user)->ends; }

// Lyrics at 0, 0.5, 1.0 and 1.5 s over a note from 0 to 2 s (120 bpm).
std::string lyricSong() {
    MidiWriter w(480);
    const int t = w.addTrack();
    for (int i = 0; i < 4; ++i)
        w.lyric(t, 480u * i, "la");
    w.noteOn(t, 0, 0, 69, 100);
    w.noteOff(t, 1920, 0, 69);
    return w.bytes();
}

// A stream of `song` reporting its lyrics and end into `log`, playing.
HSTREAM playing(const std::string &song, DWORD flags, PlayLog &log) {
    const HSTREAM h = BASS_MIDI_StreamCreateFile(1, song.data(), 0, song.size(), flags, 0);
    BASS_ChannelSetSync(h, BASS_SYNC_MIDI_LYRIC, 0, onLyric, &log);
    BASS_ChannelSetSync(h, BASS_SYNC_END, 0, onEnd, &log);
    return BASS_ChannelPlay(h, 0) ? h : 0;
}

} // namespace

TEST(PumpedOutput, PlaysWhenPumpedAndCallsBackBeforeThePumpReturnsEachCallAtItsSample) {
    PumpedOutput *out = nullptr;
    {
        initPumped(out);
        ASSERT_NE(out, nullptr);
        const HSOUNDFONT font = BASS_MIDI_FontInit(CANTORA_TEST_SF2, 0);
        const BASS_MIDI_FONT rec{font, -1, 0};
        BASS_MIDI_StreamSetFonts(0, &rec, 1);
        const std::string song = lyricSong();

        // Pumped 0.25 s: the first lyric is reported on this thread, the sound
        // came out. The second stream frees itself at its end.
        PlayLog log, all;
        const HSTREAM h = playing(song, 0, log), again = playing(song, BASS_STREAM_AUTOFREE, all);
        ASSERT_TRUE(h && BASS_ChannelPlay(h, 0)); // played twice, mixed once
        out->pumpSeconds(0.25);
        EXPECT_EQ(log.lyrics, (std::vector<DWORD>{0}));
        EXPECT_EQ(log.thread, std::this_thread::get_id());
        EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 4u * frames(0.25));
        const auto &block = out->pump(4410);
        EXPECT_GT(rmsDb(block), -60); // the piano note, heard
        // The second lyric, at 0.5 s, belongs to the block that starts there.
        out->pumpSeconds(0.5 - 0.35);
        EXPECT_EQ(log.lyrics, (std::vector<DWORD>{0}));
        out->pump(1);
        EXPECT_EQ(log.lyrics, (std::vector<DWORD>{0, 1}));
        // Freed, it reports nothing more.
        BASS_StreamFree(h);
        out->pumpSeconds(2.0);
        EXPECT_EQ(log.lyrics, (std::vector<DWORD>{0, 1}));
        EXPECT_EQ(log.ends, 0);

        // A song pumped to its end reports every lyric and its end once.
        out->pumpSeconds(2.5);
        EXPECT_EQ(all.lyrics, (std::vector<DWORD>{0, 1, 2, 3}));
        EXPECT_EQ(all.ends, 1);
        EXPECT_FALSE(BASS_StreamFree(again)) << "made to free itself at its end";
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);

        EXPECT_TRUE(BASS_Free());
        EXPECT_EQ(rmsDb(out->pump(1000)), rmsDb(std::vector<float>(2000, 0.0f))); // closed: silence, no crash
        BASS_MIDI_FontFree(font);
        setOutputFactory({});
    }
    // White-box: a callback is due when its sample is heard, not when the block that holds it was mixed.
    {
        initPumped(out);
        BASS_MIDI_StreamSetFonts(0, nullptr, 0); // silent: only the timing counts
        MidiWriter w(480);
        const int t = w.addTrack();
        w.lyric(t, 24, "la"); // 25 ms: sample 1103
        w.noteOn(t, 0, 0, 60, 90);
        w.noteOff(t, 480, 0, 60);
        const std::string song = w.bytes();
        PlayLog log;
        ASSERT_NE(playing(song, 0, log), 0u);
        std::vector<float> block(2 * 2048);
        Engine &e = Engine::instance();
        e.mix(block.data(), 2048, 100.0); // as an output whose clock reads 100 s
        EXPECT_EQ(e.notifier.deliverDue(100.0 + 1102.5 / 44100), 0u);
        EXPECT_EQ(e.notifier.deliverDue(100.0 + 1103.0 / 44100), 1u);
        EXPECT_EQ(log.lyrics, (std::vector<DWORD>{0}));
        EXPECT_TRUE(BASS_Free());
        setOutputFactory({});
    }
}
