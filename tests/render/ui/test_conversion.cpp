// The player window's Wave and MP3 commands driven as a user drives them, on the fixture of playerwindow.h: the
// three-second pause after a rendering and the tag editor's start-up wait are scripted, and what happens "while
// rendering" is done from the progress bar's own signal.
#include "app/ui/playerwindow.h"
#include "core/apppaths.h"
#include "render/ui/conversionpanel.h"
#include "render/wavbytes.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <filesystem>

using namespace cantora;
using dialogs::ScriptedDialogs;
using wavbytes::le32;
using windowtest::readFile;
namespace fs = std::filesystem;

namespace {

// The loudest sample of a rendered work file.
int peak(const std::string &wav) {
    int most = 0;
    for (std::size_t at = 44; at + 2 <= wav.size(); at += 2)
        most = std::max(most, std::abs(int(std::int16_t(std::uint8_t(wav[at]) | std::uint8_t(wav[at + 1]) << 8))));
    return most;
}
} // namespace

class ConversionTest : public QObject, windowtest::PlayerWindow {
    Q_OBJECT

    bool exists(const char *name) const { return fs::exists(core::appFile(name)); }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(home->path().toStdString()))
            if (e.path().filename() != "cantora.ini") // the window's own preferences
                names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Open, Play, Stop: Wave and MP3 are available (each test presses them).
    void openStopped(const std::string &file) {
        openSong(file);
        find<QPushButton>("CmdPlay")->click();
        find<QPushButton>("cmdStop")->click();
    }
    // Wave answered Yes and its copy declined: the work file's bytes.
    std::string renderWave() {
        dlg->answerMessage(dialogs::Yes);
        find<QPushButton>("btnConvert")->click();
        return readFile(core::appFile("newwave.wav"));
    }
    // Which of the controls a rendering takes away are enabled, in one line.
    QString enabled() {
        QString s;
        for (const char *n : {"cmdOpenFP", "CmdPlay", "btnreplace", "btnConvert", "cmdsave"})
            s += QString("%1=%2 ").arg(n).arg(find<QWidget>(n)->isEnabled());
        s += QString("mnuconf=%1 Mnuexit=%2")
                 .arg(find<QMenu>("mnuconf")->isEnabled())
                 .arg(find<QAction>("Mnuexit")->isEnabled());
        return s;
    }
    std::vector<ScriptedDialogs::Shown> messages() const { return dlg->messages(); }
    // Enough lyric events for the song to count as having lyrics.
    const std::vector<std::string> kWords{"\\Twin", "kle ", "twin", "kle ", "/lit", "tle ", "star"};

private slots:
    void init() {
        setUp();
        makeWindow();
        w->show();
    }

    void cleanup() { tearDown(); }

    void GIVEN_a_stopped_song_WHEN_Wave_or_MP3_is_answered_No_THEN_nothing_changes() {
        openStopped(song("a.mid", {}, 2));
        const QString before = enabled();
        const auto filesBefore = files();
        dlg->answerMessage(dialogs::No);
        find<QPushButton>("btnConvert")->click();
        dlg->answerMessage(dialogs::No);
        find<QPushButton>("cmdsave")->click();
        QCOMPARE(messages().size(), std::size_t(2));
        QCOMPARE(enabled(), before);
        QVERIFY(files() == filesBefore);
    }

    void GIVEN_a_ten_second_song_WHEN_Wave_runs_THEN_the_window_follows_it_and_the_message_waits_for_the_pause() {
        openStopped(song("ten.mid", {}, 10));
        windowtest::StateLog log(w.get(), home->path());
        log.step("a ten second song opened");
        find<QTimer>("tmrMidiTest")->start();
        auto *bar = find<QProgressBar>("Pbregg");
        std::vector<int> values;
        QString during;
        std::size_t shot = 0;
        bool timerStopped = false;
        connect(bar, &QProgressBar::valueChanged, this, [&](int v) {
            values.push_back(v);
            if (v < 50 || !during.isEmpty())
                return;
            during = enabled();
            log.step("halfway");
            timerStopped = !find<QTimer>("tmrMidiTest")->isActive();
            shot = picture();
            // A second rendering cannot start, from the buttons or otherwise.
            find<QPushButton>("btnConvert")->click();
            w->conversion()->btnConvert_Click();
            w->conversion()->cmdsave_Click();
        });
        scheduled.clear(); // Play's own pauses are not the conversion's
        holdScheduled = true;
        dlg->answerMessage(dialogs::Yes);
        find<QPushButton>("btnConvert")->click();

        // Halfway: the progress and "Pos:" where the MP3 settings were, the song's name and size, the mixer locked.
        QCOMPARE(shot, std::size_t(4933097811160471681u));
        QVERIFY(timerStopped);
        QVERIFY(std::is_sorted(values.begin(), values.end()));
        QCOMPARE(values.back(), 100);
        QCOMPARE(messages().size(), std::size_t(1)); // only the first Confermi

        // The message waits for the pause.
        QVERIFY(scheduled == std::vector<int>{3000});
        QCOMPARE(enabled(), during);

        pending.at(0)();
        QCOMPARE(messages().size(), std::size_t(2));
        QCOMPARE(messages()[1].text, std::string("Midi to Wave Done!"));
        QCOMPARE(dlg->shown.back().title, std::string("Save WAVE File As"));
        // Cancelled: only the work file is left, and Play waits for the song to be opened again.
        QVERIFY((files() == std::vector<std::string>{"Chorium.sf2", "newwave.wav", "ten.mid"}));
        QCOMPARE(picture(), std::size_t(2472370871850285443u)); // the MP3 settings and the mixer back, no progress
        log.step("done, its copy declined");
        QCOMPARE(windowtest::expected("wave_session", log.log), QString());
        renderWave();
        find<QPushButton>("cmdStop")->click(); // in the pause after the render: the controls back, nothing said
        pending.back()();
        QVERIFY(messages().size() == 3 && find<QPushButton>("btnConvert")->isEnabled());
    }

    void
    GIVEN_a_slower_tempo_or_Normalise_WHEN_Wave_saves_a_copy_THEN_the_copy_is_the_longer_or_normalised_work_file() {
        for (const bool normalise : {false, true}) {
            openStopped(song("two.mid", {}, 2));
            find<QSlider>("sldTempo")->setValue(normalise ? 10 : 14);
            find<QCheckBox>("chkNormalise")->setChecked(normalise);
            const std::string out = path(normalise ? "even.wav" : "copy.wav").toStdString();
            dlg->answerMessage(dialogs::Yes);
            dlg->answerFile(out);
            find<QPushButton>("btnConvert")->click();
            const std::string wav = readFile(core::appFile("newwave.wav"));
            const std::string norm = readFile(core::appFile("newnorm.wav"));
            if (normalise) {
                QVERIFY(norm.size() == wav.size());
                QVERIFY(norm != wav);
            } else {
                QVERIFY2(wav.size() > 44 + 2.4 * 176400, "a quarter slower than 2 seconds");
            }
            QVERIFY(readFile(out) == (normalise ? norm : wav));
            QCOMPARE(w->statusBar()->currentMessage().startsWith("Normalised: loudness "), normalise);
            QVERIFY(!fs::exists(out + ".part"));
        }
    }

    void GIVEN_the_window_closed_WHILE_rendering_THEN_the_work_file_is_gone_before_the_process_ends() {
        openStopped(song("ten.mid", {}, 10));
        bool leftAtExit = true;
        onExit = [&] { leftAtExit = exists("newwave.wav") || fs::exists(core::appFile("newwave.wav") + ".part"); };
        connect(find<QProgressBar>("Pbregg"), &QProgressBar::valueChanged, this, [&](int v) {
            if (v >= 30 && w->isVisible())
                w->close();
        });
        renderWave();
        QVERIFY(!leftAtExit);
        QCOMPARE(dlg->shown.size(), std::size_t(2)); // the song's chooser and Confermi: no save dialog
    }

    void GIVEN_BtKar_or_NoKar_WHEN_the_MP3_save_is_cancelled_THEN_Annullato_and_the_controls_come_back() {
        openStopped(song("words.kar", kWords, 5, 500000, 480));
        std::vector<bool> lrcAtSave;
        dlg->onShown = [&](const ScriptedDialogs::Shown &s) {
            if (s.kind == ScriptedDialogs::Shown::Save)
                lrcAtSave.push_back(exists("SYNCRO.LRC"));
        };
        find<QRadioButton>("OptK_2")->click();
        dlg->answerMessage(dialogs::Yes);
        find<QPushButton>("cmdsave")->click();
        QCOMPARE(dlg->shown[dlg->shown.size() - 2].title, std::string("Save MP3 File As"));
        QCOMPARE(messages().back().text, std::string("Annullato!"));
        QCOMPARE(enabled(), QString("cmdOpenFP=1 CmdPlay=1 btnreplace=1 btnConvert=1 cmdsave=1 mnuconf=1 Mnuexit=1"));
        QVERIFY(readFile(core::appFile("SYNCRO.LRC")).find("[00:02]LITTLE STAR") != std::string::npos);

        fs::remove(core::appFile("SYNCRO.LRC"));
        find<QRadioButton>("OptK_0")->click();
        dlg->answerMessage(dialogs::Yes);
        find<QPushButton>("cmdsave")->click();
        QVERIFY((lrcAtSave == std::vector<bool>{true, false}));
        QVERIFY((files() == std::vector<std::string>{"Chorium.sf2", "words.kar"})); // no MP3, no rendering
    }

    void GIVEN_BtKar_WHEN_the_MP3_conversion_runs_THEN_it_ends_in_the_tag_editor_on_SYNCRO_MP3_with_the_lyrics() {
        openStopped(song("words.kar", kWords, 5, 500000, 480));
        windowtest::StateLog log(w.get(), home->path());
        log.step("a karaoke song opened");
        find<QRadioButton>("OptK_2")->click();
        // The encoder's choices: Insane, then a bit rate and a sample rate.
        auto *preset = find<QComboBox>("cboOption");
        preset->setCurrentIndex(7);
        emit preset->activated(7);
        auto *bitRate = find<QComboBox>("Combo2");
        find<QPushButton>("cmdBitRate")->click();
        QVERIFY(bitRate->isVisible());
        emit bitRate->activated(bitRate->findText("192"));
        QCOMPARE(w->conversion()->mp3Settings().bitRateKbps, 192L);
        QCOMPARE(messages().back().text, std::string("Mp3 Setup"));
        auto *rate = find<QComboBox>("CmbFreq");
        emit rate->activated(rate->findText("48000"));
        QCOMPARE(w->conversion()->sampleRate(), 48000);
        QCOMPARE(messages().back().text, std::string("Frequency setup"));
        const std::size_t before = messages().size();
        log.step("BtKar, Insane at 192 kbit/s, 48000 Hz");

        const std::string out = path("song.mp3").toStdString();
        bool atFirstPhase = false, atDone = false;
        std::vector<int> prog;
        connect(find<QProgressBar>("Prog"), &QProgressBar::valueChanged, this, [&](int v) { prog.push_back(v); });
        dlg->onShown = [&](const ScriptedDialogs::Shown &s) {
            log.step("the box " + QString::fromStdString(s.text));
            if (s.text == "Done! Prima Fase")
                atFirstPhase = exists("newwave.wav") && !exists("SYNCRO.MP3");
            if (s.text == "Done! Midi To Mp3")
                atDone = find<QProgressBar>("Prog")->value() == 100 && exists("SYNCRO.MP3");
        };
        scheduled.clear(); // Play's own pauses are not the conversion's
        dlg->answerMessage(dialogs::Yes);
        dlg->answerFile(out);
        find<QPushButton>("cmdsave")->click();

        const auto shown = messages();
        QCOMPARE(shown.size(), before + 3);
        QCOMPARE(shown[before + 1].text, std::string("Done! Prima Fase"));
        QCOMPARE(shown[before + 2].text, std::string("Done! Midi To Mp3"));
        QVERIFY(atFirstPhase);
        QVERIFY(atDone);
        QVERIFY(std::is_sorted(prog.begin(), prog.end()) && prog.size() > 2);
        // The preset and the rate reached the encoder: every frame of Insane is 320 kbit/s,
        // and sampling-rate index 1 of an MPEG-1 frame is 48000 Hz.
        const std::string mp3 = readFile(core::appFile("SYNCRO.MP3"));
        QVERIFY(mp3.size() > 4 && std::uint8_t(mp3[0]) == 0xFF && (std::uint8_t(mp3[2]) >> 4) == 14);
        QCOMPARE((std::uint8_t(mp3[2]) >> 2) & 3, 1);

        // The editor opened on the work file (it reads the lyrics file beside it: tests/tags/ui); Options and
        // Open wait for it; the menu item shows the same editor rather than a second one.
        tags::frmTags *editor = w->tagEditor();
        QVERIFY(editor);
        QCOMPARE(editor->FileName(), core::appFile("SYNCRO.MP3"));
        QVERIFY(scheduled == std::vector<int>{tags::frmTags::kLoadWaitMs});
        find<QAction>("Mp3KK")->trigger();
        QCOMPARE(w->tagEditor(), editor);
        log.step("in the tag editor");

        QPointer<tags::frmTags> gone(editor);
        editor->cmdCancel_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!gone);
        log.step("the editor cancelled");
        QCOMPARE(windowtest::expected("conversion_session", log.log), QString());
    }

    void GIVEN_CD_G_ticked_WHEN_the_MP3_is_made_streamed_or_normalised_THEN_its_cdg_lies_beside_the_saved_MP3() {
        for (const bool normalise : {false, true}) {
            openStopped(song("words.kar", kWords, 5, 500000, 480));
            for (auto *box : {find<QCheckBox>("chkCdg"), find<QCheckBox>("chkNormalise")})
                box->setChecked(box->objectName() == "chkCdg" || normalise);
            find<QSlider>("sldTempo")->setValue(normalise ? 6 : 10); // the graphics keep time with a faster song
            const std::string out = path(normalise ? "loud.mp3" : "song.mp3").toStdString();
            dlg->answerMessage(dialogs::Yes);
            dlg->answerFile(out);
            find<QPushButton>("cmdsave")->click();
            QCOMPARE(messages().back().text, std::string("Done! Midi To Mp3"));
            QCOMPARE(exists("newnorm.wav"), normalise);
            QVERIFY(std::uint8_t(readFile(core::appFile("SYNCRO.MP3")).at(0)) == 0xFF);
            const std::string cdg = readFile(fs::path(out).replace_extension(".cdg").string());
            QCOMPARE(std::hash<std::string>{}(cdg),
                     std::size_t(normalise ? 1908149139064393263u : 1668076615302744560u));
            w->tagEditor()->cmdCancel_Click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        // Both choices are remembered for the next window.
        render::ConversionPanel next({});
        QVERIFY(next.findChild<QCheckBox *>("chkCdg")->isChecked() &&
                next.findChild<QCheckBox *>("chkNormalise")->isChecked());
    }

    void GIVEN_a_conversion_that_cannot_end_WHEN_it_runs_THEN_it_says_so_instead_of_Done_and_leaves_nothing() {
        const std::string file = song("gone.kar", kWords, 2, 500000, 480);
        const struct {
            const char *button, *title, *box; // the box ticked
            const char *taken;                // a work file's name a folder holds; none: the song is gone
        } cases[] = {{"btnConvert", "Midi To Wave ", "chkNormalise", "newnorm.wav"},
                     {"cmdsave", "Midi To Mp3", "chkCdg", "SYNCRO.MP3"},
                     {"btnConvert", "Midi To Wave ", "chkCdg", nullptr}};
        for (const auto &c : cases) {
            openStopped(file);
            for (auto *box : {find<QCheckBox>("chkCdg"), find<QCheckBox>("chkNormalise")})
                box->setChecked(box->objectName() == c.box);
            c.taken ? void(fs::create_directories(core::appFile(c.taken) + "/x")) : void(fs::remove(file));
            dlg->answerMessage(dialogs::Yes);
            if (c.title == std::string_view("Midi To Mp3"))
                dlg->answerFile(path("out.mp3").toStdString());
            find<QPushButton>(c.button)->click();
            QVERIFY(messages().back().text.find(" could not be ") != std::string::npos);
            QCOMPARE(messages().back().style, int(dialogs::Critical));
            QCOMPARE(messages().back().title, std::string(c.title));
        }
        QVERIFY((files() == std::vector<std::string>{"Chorium.sf2", "SYNCRO.MP3", "newnorm.wav"})); // the folders
        QCOMPARE(enabled(), QString("cmdOpenFP=1 CmdPlay=1 btnreplace=1 btnConvert=1 cmdsave=1 mnuconf=1 Mnuexit=1"));
    }

    void GIVEN_a_song_just_opened_WHEN_Wave_runs_at_48000_Hz_muted_or_in_another_key_THEN_the_mixer_is_heard() {
        // Never played: the conversion reads the channels itself, so nothing renders muted.
        openSong(song("fresh.mid", {}, 2));
        auto *rates = find<QComboBox>("CmbFreq");
        QVERIFY(rates->findText("96000") < 0); // an MP3 cannot hold it
        dlg->answerMessage(dialogs::OkOnly);
        w->conversion()->CmbFreq_Click(rates->findText("48000"));
        const std::string wav = renderWave();
        QVERIFY(le32(wav, 24) == 48000u && peak(wav) > 20);
        QCOMPARE(find<QLabel>("Label3_0")->text(), QString("Acoustic Grand")); // the strips show what it renders
        // The render plays what the mixer plays (what each setting does to the sound: tests/player).
        find<QCheckBox>("Check1_0")->click();
        QCOMPARE(peak(renderWave()), 0);
        find<QCheckBox>("Check1_0")->click();
        find<QSlider>("Sldtone")->setValue(-12); // the slider's top raises the key
        const std::string keyed = renderWave();
        QVERIFY(keyed.size() == wav.size() && keyed != wav);
    }

    void GIVEN_no_usable_SoundFont_THEN_the_status_names_it_and_Play_Wave_or_MP3_say_so_in_a_box_and_nothing_runs() {
        fs::remove(path("Chorium.sf2").toStdString());
        restartWindow();
        QCOMPARE(find<QLabel>("LblSfont")->text(), QString("no soundfont"));
        const QString status = w->statusBar()->currentMessage();
        QVERIFY2(status.contains(path("Chorium.sf2")) && status.contains("SoundFont..."), qPrintable(status));
        QVERIFY(messages().empty()); // at the start, no box
        openSong(song("silent.mid", {}, 2));
        for (const char *button : {"CmdPlay", "btnConvert", "cmdsave"})
            find<QPushButton>(button)->click();
        QCOMPARE(messages().size(), std::size_t(3));
        for (std::size_t i = 0; i < messages().size(); ++i)
            QVERIFY2(messages()[i].text.find("Chorium.sf2 is missing") != std::string::npos,
                     messages()[i].text.c_str());
        QCOMPARE(w->transport().activity(), DWORD(BASS_ACTIVE_STOPPED));
        QVERIFY(!exists("newwave.wav") && !exists("SYNCRO.MP3"));
    }

    void GIVEN_work_files_WHEN_a_song_is_opened_THEN_all_four_are_removed() {
        for (const char *name : {"newwave.wav", "newnorm.wav", "SYNCRO.LRC", "SYNCRO.MP3"})
            write(name, "x");
        openSong(song("a.mid", {}, 1));
        QVERIFY((files() == std::vector<std::string>{"Chorium.sf2", "a.mid"}));
    }
};

QTEST_MAIN(ConversionTest)
#include "test_conversion.moc"
