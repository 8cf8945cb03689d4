// The player window driven as a user drives it: headless, silent output,
// scripted dialogs, songs built in code. Nothing waits on the wall clock:
// the window's pauses are scripted, its display timer is ticked by hand and
// lyric marks are delivered by calling the engine's callbacks directly.
#include "app/ui/playerwindow.h"
#include "audio/midiwriter.h"
#include "core/apppaths.h"
#include "lyrics/livesync.h"
#include "player/ui/soundfontbar.h"
#include "player/ui/transportpanel.h"
#include "render/ui/conversionpanel.h"
#include "tags/mp3bytes.h"

#include <QAction>
#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <memory>

using namespace cantora;
using dialogs::ScriptedDialogs;

class FrmMidiTestTest : public QObject, windowtest::PlayerWindow {
    Q_OBJECT

    // A song of about `seconds` with the given lyric and text events, 100 ms apart.
    std::string song(const QString &name, std::vector<std::string> lyrics, std::vector<std::string> texts = {},
                     int seconds = 3) {
        audio::MidiWriter mw(480, 1);
        int t = mw.addTrack();
        mw.tempo(t, 0, 500000);
        mw.program(t, 0, 0, 0);
        mw.noteOn(t, 0, 0, 60, 90);
        mw.noteOff(t, 960ull * seconds, 0, 60);
        std::uint64_t tick = 96;
        for (auto &l : lyrics)
            mw.lyric(t, tick += 96, l);
        for (auto &x : texts)
            mw.text(t, tick += 96, x);
        return write(name, mw.bytes());
    }
    // Enabled state of the transport controls, in one comparable line.
    QString transport() {
        auto on = [&](const char *n) { return find<QPushButton>(n)->isEnabled() ? "1" : "0"; };
        return QString("open=%1 play=%2 pause=%3 stop=%4 replace=%5 exit=%6")
            .arg(on("cmdOpenFP"), on("CmdPlay"), on("Command1"), on("cmdStop"), on("btnreplace"))
            .arg(find<QAction>("Mnuexit")->isEnabled() ? "1" : "0");
    }
    void start() { QVERIFY(w->Form_Initialize()); }
    HSTREAM handle() { return w->song().handle; }
    // The engine reaching lyric mark `index` of `type`, as its callback reports it.
    void reach(DWORD index, DWORD type = 2) {
        lyrics::LyricSync(0, handle(), index, reinterpret_cast<void *>(static_cast<std::uintptr_t>(type)));
        QCoreApplication::processEvents();
    }
    // The engine reaching the end of the song.
    void reachEnd() {
        lyrics::EndSync(0, handle(), 0, nullptr);
        QCoreApplication::processEvents();
    }

private slots:
    void init() {
        setUp();
        newWindow();
    }

    void cleanup() { tearDown(); }

    // The sequences themselves are the transport's (tests/player): here, what each step shows.
    void GIVEN_a_song_WHEN_open_play_pause_stop_and_replay_THEN_the_window_shows_each_step() {
        start();
        QCOMPARE(transport(), QString("open=1 play=0 pause=0 stop=0 replace=0 exit=1"));
        dlg->answerFile(song("twinkle.kar", {"a", "b"}));
        find<QPushButton>("cmdOpenFP")->click();
        const auto &box = dlg->shown.back();
        QCOMPARE(box.title, std::string("Load Midifile"));
        QCOMPARE(box.filter, std::string("MIDI files (mid/midi/kar)|*.mid;*.midi;*.kar"));
        QCOMPARE(box.flags, 0x81004u);
        QCOMPARE(find<QPushButton>("cmdOpenFP")->text(), QString("twinkle.kar"));
        QCOMPARE(find<QLabel>("Label7")->text(), QString("&H01"));
        QCOMPARE(find<QLabel>("lblTime")->text(), QString("Time: 0:00 / 0:03"));
        QCOMPARE(find<QSlider>("sldPosition")->maximum(), 3);
        const struct {
            const char *button;
            const char *shown;
            bool creator;
        } steps[] = {{nullptr, "open=1 play=1 pause=0 stop=0 replace=1 exit=1", true},
                     {"CmdPlay", "open=0 play=0 pause=1 stop=1 replace=1 exit=1", false},
                     {"Command1", "open=0 play=1 pause=1 stop=1 replace=1 exit=1", false},
                     {"cmdStop", "open=1 play=1 pause=0 stop=0 replace=0 exit=1", false},
                     {"CmdPlay", "open=0 play=0 pause=0 stop=1 replace=0 exit=1", false}}; // the replay settling
        for (const auto &step : steps) {
            holdScheduled = &step == &steps[4]; // the replay's pause waits for the test
            if (step.button)
                find<QPushButton>(step.button)->click();
            QCOMPARE(transport(), QString(step.shown));
            QCOMPARE(find<QAction>("Mmp3")->isEnabled(), step.creator);
        }
        pending.at(0)();
        QCOMPARE(transport(), QString("open=0 play=0 pause=1 stop=1 replace=0 exit=1"));
    }

    void GIVEN_a_loaded_song_WHEN_a_file_that_is_no_song_is_opened_THEN_nothing_of_the_old_song_is_left() {
        start();
        dlg->answerFile(song("good.kar", {}, {}, 125));
        find<QPushButton>("cmdOpenFP")->click();
        QCOMPARE(find<QLabel>("lblTime")->text(), QString("Time: 0:00 / 2:05"));
        dlg->answerFile(write("bad.mid", "MThd but nothing else"));
        find<QPushButton>("cmdOpenFP")->click();
        QCOMPARE(find<QLabel>("lblTime")->text(), QString("Time: 0:00 / 0:00"));
        QCOMPARE(find<QSlider>("sldPosition")->maximum(), 0);
        QCOMPARE(find<QLabel>("Label7")->text(), QString());
        QCOMPARE(transport(), QString("open=1 play=0 pause=0 stop=0 replace=1 exit=1"));
        QVERIFY(!find<QAction>("Mmp3")->isEnabled());
    }

    void GIVEN_a_file_name_with_an_ampersand_WHEN_opened_THEN_the_caption_shows_it() {
        start();
        dlg->answerFile(song("Tom & Jerry.kar", {}));
        find<QPushButton>("cmdOpenFP")->click();
        // Doubled, a "&" is shown as itself rather than underlining the next letter.
        QCOMPARE(find<QPushButton>("cmdOpenFP")->text(), QString("Tom && Jerry.kar"));
    }

    void GIVEN_the_window_THEN_captions_use_comic_neue_or_the_desktop_font_never_a_script_face() {
        const QString family = w->font().family();
        if (QFontDatabase::families().contains("Comic Neue"))
            QCOMPARE(family, QString("Comic Neue"));
        else
            QCOMPARE(family, QApplication::font().family());
        QCOMPARE(find<QPushButton>("cmdOpenFP")->font().family(), family);
    }

    void GIVEN_no_song_WHEN_started_THEN_the_display_timer_runs_and_names_the_soundfont() {
        start();
        QVERIFY(w->findChild<QTimer *>("tmrMidiTest")->isActive());
        QVERIFY2(find<QLabel>("LblSfont")->text().startsWith("SoundFont: "),
                 qPrintable(find<QLabel>("LblSfont")->text()));
        QVERIFY(w->statusBar()->currentMessage().isEmpty());
    }

    void GIVEN_no_default_soundfont_WHEN_started_and_songs_opened_THEN_the_status_names_it_once() {
        std::filesystem::remove(path("Chorium.sf2").toStdString());
        QSignalSpy said(w->statusBar(), &QStatusBar::messageChanged);
        start();
        QCOMPARE(find<QLabel>("LblSfont")->text(), QString("no soundfont"));
        const QString msg = w->statusBar()->currentMessage();
        QVERIFY2(msg.contains(path("Chorium.sf2")) && msg.contains("SoundFont..."), qPrintable(msg));
        dlg->answerFile(song("a.mid", {}));
        find<QPushButton>("cmdOpenFP")->click();
        dlg->answerFile(song("b.mid", {}));
        find<QPushButton>("cmdOpenFP")->click();
        QCOMPARE(said.count(), 1);
        QVERIFY(dlg->messages().empty());
    }

    void GIVEN_a_loaded_song_WHEN_open_is_cancelled_THEN_play_and_stop_are_disabled_and_the_song_kept() {
        start();
        dlg->answerFile(song("a.mid", {}));
        find<QPushButton>("cmdOpenFP")->click();
        HSTREAM kept = w->song().handle;
        dlg->cancelFile();
        find<QPushButton>("cmdOpenFP")->click();
        QCOMPARE(transport(), QString("open=1 play=0 pause=0 stop=0 replace=1 exit=1"));
        QCOMPARE(w->song().handle, kept);
        QVERIFY(dlg->messages().empty());
    }

    void GIVEN_a_file_that_is_no_song_WHEN_opened_THEN_error_with_code_and_open_caption() {
        start();
        dlg->answerFile(write("notes.mid", "this is not MIDI at all"));
        find<QPushButton>("cmdOpenFP")->click();
        auto msgs = dlg->messages();
        QCOMPARE(msgs.size(), std::size_t(1));
        QCOMPARE(msgs[0].title, std::string("Error"));
        QCOMPARE(msgs[0].style, 48);
        QCOMPARE(QString::fromStdString(msgs[0].text),
                 QString("Can't play the file\n\nBASS error code: %1").arg(player::engineErrorCode()));
        QVERIFY(player::engineErrorCode() != 0);
        QCOMPARE(find<QPushButton>("cmdOpenFP")->text(), QString("click here to open a file && play it..."));
    }

    void GIVEN_no_sound_device_WHEN_started_THEN_error_box_and_the_program_ends() {
        audio::setOutputFactory([](int) { return audio::makeMissingOutput(); });
        QVERIFY(!w->Form_Initialize());
        auto msgs = dlg->messages();
        QCOMPARE(msgs.size(), std::size_t(1));
        QCOMPARE(msgs[0].text,
                 std::string("Can't initialize device\n\nBASS error code: ") + std::to_string(BASS_ERROR_DEVICE));
        QCOMPARE(msgs[0].style, 48);
        // The program ends with a failure status, and the window never showed.
        QCOMPARE(exits, std::vector<int>{1});
        QVERIFY(!w->isVisible());
    }

    void GIVEN_a_wrong_library_version_WHEN_started_THEN_it_ends_before_opening_a_device() {
        audio::overrideVersions(0x02030000, 0);
        QVERIFY(!w->Form_Initialize());
        QCOMPARE(dlg->messages().at(0).text, std::string("An incorrect version of BASS.DLL was loaded"));
        QCOMPARE(dlg->messages().at(0).style, 16);
        QCOMPARE(outputsMade, 0);
        QCOMPARE(exits, std::vector<int>{1});

        dlg->shown.clear();
        exits.clear();
        audio::overrideVersions(0, 0x02050000);
        QVERIFY(!w->Form_Initialize());
        QCOMPARE(dlg->messages().at(0).text,
                 std::string("An incorrect version of BASS_FX.DLL was loaded (2.4 is required)"));
        QCOMPARE(exits.size(), std::size_t(1));
    }

    void GIVEN_a_karaoke_song_WHEN_played_THEN_the_page_grows_turns_and_empties_at_the_end() {
        start();
        dlg->answerFile(song("k.kar", {"@TTitle", "\\Hel", "lo ", "/world", "/two", "/three", "/four"}));
        find<QPushButton>("cmdOpenFP")->click();
        auto *page = find<QLabel>("lblLyrics");
        auto *syllable = find<QLabel>("Label12");
        reach(0); // a header mark changes nothing
        QCOMPARE(syllable->text(), QString());
        for (DWORD i = 1; i <= 3; ++i)
            reach(i);
        QCOMPARE(syllable->text(), QString("/world"));
        QCOMPARE(page->text(), QString("Hello \nworld"));
        // The fourth line turned the page; "/four" follows on the new one.
        for (DWORD i = 4; i <= 6; ++i)
            reach(i);
        QCOMPARE(syllable->text(), QString("/four"));
        QCOMPARE(page->text(), QString("three\nfour"));
        reachEnd();
        QCOMPARE(page->text(), QString());
        QCOMPARE(syllable->text(), QString("/four"));
    }

    void GIVEN_two_songs_WHEN_the_first_ones_marks_arrive_late_THEN_they_are_dropped() {
        start();
        dlg->answerFile(song("one.kar", {"\\one", "a", "b", "c", "d", "e"}));
        find<QPushButton>("cmdOpenFP")->click();
        HSTREAM old = handle();
        dlg->answerFile(song("two.kar", {"\\two", "a", "b", "c", "d", "e"}));
        find<QPushButton>("cmdOpenFP")->click();
        lyrics::reportMark({old, "\\late", 0});
        lyrics::reportEnd(old);
        QCoreApplication::processEvents();
        QCOMPARE(find<QLabel>("Label12")->text(), QString());
        reach(0);
        QCOMPARE(find<QLabel>("Label12")->text(), QString("\\two"));
    }

    void GIVEN_five_lyric_and_21_text_events_WHEN_played_THEN_the_text_events_show() {
        start();
        std::vector<std::string> texts;
        for (int i = 0; i <= 20; ++i)
            texts.push_back("t" + std::to_string(i) + " ");
        dlg->answerFile(song("t.kar", {"L1", "L2", "L3", "L4", "L5"}, texts, 5));
        find<QPushButton>("cmdOpenFP")->click();
        QCOMPARE(w->transport().markSource(), lyrics::MarkSource::Text);
        for (DWORD i = 0; i <= 20; ++i)
            reach(i, 3);
        QCOMPARE(find<QLabel>("Label12")->text(), QString("t20 "));
        QVERIFY(find<QLabel>("lblLyrics")->text().startsWith("t0 t1 "));
    }

    void GIVEN_twenty_text_events_only_WHEN_played_THEN_no_lyrics_show() {
        start();
        std::vector<std::string> texts(20, "x");
        dlg->answerFile(song("n.kar", {}, texts, 3));
        find<QPushButton>("cmdOpenFP")->click();
        QCOMPARE(w->transport().markSource(), lyrics::MarkSource::None);
    }

    void GIVEN_a_playing_song_WHEN_the_slider_is_dragged_THEN_the_timer_waits_and_release_seeks() {
        start();
        dlg->answerFile(song("s.mid", {}, {}, 20));
        find<QPushButton>("cmdOpenFP")->click();
        find<QPushButton>("CmdPlay")->click();
        auto *slider = find<QSlider>("sldPosition");
        auto *timer = w->findChild<QTimer *>("tmrMidiTest");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 500);
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(slider->width() * 3 / 4, slider->height() / 2));
        QVERIFY(!timer->isActive());
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() * 3 / 4, slider->height() / 2));
        QVERIFY(timer->isActive());
        const int target = slider->value();
        QVERIFY(target >= 10);
        QVERIFY2(w->transport().positionSeconds() >= target, qPrintable(QString::number(target)));
        // The display timer keeps the slider on the play position.
        w->transportPanel()->tmrMidiTest_Timer();
        QVERIFY(slider->value() >= target);
        QVERIFY(find<QLabel>("LblSfont")->text().startsWith("SoundFont: "));
        QCOMPARE(find<QLabel>("lblBPM")->text(), QString("120.0"));
    }

    void GIVEN_a_saved_main_font_WHEN_a_replacement_is_not_saved_THEN_the_next_open_returns_to_the_saved_one() {
        std::filesystem::copy_file(CANTORA_TEST_SF2, path("mine.sf2").toStdString());
        start();
        QCOMPARE(w->fonts().mainFontPath, path("Chorium.sf2").toStdString()); // nothing saved yet

        std::ofstream(path("config.tlm").toStdString(), std::ios::binary)
            << "\"OK\",\"" << path("mine.sf2").toStdString() << "\",48000,\"\"\r\n";
        dlg->answerFile(song("a.mid", {}));
        find<QPushButton>("cmdOpenFP")->click();
        QCOMPARE(w->fonts().mainFontPath, path("mine.sf2").toStdString());
        QCOMPARE(w->conversion()->sampleRate(), 48000);

        dlg->answerFile(path("Chorium.sf2").toStdString());
        find<QPushButton>("btnreplace")->click();
        QCOMPARE(dlg->shown.back().title, std::string("Load SoundFonts"));
        QCOMPARE(dlg->shown.back().filter, std::string("Soundfonts (sf2)|*.sf2"));
        QCOMPARE(w->fonts().mainFontPath, path("Chorium.sf2").toStdString());
        QVERIFY(waits == std::vector<int>{1000});

        dlg->answerFile(path("a.mid").toStdString());
        find<QPushButton>("cmdOpenFP")->click();
        QCOMPARE(w->fonts().mainFontPath, path("mine.sf2").toStdString());
    }

    void GIVEN_settings_WHEN_save_configuration_THEN_one_line_and_done() {
        start();
        find<QAction>("Savec")->trigger();
        std::ifstream in(path("config.tlm").toStdString(), std::ios::binary);
        std::string line((std::istreambuf_iterator<char>(in)), {});
        QCOMPARE(line, "\"OK\",\"" + path("Chorium.sf2").toStdString() + "\",44100,\"\"\r\n");
        auto msgs = dlg->messages();
        QCOMPARE(msgs.size(), std::size_t(1));
        QCOMPARE(msgs[0].text, std::string("Done!"));
        QCOMPARE(msgs[0].style, 32);
        QCOMPARE(msgs[0].title, std::string("Cantora KARAOKE"));
    }

    void GIVEN_a_channel_WHEN_its_soundfont_button_is_pressed_THEN_the_chooser_starts_in_the_last_folder() {
        start();
        dlg->answerFile(song("a.mid", {}));
        find<QPushButton>("cmdOpenFP")->click();
        std::filesystem::create_directory(path("fonts").toStdString());
        std::filesystem::copy_file(CANTORA_TEST_SF2, path("fonts/gm.sf2").toStdString());
        dlg->answerFile(path("fonts/gm.sf2").toStdString());
        find<QPushButton>("CmdSF2_4")->click();
        QCOMPARE(dlg->shown.back().initDir, std::string("/usr/share/sounds/sf2"));
        QCOMPARE(w->fonts().count, 1);
        QCOMPARE(w->fonts().lastFolder, path("fonts/").toStdString());
        dlg->cancelFile();
        find<QPushButton>("CmdSF2_9")->click();
        QCOMPARE(dlg->shown.back().initDir, path("fonts/").toStdString());
        QCOMPARE(w->fonts().count, 1); // cancel changes nothing
    }

    void GIVEN_a_font_with_drum_kits_WHEN_a_kit_is_clicked_THEN_channel_10_shows_its_name() {
        start();
        dlg->answerFile(song("a.mid", {}));
        find<QPushButton>("cmdOpenFP")->click();
        w->soundFonts()->Drum(9);
        auto *list = find<QListWidget>("LstDrum");
        QVERIFY(list->count() > 0);
        QVERIFY(find<QPushButton>("CmdDrum")->isVisibleTo(w.get()));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QCOMPARE(find<QLabel>("Label3_9")->text(), list->item(0)->text());
    }

    void GIVEN_the_window_WHEN_closed_or_exit_THEN_the_device_is_released_and_the_program_ends() {
        start();
        find<QAction>("Mnuexit")->trigger();
        QCOMPARE(exits, std::vector<int>{0});
        // The device was released: it can be opened again.
        QVERIFY(player::reopenOutput());
        player::releaseOutput();
        QVERIFY(w->Form_Initialize());
        w->close();
        QCOMPARE(exits.size(), std::size_t(2));
    }

    void GIVEN_no_song_THEN_Wave_and_MP3_wait_and_Help_opens_its_window() {
        for (const char *n : {"btnConvert", "cmdsave"})
            QVERIFY2(!find<QPushButton>(n)->isEnabled(), n);
        QVERIFY(find<QPushButton>("CmdReset")->isEnabled()); // the equaliser is here
        find<QAction>("Shelp")->trigger();
        QVERIFY(w->findChild<QWidget *>("formp3")->isVisible());
    }

    void GIVEN_a_converted_song_WHEN_the_conversion_ends_THEN_the_tag_editor_opens_on_it_and_exit_cleans_up() {
        const std::string syncro = core::appFile("SYNCRO.MP3");
        std::ofstream(syncro, std::ios::binary) << mp3bytes::audio(4096);
        find<QMenu>("mnuconf")->setEnabled(false);
        w->showTagEditorAfterConversion(home->filePath("out.mp3").toStdString());
        QPointer<tags::frmTags> editor = w->tagEditor();
        QVERIFY(editor && editor->isVisible());
        // The editor waits for the converter to finish its files, then opens them.
        QTRY_COMPARE_WITH_TIMEOUT(editor->FileName(), syncro, 6000);
        // The menu item shows the same editor rather than a second one.
        find<QAction>("Mp3KK")->trigger();
        QCOMPARE(w->tagEditor(), editor.data());
        editor->cmdOK_Click();
        QVERIFY(!std::filesystem::exists(syncro));
        QVERIFY(find<QMenu>("mnuconf")->isEnabled());
        QTRY_VERIFY(editor.isNull());
    }
    // Channel 1 (index 0) and 3 (index 2) play, channel 5 (index 4) only sends a volume.
    std::string mixSong(const QString &name) {
        audio::MidiWriter mw(480, 1);
        int t = mw.addTrack();
        mw.tempo(t, 0, 500000);
        mw.program(t, 0, 0, 73);
        mw.controller(t, 0, 0, 7, 90);
        mw.controller(t, 0, 0, 10, 20);
        mw.program(t, 0, 2, 40);
        mw.controller(t, 0, 2, 7, 100);
        mw.controller(t, 0, 4, 7, 77);
        mw.noteOn(t, 0, 0, 69, 90);
        mw.noteOn(t, 0, 2, 60, 90);
        mw.noteOff(t, 960 * 4, 0, 69);
        mw.noteOff(t, 960 * 4, 2, 60);
        return write(name, mw.bytes());
    }
    void openAndPlay(const std::string &file) {
        dlg->answerFile(file);
        find<QPushButton>("cmdOpenFP")->click();
        find<QPushButton>("CmdPlay")->click();
        QCoreApplication::processEvents();
    }

    void GIVEN_a_song_without_channel_5_notes_WHEN_played_THEN_its_strip_is_disabled_at_127_and_the_others_filled() {
        start();
        openAndPlay(mixSong("mix.mid"));
        auto *silent = find<QSlider>("Slider2_4");
        QCOMPARE(silent->value(), 127);
        QVERIFY(!silent->isEnabled());
        QCOMPARE(find<QSlider>("Slider2_0")->value(), 127 - 90);
        QVERIFY(find<QSlider>("Slider2_0")->isEnabled());
        QCOMPARE(find<QSlider>("Slider4_0")->value(), 20);
        QCOMPARE(find<QLabel>("Label3_0")->text(), QString("Flute"));
        QCOMPARE(find<QLabel>("Label3_2")->text(), QString("Violin"));
        QVERIFY(find<QCheckBox>("Check1_0")->isChecked());
        QCOMPARE(w->channels()[4].state, std::int16_t(-1));
        QCOMPARE(find<QListWidget>("List3")->count(), 128);
        QCOMPARE(find<QListWidget>("List3")->item(77)->text(), QString("Skakuhachi"));
        if (const char *shot = std::getenv("CANTORA_MIXER_SHOT")) {
            // The default size, and a 1024x600 screen less its panel.
            for (const QSize size : {QSize(1280, 860), QSize(1024, 570)}) {
                w->resize(size);
                w->show();
                QTest::qWait(200);
                w->grab().save(QString("%1-%2.png").arg(shot).arg(size.width()));
            }
            // The instrument list opens beside the strip that asked for it.
            find<QPushButton>("Option1_2")->click();
            QTest::qWait(200);
            w->grab().save(QString("%1-list.png").arg(shot));
        }
    }

    void GIVEN_a_playing_song_WHEN_an_instrument_is_picked_THEN_the_list_closes_on_the_users_click() {
        start();
        w->show();                               // laid out: the list opens beside the strip
        find<QPushButton>("Option1_0")->click(); // before Play: nothing
        QVERIFY(!find<QListWidget>("List3")->isVisibleTo(w.get()));
        openAndPlay(mixSong("mix.mid"));
        find<QPushButton>("Option1_0")->click();
        auto *list = find<QListWidget>("List3");
        QVERIFY(list->isVisibleTo(w.get()));
        // Beside the strip that asked, over the strips, leaving that strip in sight.
        QVERIFY(find<QWidget>("strip_0")->geometry().right() > 0);
        QCOMPARE(list->geometry().left(), find<QWidget>("strip_0")->geometry().right() + 1);
        QCOMPARE(list->currentRow(), 73); // the channel's instrument, the first click
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(list->currentRow())).center());
        QVERIFY(!list->isVisibleTo(w.get()));
        QCOMPARE(BASS_MIDI_StreamGetEvent(handle(), 0, MIDI_EVENT_PROGRAM), 73u);
        find<QPushButton>("Option1_0")->click();
        list->scrollToItem(list->item(24));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(24)).center());
        QCOMPARE(find<QLabel>("Label3_0")->text(), QString("Nylon String Guitar"));
        QCOMPARE(BASS_MIDI_StreamGetEvent(handle(), 0, MIDI_EVENT_PROGRAM), 24u);
    }

    void GIVEN_a_playing_song_WHEN_tempo_key_volume_and_equaliser_move_THEN_the_stream_and_readouts_follow() {
        start();
        openAndPlay(mixSong("mix.mid"));
        find<QSlider>("sldTempo")->setValue(0);
        QCOMPARE(find<QSlider>("sldTempo")->toolTip(), QString("50%"));
        QCOMPARE(BASS_MIDI_StreamGetEvent(handle(), 0, MIDI_EVENT_TEMPO), 333333u);
        w->transportPanel()->tmrMidiTest_Timer();
        QCOMPARE(find<QLabel>("lblBPM")->text(), QString("180.0"));
        find<QSlider>("Sldtone")->setValue(-2);
        find<QSlider>("StoneSingle_3")->setValue(1);
        QCOMPARE(BASS_MIDI_StreamGetEvent(handle(), 3, MIDI_EVENT_TRANSPOSE), 101u);
        QCOMPARE(BASS_MIDI_StreamGetEvent(handle(), 0, MIDI_EVENT_TRANSPOSE), 102u);
        QCOMPARE(BASS_MIDI_StreamGetEvent(handle(), 9, MIDI_EVENT_TRANSPOSE), 100u);
        QCOMPARE(find<QLabel>("LblPit_3")->text(), QString("-1"));
        // However the font volume slider moves, its text and the sound agree; the bottom is silence.
        for (const auto &[key, shown] : {std::pair{Qt::Key_End, 0}, {Qt::Key_Home, 9}}) {
            QTest::keyClick(find<QSlider>("SldVol"), key);
            QCOMPARE(find<QLineEdit>("TextR")->text(), QString::number(shown));
            QCOMPARE(*w->transport().live().fontVolume, static_cast<float>(shown) / 10.0f);
        }
        find<QSlider>("sldEQ_2")->setValue(-6);
        find<QCheckBox>("chkEqualizer")->click();
        QVERIFY(w->transport().live().equalizer);
        QCOMPARE(w->transport().live().eqGains[2], 6.0f);
        find<QCheckBox>("chkEqualizer")->click();
        find<QCheckBox>("chkEqualizer")->click();
        QCOMPARE(find<QSlider>("sldEQ_2")->value(), -6);
        QCOMPARE(w->transport().live().eqGains[2], 6.0f);
        find<QPushButton>("CmdReset")->click();
        QCOMPARE(w->transport().live().eqGains[2], 0.0f);
    }

    void GIVEN_a_first_play_WHEN_the_scans_second_passes_THEN_the_strips_fill_only_then_and_input_is_never_held() {
        start();
        holdScheduled = true;
        openAndPlay(mixSong("mix.mid"));
        QCOMPARE(scheduled, std::vector<int>{1000});
        QVERIFY(waits.empty()); // nothing blocks the window meanwhile
        QVERIFY(!find<QSlider>("Slider2_0")->isEnabled());
        pending.at(0)();
        QVERIFY(find<QSlider>("Slider2_0")->isEnabled());
        QCOMPARE(find<QLabel>("Label3_0")->text(), QString("Flute"));
    }

    void GIVEN_lock_ticked_WHEN_stopped_and_played_again_THEN_the_songs_instrument_plays_and_the_drum_flag_follows() {
        start();
        w->show(); // laid out: the lists open beside the strips
        openAndPlay(mixSong("mix.mid"));
        find<QPushButton>("Option1_0")->click();
        auto *list = find<QListWidget>("List3");
        list->scrollToItem(list->item(24));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(24)).center());
        QCOMPARE(BASS_MIDI_StreamGetEvent(handle(), 0, MIDI_EVENT_PROGRAM), 24u);
        find<QCheckBox>("CkPg")->click();
        QCOMPARE(dlg->messages().back().text, std::string("Program Change & Volume Disabled"));
        find<QPushButton>("cmdStop")->click();
        find<QPushButton>("CmdPlay")->click();
        QTRY_COMPARE(BASS_MIDI_StreamGetEvent(handle(), 0, MIDI_EVENT_PROGRAM), 73u);
        QCOMPARE(find<QLabel>("Label3_0")->text(), QString("Nylon String Guitar")); // the strip keeps the choice

        // The drum button keeps the kit for a render; the next song starts without it.
        QVERIFY(!w->mixer().drumKitChosen());
        w->soundFonts()->Drum(9); // the song has no drums: the kit list opens as the drum strip opens it
        // The kit list of the drums (right half) opens on the strip's left, its button under it.
        const QRect kits = find<QListWidget>("LstDrum")->geometry();
        QCOMPARE(kits.right() + 1, find<QWidget>("strip_9")->geometry().left() - 1);
        QVERIFY(find<QPushButton>("CmdDrum")->geometry().top() > kits.bottom());
        find<QPushButton>("CmdDrum")->click();
        QVERIFY(w->mixer().drumKitChosen());
        QVERIFY(!find<QListWidget>("LstDrum")->isVisibleTo(w.get()));
        find<QPushButton>("cmdStop")->click();
        dlg->answerFile(mixSong("mix.mid"));
        find<QPushButton>("cmdOpenFP")->click();
        QVERIFY(!w->mixer().drumKitChosen());
    }

    void
    GIVEN_a_channel_font_WHEN_multi_is_pressed_THEN_the_multi_mp3_button_wakes_and_the_next_song_puts_both_to_sleep() {
        start();
        openAndPlay(mixSong("mix.mid"));
        auto *multi = find<QPushButton>("CmdMulti");
        auto *kmt = find<QPushButton>("CmdKmt");
        QVERIFY(!multi->isEnabled());
        QVERIFY(!kmt->isEnabled());
        dlg->answerFile(CANTORA_TEST_SF2);
        find<QPushButton>("CmdSF2_2")->click();
        QVERIFY(multi->isEnabled());
        multi->click();
        QVERIFY(w->fonts().multiFont);
        QVERIFY(kmt->isEnabled());
        QVERIFY(find<QPushButton>("btnConvert")->property("wantedEnabled").toBool());
        find<QPushButton>("cmdStop")->click();
        dlg->answerFile(mixSong("mix.mid"));
        find<QPushButton>("cmdOpenFP")->click();
        QVERIFY(!multi->isEnabled());
        QVERIFY(!kmt->isEnabled());
    }

    void GIVEN_an_editor_in_the_preferences_WHEN_MidiEditor_is_chosen_THEN_it_starts_unwaited_else_the_box_says_how() {
        start();
        qunsetenv("CANTORA_MIDI_EDITOR");
        std::vector<std::string> started;
        w->setLauncher([&](const std::string &program) {
            started.push_back(program);
            return true;
        });
        // None anywhere: the box tells where to name one, nothing starts.
        find<QAction>("Snorma")->trigger();
        QVERIFY(started.empty());
        QCOMPARE(dlg->messages().size(), 1u);
        QVERIFY(dlg->messages().back().text.find("midi.editor=") != std::string::npos);

        const std::string editor = write("myeditor", "#!/bin/sh\n");
        std::filesystem::permissions(editor, std::filesystem::perms::owner_all);
        write("cantora.ini", "window.geometry=x\nmidi.editor=" + editor + "\n");
        find<QAction>("Snorma")->trigger();
        QCOMPARE(started, std::vector<std::string>{editor});
        QCOMPARE(dlg->messages().size(), 1u);
        // One that will not start is said so.
        w->setLauncher([](const std::string &) { return false; });
        find<QAction>("Snorma")->trigger();
        QCOMPARE(dlg->messages().back().text, "The MIDI editor " + editor + " could not be started.");
    }
};

QTEST_MAIN(FrmMidiTestTest)
#include "test_frmMidiTest.moc"
