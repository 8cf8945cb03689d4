// The sing-along view in the player window: chosen from the View menu and
// remembered in cantora.ini, driven by the playing position (the engine's
// output is pumped by hand, so positions are exact), full screen in and out,
// and the classic page untouched underneath.
#include "app/ui/playerwindow.h"
#include "audio/midiwriter.h"
#include "core/apppaths.h"
#include "lyrics/livesync.h"
#include "lyrics/ui/lyricpanel.h"
#include "lyrics/ui/singalongview.h"
#include "lyrics/ui/viewmenu.h"
#include "player/ui/transportpanel.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include <fstream>
#include <iterator>

using namespace cantora;

class SingAlongTest : public QObject, windowtest::PlayerWindow {
    Q_OBJECT

    std::string readFile(const QString &name) { return windowtest::readFile(path(name).toStdString()); }
    // 120 bpm, division 480: a second is 960 ticks. Lines at 10 s and 12 s, then a rest to 30 s.
    std::string song() {
        audio::MidiWriter mw(480, 1);
        const int t = mw.addTrack();
        mw.tempo(t, 0, 500000);
        mw.text(t, 0, "@TMorning song");
        mw.text(t, 0, "@TThe singers");
        mw.noteOn(t, 0, 0, 60, 90);
        mw.noteOff(t, 960 * 40, 0, 60);
        const std::pair<double, const char *> lyrics[] = {{10, "\\Good "}, {11, "mor"},   {11.5, "ning "},
                                                          {12, "/to "},    {12.5, "you"}, {30, "\\Now "},
                                                          {30.5, "again"}};
        for (const auto &[s, text] : lyrics)
            mw.lyric(t, static_cast<std::uint64_t>(s * 960), text);
        const std::string p = path("morning.kar").toStdString();
        std::ofstream(p, std::ios::binary) << mw.bytes();
        return p;
    }
    lyrics::SingAlongView *view() { return w->lyricPanel()->singAlong(); }
    // Plays `seconds` more of the song, then the frame timer asks for a frame.
    void playOn(double seconds) {
        pumped->pumpSeconds(seconds);
        QCoreApplication::processEvents();
        QMetaObject::invokeMethod(view()->findChild<QTimer *>("frameTimer"), "timeout");
        QCoreApplication::processEvents();
    }

private slots:
    void init() { setUp(Output::Pumped); }
    void cleanup() { tearDown(); }

    void GIVEN_no_preferences_WHEN_sing_along_is_chosen_THEN_it_replaces_the_page_and_is_remembered() {
        makeWindow();
        QCOMPARE(w->lyricPanel()->view(), lyrics::LyricView::Classic);

        find<QAction>("viewSingAlong")->trigger();
        QCOMPARE(w->lyricPanel()->view(), lyrics::LyricView::SingAlong);
        QCOMPARE(readFile("cantora.ini"), std::string("lyrics.view=singalong\nlyrics.contrast=night\n"));
        // The page's labels still follow the marks underneath.
        openSong(song());
        lyrics::LyricSync(0, w->song().handle, 0, reinterpret_cast<void *>(std::uintptr_t(2)));
        QCoreApplication::processEvents();
        QCOMPARE(find<QLabel>("lblLyrics")->text(), QString("Good "));
        QCOMPARE(find<QLabel>("Label12")->text(), QString("Good "));

        find<QAction>("contrastYellow")->trigger();
        QCOMPARE(view()->contrast(), lyrics::LyricContrast::Yellow);
        restartWindow();
        QCOMPARE(w->lyricPanel()->view(), lyrics::LyricView::SingAlong);
        QVERIFY(find<QAction>("viewSingAlong")->isChecked());
        QVERIFY(find<QAction>("contrastYellow")->isChecked());
    }

    void GIVEN_a_song_playing_in_sing_along_THEN_the_frame_follows_the_position_through_pause_and_seek() {
        makeWindow();
        find<QAction>("viewSingAlong")->trigger();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        openSong(song());
        QCOMPARE(w->viewMenu()->timeline().lines().size(), 3u);
        QCOMPARE(picture(view()), std::size_t(14137876606098537931u)); // the title: nothing plays yet
        find<QPushButton>("CmdPlay")->click();
        playOn(8.5); // 8.5 s: the lines are up, two dots to go (the layout's rules: tests/lyrics)
        QVERIFY(!view()->paintedFrame().showTitle);
        QCOMPARE(view()->paintedFrame().countdownDots, 2);
        playOn(2.75); // 11.25 s: into "mor"
        QVERIFY(qAbs(view()->paintedAt() - 11.25) < 0.01);
        QCOMPARE(picture(view()), std::size_t(321504723762374105u)); // both lines, "Good mor" sung
        // Paused, the frame stays where the song is.
        find<QPushButton>("Command1")->click();
        playOn(3);
        QVERIFY(qAbs(view()->paintedAt() - 11.25) < 0.01);
        QCOMPARE(picture(), std::size_t(12007752203418328698u));
        // A seek moves it at once.
        find<QPushButton>("CmdPlay")->click();
        auto *slider = find<QSlider>("sldPosition");
        slider->setValue(29);
        w->transportPanel()->sldPosition_MouseUp();
        playOn(0.0);
        QVERIFY(qAbs(view()->paintedAt() - 29) < 0.01);
        QCOMPARE(picture(view()), std::size_t(13461099116622575838u));
        find<QAction>("contrastYellow")->trigger();
        QCOMPARE(picture(view()), std::size_t(5056742707737156044u));
    }

    void GIVEN_a_song_WHEN_F11_and_Esc_THEN_full_screen_lyrics_come_and_go() {
        makeWindow();
        openSong(song());
        find<QAction>("viewFullScreen")->trigger();
        QPointer<lyrics::SingAlongView> full = w->viewMenu()->fullScreenLyrics();
        QVERIFY(full && full->windowState() & Qt::WindowFullScreen);
        QCOMPARE(full->titleText(), QString("Morning song"));
        QTest::keyClick(full, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!full);
        // F11 again opens it, and F11 once more closes it.
        find<QAction>("viewFullScreen")->trigger();
        QVERIFY(full = w->viewMenu()->fullScreenLyrics());
        find<QAction>("viewFullScreen")->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!full);
        // The classic page is still the window's view.
        QCOMPARE(w->lyricPanel()->view(), lyrics::LyricView::Classic);
    }
};

QTEST_MAIN(SingAlongTest)
#include "test_singalong.moc"
