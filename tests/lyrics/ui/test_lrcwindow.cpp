// The player window's LRC commands driven as a user drives them: the LRC
// button, Options > LRC Creator with its save dialog, the karaoke option
// buttons and the real-time capture at Stop. Headless, silent output,
// scripted dialogs, songs built in code; marks are delivered by calling the
// engine's callbacks directly, the position slider is set by hand.
#include "app/ui/playerwindow.h"
#include "core/apppaths.h"
#include "lyrics/capture.h"
#include "lyrics/livesync.h"
#include "lyrics/ui/lrccommands.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <iterator>

using namespace cantora;
using windowtest::readFile;

class LrcWindowTest : public QObject, windowtest::PlayerWindow {
    Q_OBJECT

    std::string syncro() { return readFile(core::appFile("SYNCRO.LRC")); }
    bool syncroExists() { return std::filesystem::exists(core::appFile("SYNCRO.LRC")); }
    void open(const std::string &file) {
        openSong(file);
        QVERIFY(w->song().handle != 0);
    }
    void play() {
        find<QPushButton>("CmdPlay")->click();
        // The slider is set by hand here, not by the display timer.
        find<QTimer>("tmrMidiTest")->stop();
    }
    HSTREAM handle() { return w->song().handle; }
    // The engine reaching mark `index`: the page callback, then the capture
    // callback with the user value it was registered with.
    void reach(DWORD index, int sliderSeconds, std::uintptr_t captureUser) {
        find<QSlider>("sldPosition")->setValue(sliderSeconds);
        lyrics::LyricSync(0, handle(), index, reinterpret_cast<void *>(std::uintptr_t(2)));
        lyrics::LyricCapture(0, handle(), index, reinterpret_cast<void *>(captureUser));
        QCoreApplication::processEvents();
    }

private slots:
    void init() {
        setUp();
        makeWindow();
    }

    void cleanup() { tearDown(); }

    void GIVEN_a_song_with_no_tempo_WHEN_LRC_follows_a_slow_song_THEN_its_times_use_the_kept_tempo() {
        // 60 beats a minute, division 480: 2.083 ms a tick. The second song
        // has no tempo bytes, so the creator keeps the first one's.
        std::vector<std::string> marks = {"\\ONE", "a", "b", "/TWO", "c", "d"};
        open(song("slow.kar", marks, 40, 1000000, 480));
        find<QPushButton>("CmdLyric")->click();
        // Each line starts at its second mark: ticks 960 (2 s) and 2400 (5 s, shown 1 s early).
        QCOMPARE(syncro(), std::string("[00:02]ONEAB\r\n[00:04]TWOCD\r\n"));
        w->transport().live().tempoFactor = 2; // the tempo slider at half speed: the lines follow
        find<QPushButton>("CmdLyric")->click();
        QCOMPARE(syncro(), std::string("[00:03]ONEAB\r\n[00:09]TWOCD\r\n")); // song times 4 s and 10 s
        w->transport().live().tempoFactor = 1;
        open(song("notempo.kar", marks, 40, 0, 480));
        find<QPushButton>("CmdLyric")->click();
        // Nothing of the first run's lines comes along.
        QCOMPARE(syncro(), std::string("[00:02]ONEAB\r\n[00:04]TWOCD\r\n"));
    }

    void GIVEN_no_song_or_one_gone_from_disk_WHEN_LRC_is_pressed_THEN_it_says_so_and_writes_nothing() {
        find<QPushButton>("CmdLyric")->click();
        const std::string file = song("gone.kar", {"\\A", "b", "c", "d", "e", "f"});
        open(file);
        std::filesystem::remove(file);
        find<QPushButton>("CmdLyric")->click();
        QCOMPARE(dlg->messages().size(), std::size_t(2));
        QVERIFY(dlg->messages().back().text.find("cannot be read") != std::string::npos);
        QVERIFY(!syncroExists());
    }

    void GIVEN_the_demo_song_WHEN_LRC_or_the_lrc_creator_THEN_SYNCRO_LRC_or_only_a_saved_file_closes_the_song() {
        open(CANTORA_SOURCE_DIR "/data/demo.kar");
        const std::string demo = readFile(CANTORA_TEST_DATA "/lrc/demo.lrc");
        // LRC: no box, no fixed pause per mark (the window never froze); pressed again, afresh.
        for (int press = 0; press < 2; ++press) {
            find<QPushButton>("CmdLyric")->click();
            QCOMPARE(syncro(), demo);
        }
        QVERIFY(dlg->messages().empty() && waits.empty());
        std::filesystem::remove(core::appFile("SYNCRO.LRC"));
        auto wanted = [this](const char *button) {
            return find<QPushButton>(button)->property("wantedEnabled").toBool();
        };
        dlg->cancelFile();
        find<QAction>("Mmp3")->trigger();
        QCOMPARE(dlg->shown.back().kind, dialogs::ScriptedDialogs::Shown::Save);
        QVERIFY(dlg->messages().empty());
        QVERIFY(!find<QPushButton>("CmdPlay")->isEnabled() && !wanted("cmdsave") && !wanted("btnConvert"));
        QVERIFY(handle() != 0);

        dlg->answerFile(path("no/such/folder/x.lrc").toStdString());
        find<QAction>("Mmp3")->trigger();
        QVERIFY(dlg->messages().back().text.rfind("Cannot write", 0) == 0);
        QVERIFY(handle() != 0);
        QVERIFY(find<QPushButton>("CmdPlay")->isEnabled());

        const std::string target = path("mine.lrc").toStdString();
        dlg->answerFile(target);
        find<QAction>("Mmp3")->trigger();
        QCOMPARE(readFile(target), demo);
        QVERIFY(!syncroExists());
        QCOMPARE(dlg->messages().back().text, std::string("Done! LRC Creator"));
        QCOMPARE(dlg->messages().back().title, std::string("Cantora Professional"));
        QCOMPARE(find<QPushButton>("cmdOpenFP")->text(), QString("Open Midifile"));
        QCOMPARE(handle(), HSTREAM(0));
        QVERIFY(find<QPushButton>("CmdPlay")->isEnabled() && wanted("cmdsave") && wanted("btnConvert"));
    }

    void GIVEN_the_karaoke_options_WHEN_each_is_chosen_THEN_only_RtKar_ticks_MP3K() {
        QVERIFY(find<QRadioButton>("OptK_0")->isChecked());
        auto *mp3k = find<QCheckBox>("Mp3K");
        auto *box = find<QPlainTextEdit>("Text2");
        QVERIFY2(box->isHidden(), "the capture box leaves the room to the lyrics");
        // However an option is chosen (a click, a key, assistive technology), MP3K follows.
        for (const auto &[option, ticked] :
             {std::pair{"OptK_1", true}, {"OptK_2", false}, {"OptK_1", true}, {"OptK_0", false}, {"OptK_1", true}}) {
            find<QRadioButton>(option)->setChecked(true);
            QCOMPARE(mp3k->isChecked(), ticked);
            QCOMPARE(box->isHidden(), !ticked);
        }
        // A new song starts from "NoKar"; the MP3K tick stays as the user left it.
        open(song("any.kar", {"\\one", "/two", "a", "b"}));
        QVERIFY(find<QRadioButton>("OptK_0")->isChecked());
        QVERIFY(mp3k->isChecked());
    }

    void GIVEN_RtKar_WHEN_the_song_is_replayed_after_stop_THEN_capture_goes_on_and_a_new_song_starts_afresh() {
        find<QRadioButton>("OptK_1")->click();
        const std::string file = song("cap.kar", {"\\one", "/two", "/three", "a", "b", "c"}, 10);
        open(file);
        play();
        reach(0, 1, 0);
        find<QPushButton>("cmdStop")->click();
        play(); // the replay registers the capture with the mark type as its user value
        reach(1, 3, 2);
        reach(2, 4, 2);
        find<QPushButton>("cmdStop")->click();
        QCOMPARE(syncro(), std::string("[00:00]\r\n[00:01]one\r\n[00:02]two\r\n[00:03]three\r\n"));
        // Reached on the engine's thread just before Stop and the next song: the report is
        // still on its way when the old stream goes, and is dropped.
        play();
        lyrics::LyricCapture(0, handle(), 1, reinterpret_cast<void *>(std::uintptr_t(2)));
        find<QPushButton>("cmdStop")->click();
        open(file);
        QCoreApplication::processEvents();
        QCOMPARE(find<QPlainTextEdit>("Text2")->toPlainText(), QString());
        QVERIFY(w->lrc()->capture().entries().empty());
    }

    void GIVEN_a_song_opened_WHEN_RtKar_is_chosen_or_dropped_before_Play_THEN_the_engine_captures_only_while_ticked() {
        tearDown();
        setUp(Output::Pumped); // the engine itself reaches the marks
        makeWindow();
        const std::string file = song("late.kar", {"\\one", "/two", "/three", "a", "b", "c"}, 10);
        for (const bool ticked : {true, false}) {
            open(file);
            find<QRadioButton>("OptK_1")->click();
            if (!ticked)
                find<QRadioButton>("OptK_0")->click();
            find<QPushButton>("CmdPlay")->click();
            pumped->pumpSeconds(2);
            QCoreApplication::processEvents();
            // Capturing, the page shows the capture's two lines at most; else the classic three.
            QCOMPARE(find<QLabel>("lblLyrics")->text(), QString(ticked ? "threeabc" : "one\ntwo\nthreeabc"));
            QCOMPARE(find<QPlainTextEdit>("Text2")->toPlainText(), QString(ticked ? "\n[00:00]one\n[00:00]two\n" : ""));
            find<QPushButton>("cmdStop")->click();
            QCOMPARE(syncroExists(), ticked);
            if (ticked)
                QCOMPARE(syncro(), std::string("[00:00]\r\n[00:00]one\r\n[00:00]two\r\n[00:00]threeabc\r\n"));
            std::filesystem::remove(core::appFile("SYNCRO.LRC"));
        }
    }
};

QTEST_MAIN(LrcWindowTest)
#include "test_lrcwindow.moc"
