// The transport's timer, knobs and time labels bound to a player whose
// graph the test drives: the gestures of the tag editor's player page.
#include "playback/fakegraph.h"
#include "playback/mediagraph.h"
#include "playback/mp3player.h"
#include "playback/ui/transportbinding.h"

#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
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
        QCOMPARE(binding->playTimer()->interval(), 100);
        clock.position = 64.4;
        QTRY_COMPARE(elapsed->text(), QString("01:04"));
        QCOMPARE(duration->text(), QString("02:08"));
        QCOMPARE(position->knobAt(), 65);

        player->Stop_Player();
        QVERIFY(!binding->playTimer()->isActive());
    }

    void GIVEN_playing_WHEN_the_position_knob_is_dragged_THEN_it_shows_its_time_and_seeks_on_release() {
        player->Start_Play("song.mp3");
        QWidget *knob = page->findChild<QWidget *>("imgNormal_15");
        mouse(knob, QEvent::MouseButtonPress, {4, 4});
        mouse(knob, QEvent::MouseMove, {34, 4});
        QCOMPARE(position->knobAt(), 30);
        QCOMPARE(elapsed->text(), QString("00:29"));
        mouse(knob, QEvent::MouseButtonRelease, {4, 4});
        QCOMPARE(clock.seeks, std::vector<double>{29.0});
    }

    void GIVEN_playing_WHEN_the_volume_knob_goes_to_the_bottom_and_back_THEN_minus_5000_then_0() {
        player->Start_Play("song.mp3");
        QWidget *knob = page->findChild<QWidget *>("imgNormal_16");
        mouse(knob, QEvent::MouseButtonPress, {4, 4});
        mouse(knob, QEvent::MouseMove, {4, 400});
        QCOMPARE(volume->knobAt(), 89);
        QCOMPARE(player->StoredVolume(), std::int16_t(-5000));
        QCOMPARE(clock.volume, -5000L);
        mouse(knob, QEvent::MouseMove, {4, -400});
        QCOMPARE(volume->knobAt(), 0);
        QCOMPARE(clock.volume, 0L);
        mouse(knob, QEvent::MouseButtonRelease, {4, -400});
    }
};

QTEST_MAIN(TransportTest)
#include "test_transport.moc"
