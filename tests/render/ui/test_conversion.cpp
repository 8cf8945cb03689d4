// The player window's Wave and MP3 commands driven as a user drives them:
// headless, silent output, scripted dialogs, songs built in code and the
// test SoundFont. Nothing waits on the wall clock: the three-second pause
// after a rendering and the tag editor's start-up wait are scripted, and what
// happens "while rendering" is done from the progress bar's own signal.
#include "app/ui/playerwindow.h"
#include "audio/midiwriter.h"
#include "core/apppaths.h"
#include "render/ui/conversionpanel.h"
#include "render/wavbytes.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

using namespace cantora;
using dialogs::ScriptedDialogs;
using wavbytes::le32;
using windowtest::readFile;
namespace fs = std::filesystem;

namespace {

// The left channel of a rendered work file, one value per frame.
std::vector<int> leftChannel(const std::string &wav) {
    std::vector<int> out;
    for (std::size_t at = 44; at + 4 <= wav.size(); at += 4)
        out.push_back(static_cast<std::int16_t>(static_cast<std::uint8_t>(wav[at]) |
                                                static_cast<std::uint8_t>(wav[at + 1]) << 8));
    return out;
}
// Root mean square of frames [from, to) seconds.
double rms(const std::vector<int> &s, double from, double to) {
    const auto a = static_cast<std::size_t>(from * 44100), b = std::min(s.size(), std::size_t(to * 44100));
    double sum = 0;
    for (std::size_t i = a; i < b; ++i)
        sum += double(s[i]) * s[i];
    return b > a ? std::sqrt(sum / double(b - a)) : 0;
}
// Largest difference between two renders over frames [from, to) seconds.
int maxDiff(const std::vector<int> &x, const std::vector<int> &y, double from, double to) {
    const auto a = static_cast<std::size_t>(from * 44100);
    const auto b = std::min({x.size(), y.size(), std::size_t(to * 44100)});
    int worst = 0;
    for (std::size_t i = a; i < b; ++i)
        worst = std::max(worst, std::abs(x[i] - y[i]));
    return worst;
}

} // namespace

class ConversionTest : public QObject, windowtest::PlayerWindow {
    Q_OBJECT

    // One note of `seconds` on channel 0, with lyric events when given.
    std::string song(const QString &name, int seconds, const std::vector<std::string> &lyrics = {}) {
        audio::MidiWriter mw(480, 1);
        const int t = mw.addTrack();
        mw.tempo(t, 0, 500000);
        mw.program(t, 0, 0, 0);
        mw.noteOn(t, 0, 0, 60, 100);
        std::uint64_t tick = 0;
        for (const auto &l : lyrics)
            mw.lyric(t, tick += 480, l);
        mw.noteOff(t, 960ull * static_cast<unsigned>(seconds), 0, 60);
        return write(name, mw.bytes());
    }
    bool exists(const char *name) const { return fs::exists(core::appFile(name)); }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(home->path().toStdString()))
            if (e.path().filename() != "cantora.ini") // the window's own preferences
                names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Open, Play, Stop: Wave and MP3 become available.
    void openStopped(const std::string &file) {
        dlg->answerFile(file);
        find<QPushButton>("cmdOpenFP")->click();
        QVERIFY(w->song().handle != 0);
        find<QPushButton>("CmdPlay")->click();
        find<QPushButton>("cmdStop")->click();
        QVERIFY(find<QPushButton>("btnConvert")->isEnabled());
        QVERIFY(find<QPushButton>("cmdsave")->isEnabled());
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
        openStopped(song("a.mid", 2));
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

    void GIVEN_a_ten_second_song_WHEN_Wave_runs_THEN_the_window_follows_it_and_the_file_has_exact_sizes() {
        openStopped(song("ten.mid", 10));
        write("newwave.wav", std::string(3'000'000, 'x')); // an older, longer rendering
        find<QTimer>("tmrMidiTest")->start();
        auto *bar = find<QProgressBar>("Pbregg");
        std::vector<int> values;
        QString during, lockedMixer, label, pos;
        bool timerStopped = false, waitShown = false;
        connect(bar, &QProgressBar::valueChanged, this, [&](int v) {
            values.push_back(v);
            if (v < 50 || !during.isEmpty())
                return;
            during = enabled();
            lockedMixer = QString("%1%2")
                              .arg(find<QWidget>("channelStrips")->isEnabled())
                              .arg(find<QSlider>("Sldtone")->isEnabled());
            timerStopped = !find<QTimer>("tmrMidiTest")->isActive();
            // The progress takes the place of the MP3 settings.
            waitShown = find<QLabel>("LblExtr_1")->isVisible() && bar->isVisible() &&
                        !find<QWidget>("conversionSettings")->isVisible();
            label = find<QLabel>("lblStrFile")->text();
            pos = find<QLabel>("lblPos")->text();
            // A second rendering cannot start, from the buttons or otherwise.
            find<QPushButton>("btnConvert")->click();
            w->conversion()->btnConvert_Click();
            w->conversion()->cmdsave_Click();
        });
        scheduled.clear(); // Play's own pauses are not the conversion's
        holdScheduled = true;
        dlg->answerMessage(dialogs::Yes);
        find<QPushButton>("btnConvert")->click();

        QCOMPARE(during, QString("cmdOpenFP=0 CmdPlay=0 btnreplace=0 btnConvert=0 cmdsave=0 mnuconf=0 Mnuexit=1"));
        QCOMPARE(lockedMixer, QString("00"));
        QVERIFY(timerStopped);
        QVERIFY(waitShown);
        QCOMPARE(label, QString("Streaming file: ten.mid [1764000 bytes]"));
        QVERIFY2(pos.startsWith("Pos: ") && pos.mid(5).toLongLong() > 0, qPrintable(pos));
        QVERIFY(std::is_sorted(values.begin(), values.end()));
        QCOMPARE(values.back(), 100);
        QCOMPARE(find<QLabel>("lblTime")->text(), QString("Time: 0:00 / 0:10"));
        QCOMPARE(messages().size(), std::size_t(1)); // only the first Confermi

        // The file is complete before the pause; the message waits for it.
        QVERIFY(scheduled == std::vector<int>{3000});
        QCOMPARE(fs::file_size(core::appFile("newwave.wav")), std::uintmax_t(1764044));
        QCOMPARE(enabled(), during);

        pending.at(0)();
        QCOMPARE(messages().size(), std::size_t(2));
        QCOMPARE(messages()[1].text, std::string("Midi to Wave Done!"));
        QCOMPARE(dlg->shown.back().title, std::string("Save WAVE File As"));
        // Cancelled: only the work file is left, and Play waits for the song to be opened again.
        QVERIFY((files() == std::vector<std::string>{"Chorium.sf2", "newwave.wav", "ten.mid"}));
        QCOMPARE(enabled(), QString("cmdOpenFP=1 CmdPlay=0 btnreplace=0 btnConvert=1 cmdsave=0 mnuconf=1 Mnuexit=1"));
        QVERIFY(find<QLabel>("lblPos")->text().isEmpty());
        QVERIFY(!bar->isVisible() && !find<QLabel>("LblExtr_1")->isVisible());
        QVERIFY(find<QWidget>("conversionSettings")->isVisible());
        QVERIFY(find<QWidget>("channelStrips")->isEnabled());
    }

    void GIVEN_a_slower_tempo_WHEN_Wave_saves_a_copy_THEN_the_copy_is_the_longer_work_file_with_true_sizes() {
        openStopped(song("two.mid", 2));
        find<QSlider>("sldTempo")->setValue(14);
        QVERIFY(w->transport().live().tempoFactor > 1.2f);
        const std::string out = path("copy.wav").toStdString();
        dlg->answerMessage(dialogs::Yes);
        dlg->answerFile(out);
        find<QPushButton>("btnConvert")->click();
        const std::string wav = readFile(core::appFile("newwave.wav"));
        QVERIFY2(wav.size() > 44 + 2.4 * 176400, "a quarter slower than 2 seconds");
        QCOMPARE(std::size_t(le32(wav, 40)), wav.size() - 44);
        QCOMPARE(std::size_t(le32(wav, 4)), wav.size() - 8);
        QVERIFY(readFile(out) == wav);
        QVERIFY(!fs::exists(out + ".part"));
    }

    void GIVEN_a_key_change_and_a_muted_channel_WHEN_rendered_THEN_the_audio_changes_only_where_they_act() {
        // Channel 0 sounds 0-4 s and its own volume drops at 2 s; channel 1 sounds 5-7 s.
        auto build = [this](const QString &name, int shift) {
            audio::MidiWriter mw(480, 1);
            const int t = mw.addTrack();
            mw.tempo(t, 0, 500000);
            mw.program(t, 0, 0, 0);
            mw.program(t, 0, 1, 0);
            mw.controller(t, 0, 0, 7, 110);
            mw.controller(t, 0, 1, 7, 110);
            mw.noteOn(t, 0, 0, 60 + shift, 100);
            mw.controller(t, 1920, 0, 7, 30);
            mw.noteOff(t, 3840, 0, 60 + shift);
            mw.noteOn(t, 4800, 1, 64 + shift, 100);
            mw.noteOff(t, 6720, 1, 64 + shift);
            return write(name, mw.bytes());
        };
        openStopped(build("plain.mid", 0));
        const auto plain = leftChannel(renderWave());
        QVERIFY(plain.size() > std::size_t(6.9 * 44100));
        QVERIFY2(rms(plain, 2.5, 3.5) < 0.5 * rms(plain, 0.5, 1.5), "the song's own volume change is heard");

        auto *mute = find<QCheckBox>("Check1_1");
        QVERIFY(mute->isChecked());
        mute->click();
        const auto muted = leftChannel(renderWave());
        QCOMPARE(maxDiff(muted, plain, 0, 4.9), 0); // channel 0 untouched, its volume drop included
        QVERIFY(rms(plain, 5.2, 6.8) > 20);
        QCOMPARE(maxDiff(muted, std::vector<int>(muted.size(), 0), 5.2, 6.8), 0);

        mute->click();
        find<QSlider>("Sldtone")->setValue(-12); // the slider's top raises the key
        QCOMPARE(w->transport().live().key, 12);
        const auto keyed = leftChannel(renderWave());
        QVERIFY(maxDiff(keyed, plain, 0.1, 1.0) > 50);

        // The same song written an octave up sounds as the transposed one.
        openStopped(build("octave.mid", 12));
        const auto octave = leftChannel(renderWave());
        QCOMPARE(keyed.size(), octave.size());
        QVERIFY2(maxDiff(keyed, octave, 0, 7.5) <= 1, qPrintable(QString::number(maxDiff(keyed, octave, 0, 7.5))));
    }

    void GIVEN_the_window_closed_WHILE_rendering_THEN_the_work_file_is_gone_before_the_process_ends() {
        openStopped(song("ten.mid", 10));
        bool leftAtExit = true;
        onExit = [&] { leftAtExit = exists("newwave.wav") || fs::exists(core::appFile("newwave.wav") + ".part"); };
        connect(find<QProgressBar>("Pbregg"), &QProgressBar::valueChanged, this, [&](int v) {
            if (v >= 30 && w->isVisible())
                w->close();
        });
        dlg->answerMessage(dialogs::Yes);
        find<QPushButton>("btnConvert")->click();
        QVERIFY(!leftAtExit);
        QVERIFY(!exists("newwave.wav"));
        QCOMPARE(messages().size(), std::size_t(1));
        QCOMPARE(dlg->shown.size(), std::size_t(2)); // the song's chooser and Confermi: no save dialog
        QVERIFY(!fs::exists(core::appFile("newwave.wav") + ".part"));
    }

    void GIVEN_BtKar_or_NoKar_WHEN_the_MP3_save_is_cancelled_THEN_Annullato_and_the_controls_come_back() {
        openStopped(song("words.kar", 5, kWords));
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
        openStopped(song("words.kar", 5, kWords));
        find<QRadioButton>("OptK_2")->click();
        // The encoder's choices: Insane, then a bit rate and a sample rate.
        auto *preset = find<QComboBox>("cboOption");
        QCOMPARE(preset->count(), 16);
        QCOMPARE(preset->currentText(), QString("Standard (VBR 44.1kHz, 170-210kbps)"));
        preset->setCurrentIndex(7);
        emit preset->activated(7);
        QCOMPARE(w->conversion()->mp3Settings().preset, 10L);
        auto *bitRate = find<QComboBox>("Combo2");
        find<QPushButton>("cmdBitRate")->click();
        QVERIFY(bitRate->isVisible());
        emit bitRate->activated(bitRate->findText("192"));
        QCOMPARE(w->conversion()->bitRate(), 192000);
        QCOMPARE(w->conversion()->mp3Settings().bitRateKbps, 192L);
        QVERIFY(!bitRate->isVisible());
        QCOMPARE(messages().back().text, std::string("Mp3 Setup"));
        auto *rate = find<QComboBox>("CmbFreq");
        emit rate->activated(rate->findText("48000"));
        QCOMPARE(w->conversion()->sampleRate(), 48000);
        QCOMPARE(messages().back().text, std::string("Frequency setup"));
        const std::size_t before = messages().size();

        const std::string out = path("song.mp3").toStdString();
        bool atFirstPhase = false, atDone = false;
        std::vector<int> prog;
        connect(find<QProgressBar>("Prog"), &QProgressBar::valueChanged, this, [&](int v) { prog.push_back(v); });
        dlg->onShown = [&](const ScriptedDialogs::Shown &s) {
            if (s.text == "Done! Prima Fase")
                atFirstPhase = find<QProgressBar>("Prog")->isVisible() && find<QLabel>("LblExtr_0")->isVisible() &&
                               exists("newwave.wav") && !exists("SYNCRO.MP3");
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

        // The editor opened on the work file with the song's lyrics; Options and Open wait for it.
        tags::frmTags *editor = w->tagEditor();
        QVERIFY(editor);
        QCOMPARE(editor->FileName(), core::appFile("SYNCRO.MP3"));
        QVERIFY(scheduled == std::vector<int>{tags::frmTags::kLoadWaitMs});
        auto *lyricBox = editor->findChild<QPlainTextEdit *>("txtLyrics");
        QVERIFY(lyricBox);
        QVERIFY2(lyricBox->toPlainText().contains("[00:02]LITTLE STAR"), qPrintable(lyricBox->toPlainText()));
        QCOMPARE(enabled(), QString("cmdOpenFP=0 CmdPlay=0 btnreplace=0 btnConvert=0 cmdsave=0 mnuconf=0 Mnuexit=1"));

        QPointer<tags::frmTags> gone(editor);
        editor->cmdCancel_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!gone);
        QVERIFY(find<QPushButton>("cmdOpenFP")->isEnabled());
        QVERIFY(find<QMenu>("mnuconf")->isEnabled());
    }

    void GIVEN_CD_G_ticked_WHEN_the_MP3_is_made_streamed_or_normalised_THEN_its_cdg_lies_beside_the_saved_MP3() {
        for (const bool normalise : {false, true}) {
            openStopped(song("words.kar", 5, kWords));
            for (auto *box : {find<QCheckBox>("chkCdg"), find<QCheckBox>("chkNormalise")})
                box->setChecked(box->objectName() == "chkCdg" || normalise);
            const std::string out = path(normalise ? "loud.mp3" : "song.mp3").toStdString();
            dlg->answerMessage(dialogs::Yes);
            dlg->answerFile(out);
            find<QPushButton>("cmdsave")->click();
            QCOMPARE(messages().back().text, std::string("Done! Midi To Mp3"));
            QCOMPARE(exists("newnorm.wav"), normalise);
            QVERIFY(std::uint8_t(readFile(core::appFile("SYNCRO.MP3")).at(0)) == 0xFF);
            const auto cdgBytes = fs::file_size(fs::path(out).replace_extension(".cdg"));
            QVERIFY2(cdgBytes + 24 >= 5 * 7200 && cdgBytes <= 5 * 7200 + 24, qPrintable(QString::number(cdgBytes)));
            w->tagEditor()->cmdCancel_Click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        // Both choices are remembered for the next window.
        render::ConversionPanel next({});
        QVERIFY(next.findChild<QCheckBox *>("chkCdg")->isChecked() &&
                next.findChild<QCheckBox *>("chkNormalise")->isChecked());
    }

    void GIVEN_Normalise_ticked_WHEN_Wave_saves_a_copy_THEN_the_copy_is_the_normalised_work_file() {
        openStopped(song("two.mid", 2));
        find<QCheckBox>("chkNormalise")->setChecked(true);
        const std::string out = path("even.wav").toStdString();
        dlg->answerMessage(dialogs::Yes);
        dlg->answerFile(out);
        find<QPushButton>("btnConvert")->click();
        const std::string norm = readFile(core::appFile("newnorm.wav"));
        QVERIFY(norm.size() == readFile(core::appFile("newwave.wav")).size());
        QVERIFY(rms(leftChannel(norm), 0, 2) != rms(leftChannel(readFile(core::appFile("newwave.wav"))), 0, 2));
        QVERIFY(readFile(out) == norm);
    }

    void GIVEN_a_song_gone_from_disk_WHEN_Wave_runs_THEN_it_says_so_instead_of_Done_and_writes_nothing() {
        const std::string file = song("gone.mid", 2);
        openStopped(file);
        fs::remove(file);
        renderWave();
        QCOMPARE(messages().size(), std::size_t(2));
        QVERIFY2(messages()[1].text.find("could not be rendered") != std::string::npos, messages()[1].text.c_str());
        QCOMPARE(messages()[1].style, int(dialogs::Critical));
        QCOMPARE(messages()[1].title, std::string("Midi To Wave "));
        QVERIFY(files() == std::vector<std::string>{"Chorium.sf2"});
        QCOMPARE(enabled(), QString("cmdOpenFP=1 CmdPlay=1 btnreplace=1 btnConvert=1 cmdsave=1 mnuconf=1 Mnuexit=1"));
    }

    void GIVEN_a_song_just_opened_WHEN_Wave_runs_at_48000_Hz_THEN_it_sounds_at_that_rate() {
        // Never played: the conversion reads the channels itself, so nothing renders muted.
        dlg->answerFile(song("fresh.mid", 2));
        find<QPushButton>("cmdOpenFP")->click();
        QVERIFY(find<QPushButton>("btnConvert")->isEnabled() && find<QPushButton>("cmdsave")->isEnabled());
        auto *rates = find<QComboBox>("CmbFreq");
        QVERIFY(rates->findText("96000") < 0); // an MP3 cannot hold it
        dlg->answerMessage(dialogs::OkOnly);
        w->conversion()->CmbFreq_Click(rates->findText("48000"));
        const std::string wav = renderWave();
        QCOMPARE(le32(wav, 24), 48000u);
        QVERIFY(rms(leftChannel(wav), 0.2, 1.0) > 20);
    }

    void GIVEN_no_usable_SoundFont_WHEN_Play_Wave_or_MP3_is_pressed_THEN_a_box_says_so_and_nothing_runs() {
        w.reset();
        player::releaseOutput();
        fs::remove(path("Chorium.sf2").toStdString());
        makeWindow();
        dlg->answerFile(song("silent.mid", 2));
        find<QPushButton>("cmdOpenFP")->click();
        const std::size_t before = messages().size();
        for (const char *button : {"CmdPlay", "btnConvert", "cmdsave"})
            find<QPushButton>(button)->click();
        QCOMPARE(messages().size(), before + 3);
        for (std::size_t i = before; i < messages().size(); ++i)
            QVERIFY2(messages()[i].text.find("Chorium.sf2 is missing") != std::string::npos,
                     messages()[i].text.c_str());
        QCOMPARE(w->transport().activity(), DWORD(BASS_ACTIVE_STOPPED));
        QVERIFY(!exists("newwave.wav") && !exists("SYNCRO.MP3"));
    }

    void GIVEN_work_files_WHEN_a_song_is_opened_THEN_all_four_are_removed() {
        for (const char *name : {"newwave.wav", "newnorm.wav", "SYNCRO.LRC", "SYNCRO.MP3"})
            write(name, "x");
        dlg->answerFile(song("a.mid", 1));
        find<QPushButton>("cmdOpenFP")->click();
        QVERIFY((files() == std::vector<std::string>{"Chorium.sf2", "a.mid"}));
    }
};

QTEST_MAIN(ConversionTest)
#include "test_conversion.moc"
