#pragma once
// The player window under test: a fresh application folder holding the test
// SoundFont, an output that makes no sound (or one the test pumps by hand),
// scripted dialogs, and pauses and program exits recorded instead of taken.
// A test class derives from QObject and PlayerWindow, calls setUp() and then
// newWindow() or makeWindow() from init(), and tearDown() from cleanup().

#include "app/dialogs/scripteddialogs.h"
#include "app/ui/frmMidiTest.h"
#include "app/ui/windowtest.h"
#include "audio/midiwriter.h"
#include "audio/output.h"
#include "core/apppaths.h"
#include "core/processexit.h"
#include "player/engine.h"
#include "player/ui/transportpanel.h"
#include "render/ui/conversionpanel.h"

#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace cantora::windowtest {

class PlayerWindow {
protected:
    enum class Output { Null, Pumped };

    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<dialogs::ScriptedDialogs> dlg;
    std::unique_ptr<app::frmMidiTest> w;
    audio::PumpedOutput *pumped = nullptr;      // the latest pumped output
    int outputsMade = 0;                        // devices the engine opened
    std::vector<int> exits;                     // exit codes the program ended with
    std::function<void()> onExit;               // run at each program end
    std::vector<int> waits;                     // blocking pauses asked for
    std::vector<int> scheduled;                 // non-blocking pauses asked for
    std::vector<std::function<void()>> pending; // their continuations, when held
    bool holdScheduled = false;

    template <class T>
    T *find(const char *name) {
        return control<T>(w.get(), name);
    }
    QString path(const QString &name) const { return home->filePath(name); }
    std::string write(const QString &name, const std::string &bytes) {
        std::ofstream(path(name).toStdString(), std::ios::binary) << bytes;
        return path(name).toStdString();
    }

    // A one-note song of `seconds` in `name` (folders made): division 480, tempo `tempo` (0: none),
    // lyric events `step` ticks apart from tick `step`.
    std::string song(const QString &name, const std::vector<std::string> &lyrics = {}, int seconds = 3,
                     std::uint32_t tempo = 500000, std::uint64_t step = 96) {
        audio::MidiWriter mw(480, 1);
        const int t = mw.addTrack();
        if (tempo)
            mw.tempo(t, 0, tempo);
        mw.program(t, 0, 0, 0);
        mw.noteOn(t, 0, 0, 60, 90);
        mw.noteOff(t, 960ull * seconds, 0, 60);
        std::uint64_t tick = 0;
        for (const auto &l : lyrics)
            mw.lyric(t, tick += step, l);
        std::filesystem::create_directories(std::filesystem::path(path(name).toStdString()).parent_path());
        return write(name, mw.bytes());
    }

    // What `part` of the window shows (pictureSum), the half-second readouts (when running) brought up
    // to now; without a part, all the window's controls, the parts scrolled out of sight too.
    std::size_t picture(QWidget *part = nullptr) {
        if (w->transportPanel()->displayTimer()->isActive())
            w->transportPanel()->tmrMidiTest_Timer();
        return pictureSum(part ? part : control<QScrollArea>(w.get(), "centralScroll")->widget());
    }

    // The song `file` opened with the Open button.
    void openSong(const std::string &file) {
        dlg->answerFile(file);
        control<QPushButton>(w.get(), "cmdOpenFP")->click();
    }

    // Everything but the window.
    void setUp(Output output = Output::Null) {
        home = std::make_unique<QTemporaryDir>();
        std::filesystem::create_symlink(CANTORA_TEST_SF2, path("Chorium.sf2").toStdString());
        core::setAppFolder(home->path().toStdString());
        audio::overrideVersions(0, 0);
        outputsMade = 0;
        pumped = nullptr;
        audio::setOutputFactory([this, output](int) -> std::unique_ptr<audio::AudioOutput> {
            ++outputsMade;
            if (output == Output::Null)
                return audio::makeNullOutput();
            auto o = audio::makePumpedOutput();
            pumped = o.get();
            return o;
        });
        exits.clear();
        onExit = {};
        waits.clear();
        scheduled.clear();
        pending.clear();
        holdScheduled = false;
        core::setEndProgramHandler([this](int code) {
            exits.push_back(code);
            if (onExit)
                onExit();
        });
        dlg = std::make_unique<dialogs::ScriptedDialogs>();
    }

    // A window with its pauses recorded, not started yet.
    void newWindow() {
        w = std::make_unique<app::frmMidiTest>();
        w->conversion()->runInline();
        w->setWaiter([this](int ms) { waits.push_back(ms); });
        w->setScheduler([this](int ms, std::function<void()> then) {
            scheduled.push_back(ms);
            if (holdScheduled)
                pending.push_back(std::move(then));
            else
                then();
        });
    }
    // A started window.
    void makeWindow() {
        newWindow();
        QVERIFY(w->Form_Initialize());
    }

    // The window closed and a new one started, as the next start of the program.
    void restartWindow() {
        w.reset();
        player::releaseOutput();
        makeWindow();
    }

    void tearDown() {
        w.reset();
        player::releaseOutput();
        dlg.reset();
        core::setEndProgramHandler({});
        audio::overrideVersions(0, 0);
        home.reset();
    }
};

} // namespace cantora::windowtest
