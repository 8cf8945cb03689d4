// The transport's timer, knobs and time labels bound to a player whose
// graph the test drives: the gestures of the tag editor's player page.
#include "playback/fakegraph.h"
#include "playback/mediagraph.h"
#include "playback/mp3player.h"
#include "playback/ui/transportbinding.h"

#include <QLabel>
#include <QMouseEvent>
#include <QtTest>

using namespace cantora::playback;

namespace {

void mouse(QWidget *w, QEvent::Type type, QPointF at) {
    const auto button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const auto buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

} // namespace

class TransportTest : public QObject {
    Q_OBJECT

    GraphLog clock;
    std::unique_ptr<Mp3Player> player;
    std::unique_ptr<QWidget> page;
    KnobStrip *position = nullptr;
    KnobStrip *volume = nullptr;
    QLabel *elapsed = nullptr;
    QLabel *duration = nullptr;
    TransportBinding *binding = nullptr;

private slots:
    void init() {
        clock = GraphLog{};
        clock.duration = 128;
        player = std::make_unique<Mp3Player>([this] { return std::make_unique<FakeGraph>(clock); });
        page = std::make_unique<QWidget>();
        position = new KnobStrip(KnobStrip::Axis::Horizontal, 129, "imgNormal_15", page.get());
        volume = new KnobStrip(KnobStrip::Axis::Vertical, 89, "imgNormal_16", page.get());
        elapsed = new QLabel("00:00", page.get());
        duration = new QLabel("00:00", page.get());
        binding = new TransportBinding(*player, position, volume, elapsed, duration, page.get());
        page->show();
    }

    void cleanup() {
        page.reset();
        player.reset();
    }

    void GIVEN_a_song_WHEN_play_is_pressed_THEN_the_timer_shows_the_times_and_moves_the_knob() {
        player->SetPlayTimer(true);
        player->Start_Play("song.mp3");
        QVERIFY(binding->playTimer()->isActive());
        clock.position = 64.4;
        binding->playTimer()->setInterval(0); // due at once: the next pass of the event loop ticks
        QCoreApplication::processEvents();
        QCOMPARE(elapsed->text() + " " + duration->text(), QString("01:04 02:08"));
        QCOMPARE(position->knobAt(), 65);
        player->Stop_Player();
        QVERIFY(!binding->playTimer()->isActive());
    }

    // Where each move takes the knobs is the player's (tests/playback): here, that the mouse reaches it.
    void GIVEN_playing_WHEN_the_knobs_are_dragged_THEN_the_time_shows_the_release_seeks_and_the_volume_follows() {
        player->Start_Play("song.mp3");
        QWidget *knob = page->findChild<QWidget *>("imgNormal_15");
        mouse(knob, QEvent::MouseButtonPress, {4, 4});
        mouse(knob, QEvent::MouseMove, {34, 4});
        QCOMPARE(position->knobAt(), 30);
        QCOMPARE(elapsed->text(), QString("00:29"));
        mouse(knob, QEvent::MouseButtonRelease, {4, 4});
        QCOMPARE(clock.seeks, std::vector<double>{29.0});
        knob = page->findChild<QWidget *>("imgNormal_16");
        mouse(knob, QEvent::MouseButtonPress, {4, 4});
        for (const auto &[y, at, sent] : {std::tuple{400, 89, -5000L}, {-400, 0, 0L}}) {
            mouse(knob, QEvent::MouseMove, {4, qreal(y)});
            QCOMPARE(volume->knobAt(), at);
            QCOMPARE(clock.volume, sent);
        }
        mouse(knob, QEvent::MouseButtonRelease, {4, -400});
    }
};

QTEST_MAIN(TransportTest)
#include "test_transport.moc"
