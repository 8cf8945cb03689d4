// The player window driven as a user drives it, on the fixture of playerwindow.h: its pauses scripted, its
// display timer ticked by hand, lyric marks delivered through the engine's callbacks. The sequences are the
// transport's and the mixer's (tests/player): here, what the window shows of them and how its controls reach them.
#include "app/ui/playerwindow.h"
#include "lyrics/livesync.h"
#include "player/ui/soundfontbar.h"
#include "player/ui/transportpanel.h"
#include "render/ui/conversionpanel.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest>

#include <filesystem>

using namespace cantora;

class FrmMidiTestTest : public QObject, windowtest::PlayerWindow {
    Q_OBJECT

    // Channel 1 (index 0) and 3 (index 2) play, channel 5 (index 4) only sends a volume.
    std::string mixSong() {
        audio::MidiWriter mw(480, 1);
        int t = mw.addTrack();
        mw.tempo(t, 0, 500000);
        mw.program(t, 0, 0, 73);
        mw.controller(t, 0, 0, 7, 90);
        mw.controller(t, 0, 0, 10, 20);
        mw.program(t, 0, 2, 40);
        mw.controller(t, 0, 4, 7, 77);
        mw.noteOn(t, 0, 0, 69, 90);
        mw.noteOn(t, 0, 2, 60, 90);
        mw.noteOff(t, 960 * 4, 0, 69);
        mw.noteOff(t, 960 * 4, 2, 60);
        return write("mix.mid", mw.bytes());
    }
    void openAndPlay(const std::string &file) {
        openSong(file);
        find<QPushButton>("CmdPlay")->click();
        QCoreApplication::processEvents();
    }
    HSTREAM handle() { return w->song().handle; }
    DWORD event(int channel, DWORD kind) { return BASS_MIDI_StreamGetEvent(handle(), channel, kind); }
    // The engine reaching lyric mark `index` of `type`, as its callback reports it.
    void reach(DWORD index, DWORD type = 2) {
        lyrics::LyricSync(0, handle(), index, reinterpret_cast<void *>(static_cast<std::uintptr_t>(type)));
        QCoreApplication::processEvents();
    }
    QString text(const char *label) { return find<QLabel>(label)->text(); }
    void pick(QListWidget *list, int row) {
        list->scrollToItem(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }

private slots:
    void init() {
        setUp(Output::Pumped);
        makeWindow();
    }

    void cleanup() { tearDown(); }

    // Every control after each step of an evening at the player, compared with the expected log.
    void GIVEN_a_session_WHEN_each_step_is_taken_THEN_every_control_shows_what_it_should() {
        w->show();
        QVERIFY(find<QTimer>("tmrMidiTest")->isActive()); // the labels follow the engine from the start
        windowtest::StateLog log{w.get()};
        log.step("started");
        openSong(song("Tom & Jerry.kar", {"@TTitle", "\\Hel", "lo ", "/world", "/two"}, 4));
        log.step("a karaoke song opened");
        // The song's name with its "&" (not underlining the next letter), format and length; nothing muted yet.
        QCOMPARE(picture(), std::size_t(11958591872421695198u));
        find<QPushButton>("CmdPlay")->click();
        reach(2);
        log.step("played to its third syllable");
        find<QSlider>("sldTempo")->setValue(14);
        find<QSlider>("Sldtone")->setValue(3);
        find<QCheckBox>("Check1_15")->setChecked(false);
        find<QSlider>("Slider2_15")->setValue(100);
        find<QSlider>("StoneSingle_15")->setValue(-2);
        log.step("tempo, key, and channel 16 muted, faded and lowered");
        find<QPushButton>("Command1")->click();
        w->transportPanel()->tmrMidiTest_Timer();
        log.step("paused");
        find<QPushButton>("cmdStop")->click();
        log.step("stopped");
        QVERIFY(waits.empty()); // the first Play's scan never held the window
        holdScheduled = true;   // played again: Stop at once, Pause once the replay has settled
        find<QPushButton>("CmdPlay")->click();
        log.step("played again, settling");
        pending.at(0)();
        holdScheduled = false;
        find<QPushButton>("cmdStop")->click();
        openAndPlay(mixSong());
        w->transportPanel()->tmrMidiTest_Timer();
        log.step("another song played");
        find<QSlider>("sldEQ_2")->setValue(-6);
        find<QCheckBox>("chkEqualizer")->setChecked(true);
        find<QCheckBox>("chkPhaser")->setChecked(true);
        QTest::keyClick(find<QSlider>("SldVol"), Qt::Key_End);
        log.step("equaliser, compressor, font volume");
        find<QPushButton>("CmdReset")->click();
        log.step("reset");
        find<QAction>("viewSingAlong")->trigger();
        find<QAction>("contrastYellow")->trigger();
        find<QPushButton>("cmdStop")->click();
        find<QAction>("recent_1")->trigger();
        log.step("sing-along view in yellow; stopped, the first song again from the recent list");
        QCOMPARE(windowtest::expected("player_session", log.log), QString());
    }

    void GIVEN_a_played_song_WHEN_a_file_that_is_no_song_is_opened_THEN_error_with_code_and_nothing_of_it_left() {
        openAndPlay(song("good.kar", {"\\la", "/five"}, 125));
        reach(1);
        QCOMPARE(text("Label12"), QString("five")); // the syllable as sung, without its break
        QCOMPARE(text("Label3_0"), QString("Acoustic Grand"));
        find<QPushButton>("cmdStop")->click();
        const HSTREAM kept = handle();
        dlg->cancelFile(); // a cancelled Open keeps the song, not its Play
        find<QPushButton>("cmdOpenFP")->click();
        QVERIFY(find<QPushButton>("btnreplace")->isEnabled() && !find<QPushButton>("CmdPlay")->isEnabled());
        QCOMPARE(handle(), kept);
        openSong(write("bad.mid", "MThd but nothing else"));
        QCOMPARE(dlg->messages().size(), std::size_t(1));
        const auto msg = dlg->messages().at(0);
        QCOMPARE(msg.title + "/" + std::to_string(msg.style), std::string("Error/48"));
        QCOMPARE(QString::fromStdString(msg.text),
                 QString("Can't play the file\n\nBASS error code: 41")); // "not a file of the expected format"
        for (const char *gone : {"Label7", "Label12", "Label3_0"})
            QVERIFY2(text(gone).isEmpty(), gone);
    }

    void GIVEN_no_device_or_wrong_libraries_WHEN_started_THEN_a_box_and_the_program_ends_unshown() {
        const struct {
            DWORD engine, effects;
            bool device;
            std::string text;
            int style, outputs;
        } starts[] = {
            {0, 0, false, "Can't initialize device\n\nBASS error code: " + std::to_string(BASS_ERROR_DEVICE), 48, 1},
            {0x02030000, 0, true, "An incorrect version of BASS.DLL was loaded", 16, 0},
            {0, 0x02050000, true, "An incorrect version of BASS_FX.DLL was loaded (2.4 is required)", 16, 0}};
        for (const auto &s : starts) {
            tearDown();
            setUp();
            newWindow();
            audio::overrideVersions(s.engine, s.effects);
            if (!s.device)
                audio::setOutputFactory([this](int) {
                    ++outputsMade;
                    return audio::makeMissingOutput();
                });
            QVERIFY(!w->Form_Initialize());
            QCOMPARE(dlg->messages().at(0).text, s.text);
            QCOMPARE(dlg->messages().at(0).style, s.style);
            QCOMPARE(outputsMade, s.outputs);
            QCOMPARE(exits, std::vector<int>{1});
            QVERIFY(!w->isVisible());
        }
    }

    void GIVEN_two_songs_WHEN_the_second_plays_THEN_late_marks_of_the_first_are_dropped_and_the_end_empties_the_page() {
        w->show();
        openSong(song("one.kar", {"\\one", "a", "b", "c", "d", "e"}));
        // Reached on the engine's thread just before the next Open: still on its way when the song goes.
        lyrics::LyricSync(0, handle(), 0, reinterpret_cast<void *>(std::uintptr_t(2)));
        openSong(song("k.kar", {"@TTitle", "\\Hel", "lo ", "/world", "/two", "/three", "/four"}));
        QCoreApplication::processEvents();
        QCOMPARE(text("Label12"), QString());
        for (DWORD i = 0; i <= 6; ++i) // the page's rules are the grammar's (tests/lyrics)
            reach(i);
        QCOMPARE(text("lblLyrics"), QString("three\nfour"));
        QCOMPARE(picture(find<QWidget>("frameLyrics")), std::size_t(7938532191724084358u));
        lyrics::EndSync(0, handle(), 0, nullptr);
        QCoreApplication::processEvents();
        QCOMPARE(text("lblLyrics"), QString());
        QCOMPARE(text("Label12"), QString("four"));
    }

    void GIVEN_a_playing_song_WHEN_the_slider_is_dragged_THEN_the_timer_waits_and_release_seeks() {
        openAndPlay(song("s.mid", {}, 20));
        auto *slider = find<QSlider>("sldPosition");
        auto *timer = find<QTimer>("tmrMidiTest");
        const QPoint at(slider->width() * 3 / 4, slider->height() / 2);
        QTest::mousePress(slider, Qt::LeftButton, {}, at);
        QVERIFY(!timer->isActive());
        QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
        QVERIFY(timer->isActive());
        const int target = slider->value();
        QVERIFY(target >= 10);
        QVERIFY2(w->transport().positionSeconds() >= target, qPrintable(QString::number(target)));
        // The display timer keeps the slider on the play position.
        w->transportPanel()->tmrMidiTest_Timer();
        QVERIFY(slider->value() >= target);
        QCOMPARE(text("lblBPM"), QString("120.0"));
    }

    void GIVEN_a_saved_main_font_WHEN_a_replacement_is_not_saved_THEN_the_next_open_returns_to_the_saved_one() {
        std::filesystem::copy_file(CANTORA_TEST_SF2, path("mine.sf2").toStdString());
        QCOMPARE(w->fonts().mainFontPath, path("Chorium.sf2").toStdString()); // nothing saved yet
        write("config.tlm", "\"OK\",\"" + path("mine.sf2").toStdString() + "\",32000,\"\"\r\n");
        openSong(song("a.mid"));
        QCOMPARE(w->fonts().mainFontPath, path("mine.sf2").toStdString());
        QCOMPARE(w->conversion()->sampleRate(), 32000);

        dlg->answerFile(path("Chorium.sf2").toStdString());
        QTest::keyClick(find<QSlider>("SldVol"), Qt::Key_End); // silence, for the new font too
        find<QPushButton>("btnreplace")->click();
        QCOMPARE(w->fonts().mainFontPath, path("Chorium.sf2").toStdString());
        QCOMPARE(BASS_MIDI_FontGetVolume(w->fonts().mainFont), 0.0f);
        QVERIFY(waits == std::vector<int>{1000});
        openSong(path("a.mid").toStdString());
        QCOMPARE(w->fonts().mainFontPath, path("mine.sf2").toStdString());
        find<QAction>("Savec")->trigger(); // Options > Save Configuration: one line, and "Done!"
        QCOMPARE(windowtest::readFile(path("config.tlm").toStdString()),
                 "\"OK\",\"" + path("mine.sf2").toStdString() + "\",32000,\"\"\r\n");
        const auto done = dlg->messages().back();
        QCOMPARE(done.text + "/" + done.title + "/" + std::to_string(done.style),
                 std::string("Done!/Cantora KARAOKE/32"));
        std::filesystem::remove(path("config.tlm").toStdString());
        std::filesystem::create_directory(path("config.tlm").toStdString());
        find<QAction>("Savec")->trigger(); // a folder where the file goes: the cause, and no "Done!" after it
        QCOMPARE(dlg->messages().back().style, int(dialogs::Critical));
    }

    void GIVEN_a_played_song_THEN_the_strips_show_its_channels_and_the_instrument_list_plays_the_users_pick() {
        w->show();                               // laid out: the lists open beside the strips
        find<QPushButton>("Option1_0")->click(); // before Play: nothing
        QVERIFY(!find<QListWidget>("List3")->isVisibleTo(w.get()));
        openAndPlay(mixSong());
        find<QPushButton>("Option1_0")->setChecked(true); // pressed as assistive technology presses it
        auto *list = find<QListWidget>("List3");
        QVERIFY(list->isVisibleTo(w.get()));
        // Beside the strip that asked, over the strips, leaving that strip in sight.
        QCOMPARE(list->geometry().topLeft(), find<QWidget>("strip_0")->geometry().topRight() + QPoint(1, 0));
        QCOMPARE(list->currentRow(), 73);                        // the channel's instrument, the first click
        QCOMPARE(list->currentItem()->text(), text("Label3_0")); // named in the list as on the strip
        pick(list, 73);
        QVERIFY(!list->isVisibleTo(w.get()));
        find<QPushButton>("Option1_0")->click();
        pick(list, 24);
        QCOMPARE(event(0, MIDI_EVENT_PROGRAM), 24u);

        // The lock (what a replay then plays: tests/player) is said in a box.
        find<QCheckBox>("CkPg")->setChecked(true);
        QCOMPARE(dlg->messages().back().text, std::string("Program Change & Volume Disabled"));
        QVERIFY(w->transport().lockProgramsAndVolumes);
        // The strips: channel 1's volume, pan and pick, channel 3's violin, channel 5 (no notes) off at the bottom.
        QCOMPARE(picture(), std::size_t(3670620494709127655u));
    }

    void GIVEN_a_playing_song_WHEN_each_control_changes_however_it_changes_THEN_the_stream_and_readouts_follow() {
        w->show();
        openAndPlay(mixSong());
        find<QSlider>("sldTempo")->setValue(0);
        QCOMPARE(event(0, MIDI_EVENT_TEMPO), 333333u);
        find<QSlider>("Sldtone")->setValue(-2);
        find<QSlider>("StoneSingle_3")->setValue(1);
        QCOMPARE(event(3, MIDI_EVENT_TRANSPOSE), 101u);
        QCOMPARE(event(0, MIDI_EVENT_TRANSPOSE), 102u);
        QTest::mouseClick(find<QLabel>("LblPit_3"), Qt::LeftButton); // a click on the key readout resets it
        QCOMPARE(event(3, MIDI_EVENT_TRANSPOSE), 102u);
        find<QSlider>("Slider2_2")->setValue(127 - 40); // a strip's fader and solo
        QTest::mouseClick(find<QLabel>("Label2_2"), Qt::LeftButton);
        QVERIFY(event(2, MIDI_EVENT_VOLUME) == 40 && w->transport().live().channels[2].solo);
        // However the font volume slider moves, its text and the sound agree; the bottom is silence.
        for (const auto &[key, shown] : {std::pair{Qt::Key_End, 0}, {Qt::Key_Home, 9}}) {
            QTest::keyClick(find<QSlider>("SldVol"), key);
            QCOMPARE(find<QLineEdit>("TextR")->text(), QString::number(shown));
            QCOMPARE(*w->transport().live().fontVolume, static_cast<float>(shown) / 10.0f);
        }
        // Boxes ticked or cleared without a click (keys, assistive technology) count the same.
        find<QSlider>("sldEQ_2")->setValue(-6);
        find<QCheckBox>("chkEqualizer")->setChecked(true);
        QCOMPARE(w->transport().live().eqGains[2], 6.0f);
        find<QCheckBox>("chkEqualizer")->setChecked(false);
        QVERIFY(!w->transport().live().equalizer);
        find<QCheckBox>("Check1_0")->setChecked(false);
        QVERIFY(w->transport().live().channels[0].mute);
        find<QCheckBox>("chkPhaser")->setChecked(true);
        QCOMPARE(picture(),
                 std::size_t(11677688188867002344u)); // all of it; channel 1 muted, its fader off; the compressor on
        for (auto [slider, kind, v] : {std::tuple{"Slider1_4", MIDI_EVENT_CHORUS, 11},
                                       {"Slider3_4", MIDI_EVENT_REVERB, 22},
                                       {"Slider4_4", MIDI_EVENT_PAN, 33}}) {
            find<QSlider>(slider)->setValue(v);
            QCOMPARE(event(4, kind), DWORD(v));
        }
        find<QPushButton>("CmdReset")->click();
        QCOMPARE(w->transport().live().eqGains[2], 0.0f);
    }

    void GIVEN_a_font_with_drum_kits_WHEN_a_kit_is_kept_THEN_channel_10_names_it_until_the_next_song() {
        w->show(); // laid out: the list opens beside the strip
        openSong(song("a.mid"));
        w->soundFonts()->Drum(9);
        auto *list = find<QListWidget>("LstDrum");
        QVERIFY(list->count() > 0);
        // The kit list of the drums (right half) opens on the strip's left, its button under it.
        QCOMPARE(list->geometry().right() + 1, find<QWidget>("strip_9")->geometry().left() - 1);
        QVERIFY(find<QPushButton>("CmdDrum")->geometry().top() > list->geometry().bottom());
        pick(list, 0);
        QCOMPARE(text("Label3_9"), list->item(0)->text());
        list->setCurrentRow(1); // from the keyboard: Return chooses the kit
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(text("Label3_9"), list->item(1)->text());
        find<QPushButton>("CmdDrum")->click();
        QVERIFY(w->mixer().drumKitChosen());
        QVERIFY(!list->isVisibleTo(w.get()));
        openSong(song("a.mid"));
        QVERIFY(!w->mixer().drumKitChosen());

        // A song whose drums start on another kit: the strip names that kit once scanned.
        audio::MidiWriter mw(480, 1);
        const int t = mw.addTrack();
        const int kit = w->transport().fonts().drumPresets.at(1);
        mw.program(t, 0, 9, kit);
        mw.noteOn(t, 0, 9, 36, 90);
        mw.noteOff(t, 480, 9, 36);
        openAndPlay(write("kit.mid", mw.bytes()));
        QCOMPARE(text("Label3_9"), list->item(1)->text());
    }

    void GIVEN_a_channel_font_WHEN_multi_is_pressed_THEN_multi_mp3_wakes_and_the_next_song_puts_both_to_sleep() {
        openAndPlay(mixSong());
        auto *multi = find<QPushButton>("CmdMulti");
        auto *kmt = find<QPushButton>("CmdKmt");
        QVERIFY(!multi->isEnabled() && !kmt->isEnabled());
        dlg->answerFile(CANTORA_TEST_SF2);
        find<QPushButton>("CmdSF2_2")->click();
        multi->click();
        QVERIFY(w->fonts().multiFont);
        QVERIFY(kmt->isEnabled());
        QVERIFY(find<QPushButton>("btnConvert")->property("wantedEnabled").toBool());
        find<QPushButton>("cmdStop")->click();
        openSong(mixSong());
        QVERIFY(!multi->isEnabled() && !kmt->isEnabled());
    }

    void GIVEN_an_editor_in_the_preferences_WHEN_MidiEditor_is_chosen_THEN_it_starts_unwaited_else_the_box_says_how() {
        qunsetenv("CANTORA_MIDI_EDITOR");
        std::vector<std::string> started;
        bool starts = true;
        w->setLauncher([&](const std::string &program) {
            started.push_back(program);
            return starts;
        });
        find<QAction>("Snorma")->trigger(); // none anywhere: the box tells where to name one
        QVERIFY(started.empty());
        QVERIFY(dlg->messages().at(0).text.find("midi.editor=") != std::string::npos);
        const std::string editor = write("myeditor", "#!/bin/sh\n");
        std::filesystem::permissions(editor, std::filesystem::perms::owner_all);
        write("cantora.ini", "midi.editor=" + editor + "\n");
        find<QAction>("Snorma")->trigger();
        QCOMPARE(started, std::vector<std::string>{editor});
        QCOMPARE(dlg->messages().size(), 1u);
        starts = false; // one that will not start is said so
        find<QAction>("Snorma")->trigger();
        QCOMPARE(dlg->messages().back().text, "The MIDI editor " + editor + " could not be started.");
    }
};

QTEST_MAIN(FrmMidiTestTest)
#include "test_frmMidiTest.moc"
