// The lyrics window as the tag editor drives it: loading, the strip built
// from LyricsRef, the focus following the song page by page, unloading.
#include "app/ui/windowtest.h"
#include "playback/ui/frmlyrics.h"

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QtTest>

using namespace cantora::playback;

namespace {

const QColor kRed(255, 0, 0);
const QColor kLightBlue(0x80, 0x80, 0xFF);

QColor fore(const QWidget *w) { return w->palette().color(QPalette::WindowText); }

} // namespace

class FrmLyricsTest : public QObject {
    Q_OBJECT

    bool open = false;
    std::unique_ptr<frmLyrics> shown; // the window with lyrics the tests below order and step

    QLabel *line(int i) { return shown->findChild<QLabel *>(QString("lblLyrics_%1").arg(i)); }
    QWidget *strip() { return shown->findChild<QWidget *>("picLyrics"); }
    QWidget *part(const char *name) { return shown->findChild<QWidget *>(name); }
    QColor normal() { return fore(part("lblNoLyrics")); }
    // Fills LyricsRef with `lines` stamped lines "`word` i", orders them, and gives the line height.
    int fill(int lines, const QString &word = "line") {
        shown->LyricsRef()->clear();
        for (int i = 0; i < lines; ++i)
            shown->LyricsRef()->addItem(QString("00:%1    %2 %3").arg(i, 2, 10, QChar('0')).arg(word).arg(i));
        shown->Order_lblLyrics();
        return lines ? line(0)->height() : 0;
    }

private slots:
    void init() {
        shown = std::make_unique<frmLyrics>(LyricsWindowLoad{true, "", "", ""}, open);
        shown->show();
    }
    void cleanup() { shown.reset(); }

    void GIVEN_a_file_without_lyrics_WHEN_the_window_loads_THEN_it_says_so_and_shows_the_tags() {
        bool loaded = false;
        QPointer<frmLyrics> w = new frmLyrics({false, "Volare", "Modugno", "Sanremo 1958"}, loaded);
        QVERIFY(loaded);
        QCOMPARE(w->windowTitle(), QString(32, ' ') + "Orvane  Mp3 Karaoke");
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        // "No lyrics found!" instead of the lines, under the title, artist and album.
        QCOMPARE(cantora::windowtest::pictureSum(w), std::size_t(9018230137175989569u));

        // Closing unloads: the flag drops and the window goes.
        w->close();
        QVERIFY(!loaded);
        QTRY_VERIFY(w.isNull());
        QCOMPARE(shown->findChild<QLabel *>("Lblyr")->text(), QString()); // lyrics found: nothing said
        QVERIFY(open);
    }

    void GIVEN_lines_WHEN_the_editor_orders_them_THEN_one_label_a_line_first_in_red() {
        const int h = fill(3);
        QVERIFY(h >= QFontMetrics(line(0)->font()).height());
        for (int i = 0; i < 3; ++i) {
            QLabel *l = line(i);
            QVERIFY2(l, "labels are created as the list needs them");
            QCOMPARE(l->y(), i * h);
            QCOMPARE(l->height(), h);
        }
        QVERIFY(!line(3));
        QCOMPARE(cantora::windowtest::pictureSum(shown.get()),
                 std::size_t(1067064688835452146u)); // the first in bold red
        // Nine characters go, whatever the stamp: an eight-character one leaves blanks.
        shown->LyricsRef()->addItem("00:12.34    Hi");
        shown->LyricsRef()->addItem("01:2\u00e9    Ciao");
        shown->Order_lblLyrics();
        QCOMPARE(line(3)->text() + "|" + line(4)->text(), QString("   Hi|Ciao"));
        fill(3);
        QVERIFY(!part("lblNoLyrics")->isVisible());
        QCOMPARE(strip()->geometry(), QRect(0, 0, part("picBody")->width(), 3 * h));
        // Wider window, wider lines.
        shown->resize(shown->width() + 200, shown->height());
        QTRY_COMPARE(line(2)->width(), part("picBody")->width());
    }

    void GIVEN_a_strip_WHEN_an_empty_list_or_a_shorter_one_is_ordered_THEN_labels_are_kept_and_reused() {
        const int h = fill(12, "first");
        for (int i = 0; i < 10; ++i)
            shown->Move_Next_Focus_Lyrics();
        QCOMPARE(strip()->y(), -10 * h);
        fill(0);
        QCOMPARE(strip()->y(), -10 * h);
        QCOMPARE(shown->strip().FocusIndex(), 10);
        QCOMPARE(fore(line(10)), kRed);

        fill(2, "second");
        QCOMPARE(line(1)->text(), QString("second 1"));
        QCOMPARE(strip()->geometry(), QRect(0, 0, part("picBody")->width(), 2 * h));
        QCOMPARE(fore(line(0)), kRed);
        QCOMPARE(fore(line(1)), normal());
        // The old labels stay, untouched, below the strip's height: out of view.
        QCOMPARE(line(11)->text(), QString("first 11"));
        QVERIFY(line(11)->y() >= strip()->height());
        QVERIFY(strip()->visibleRegion().boundingRect().bottom() < line(2)->y());
    }

    // Mid-song as a singer sees it. CANTORA_LYRICS_HOLD_MS keeps the window
    // on screen that long, for a look at it on a real display.
    void GIVEN_twenty_long_lines_WHEN_eleven_are_sung_and_two_stepped_back_THEN_the_strip_moves_once_on_the_tenth() {
        const int h = fill(20, "Then the traveller in the dark, line");
        shown->Move_Previous_Focus_Lyrics(); // never before line 0
        QCOMPARE(shown->strip().FocusIndex(), 0);
        for (int step = 1; step <= 11; ++step) {
            shown->Move_Next_Focus_Lyrics();
            QCOMPARE(strip()->y(), step < 10 ? 0 : -10 * h);
            QCOMPARE(fore(line(step)), kRed);
            QVERIFY(line(step)->font().bold());
            QCOMPARE(fore(line(step - 1)), kLightBlue);
            QVERIFY(!line(step - 1)->font().bold());
        }
        // The focus line stands whole in the visible part of the frame, under its band.
        QCOMPARE(part("focusBand")->geometry(), line(11)->geometry());
        QVERIFY(line(11)->mapTo(shown.get(), QPoint(0, 0)).y() >=
                part("picBody")->mapTo(shown.get(), QPoint(0, 0)).y());
        QVERIFY(line(11)->isVisible());
        QVERIFY(line(11)->fontMetrics().horizontalAdvance(line(11)->text()) + line(11)->indent() < line(11)->width());
        if (const int hold = qEnvironmentVariableIntValue("CANTORA_LYRICS_HOLD_MS"))
            QTest::qWait(hold);
        // Stepping back moves the bold only: colours stay, the strip stays.
        shown->Move_Previous_Focus_Lyrics();
        shown->Move_Previous_Focus_Lyrics();
        QCOMPARE(shown->strip().FocusIndex(), 9);
        QCOMPARE(strip()->y(), -10 * h);
        QVERIFY(line(9)->font().bold() && !line(11)->font().bold());
        QCOMPARE(fore(line(11)), kRed);
        QCOMPARE(cantora::windowtest::pictureSum(shown.get()), std::size_t(18109481898855188303u));
        // Forward again: the page turns at line 10, where it turned before.
        shown->Move_Next_Focus_Lyrics();
        shown->Move_Next_Focus_Lyrics();
        QCOMPARE(strip()->y(), -10 * h);
    }
};

QTEST_MAIN(FrmLyricsTest)
#include "test_frmlyrics.moc"
