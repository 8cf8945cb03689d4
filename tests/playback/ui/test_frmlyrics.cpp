// The lyrics window as the tag editor drives it: loading, the strip built
// from LyricsRef, the focus following the song page by page, unloading.
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

void fill(frmLyrics &w, int lines, const QString &word = "line") {
    w.LyricsRef()->clear();
    for (int i = 0; i < lines; ++i)
        w.LyricsRef()->addItem(QString("00:%1    %2 %3").arg(i, 2, 10, QChar('0')).arg(word).arg(i));
    w.Order_lblLyrics();
}

} // namespace

class FrmLyricsTest : public QObject {
    Q_OBJECT

    QLabel *line(frmLyrics &w, int i) { return w.findChild<QLabel *>(QString("lblLyrics_%1").arg(i)); }
    QWidget *strip(frmLyrics &w) { return w.findChild<QWidget *>("picLyrics"); }
    int lineHeight(frmLyrics &w) { return line(w, 0)->height(); }

private slots:
    void GIVEN_a_file_without_lyrics_WHEN_the_window_loads_THEN_it_says_so_and_shows_the_tags() {
        bool open = false;
        QPointer<frmLyrics> w = new frmLyrics({false, "Volare", "Modugno", "Sanremo 1958"}, open);
        QVERIFY(open);
        QCOMPARE(w->windowTitle(), QString(32, ' ') + "Orvane  Mp3 Karaoke");
        QCOMPARE(w->findChild<QLabel *>("Lblyr")->text(), QString("No lyrics found!"));
        QCOMPARE(w->findChild<QLabel *>("lblTitle")->text(), QString("Volare"));
        QCOMPARE(w->findChild<QLabel *>("lblArtist")->text(), QString("Modugno"));
        QCOMPARE(w->findChild<QLabel *>("lblAlbum")->text(), QString("Sanremo 1958"));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QVERIFY(w->findChild<QLabel *>("lblNoLyrics")->isVisible());
        QVERIFY(!w->findChild<QListWidget *>("LyricsRef")->isVisible());

        // Closing unloads: the flag drops and the window goes.
        w->close();
        QVERIFY(!open);
        QTRY_VERIFY(w.isNull());

        frmLyrics again({true, "", "", ""}, open);
        QVERIFY(open);
        QCOMPARE(again.findChild<QLabel *>("Lblyr")->text(), QString());
    }

    void GIVEN_lines_WHEN_the_editor_orders_them_THEN_one_label_a_line_first_in_red() {
        bool open = false;
        frmLyrics w({true, "", "", ""}, open);
        w.show();
        fill(w, 3);
        const int h = lineHeight(w);
        QVERIFY(h >= QFontMetrics(line(w, 0)->font()).height());
        for (int i = 0; i < 3; ++i) {
            QLabel *l = line(w, i);
            QVERIFY2(l, "labels are created as the list needs them");
            QCOMPARE(l->text(), QString("line %1").arg(i));
            QCOMPARE(l->y(), i * h);
            QCOMPARE(l->height(), h);
            QCOMPARE(l->font().pointSize(), 14);
            QCOMPARE(l->font().bold(), i == 0);
            QCOMPARE(fore(l), i == 0 ? kRed : fore(w.findChild<QLabel *>("lblNoLyrics")));
            QVERIFY(l->isVisible());
        }
        QVERIFY(!line(w, 3));
        // Nine characters go, whatever the stamp: an eight-character one leaves blanks.
        w.LyricsRef()->addItem("00:12.34    Hi");
        w.LyricsRef()->addItem("01:2\u00e9    Ciao");
        w.Order_lblLyrics();
        QCOMPARE(line(w, 3)->text(), QString("   Hi"));
        QCOMPARE(line(w, 4)->text(), QString("Ciao"));
        fill(w, 3);
        QVERIFY(!w.findChild<QLabel *>("lblNoLyrics")->isVisible());
        QCOMPARE(strip(w)->height(), 3 * h);
        QCOMPARE(strip(w)->y(), 0);
        QCOMPARE(strip(w)->width(), w.findChild<QWidget *>("picBody")->width());

        // Wider window, wider lines.
        w.resize(w.width() + 200, w.height());
        QTRY_COMPARE(line(w, 2)->width(), w.findChild<QWidget *>("picBody")->width());
    }

    void GIVEN_a_strip_WHEN_an_empty_list_or_a_shorter_one_is_ordered_THEN_labels_are_kept_and_reused() {
        bool open = false;
        frmLyrics w({true, "", "", ""}, open);
        w.show();
        fill(w, 12, "first");
        for (int i = 0; i < 10; ++i)
            w.Move_Next_Focus_Lyrics();
        const int h = lineHeight(w);
        QCOMPARE(strip(w)->y(), -10 * h);

        w.LyricsRef()->clear();
        w.Order_lblLyrics();
        QCOMPARE(strip(w)->y(), -10 * h);
        QCOMPARE(w.strip().FocusIndex(), 10);
        QCOMPARE(fore(line(w, 10)), kRed);

        QLabel *second = line(w, 1);
        fill(w, 2, "second");
        QCOMPARE(line(w, 1), second);
        QCOMPARE(second->text(), QString("second 1"));
        QCOMPARE(strip(w)->y(), 0);
        QCOMPARE(strip(w)->height(), 2 * h);
        QCOMPARE(fore(line(w, 0)), kRed);
        QCOMPARE(fore(line(w, 1)), fore(w.findChild<QLabel *>("lblNoLyrics")));
        // The old labels stay, untouched, below the strip's height: out of view.
        QVERIFY(line(w, 11));
        QCOMPARE(line(w, 11)->text(), QString("first 11"));
        QVERIFY(line(w, 11)->y() >= strip(w)->height());
        QVERIFY(strip(w)->visibleRegion().boundingRect().bottom() < line(w, 2)->y());
    }

    void GIVEN_twenty_lines_WHEN_eleven_are_sung_and_two_stepped_back_THEN_the_strip_moves_once_on_the_tenth() {
        bool open = false;
        frmLyrics w({true, "", "", ""}, open);
        w.show();
        fill(w, 20);
        const int h = lineHeight(w);
        w.Move_Previous_Focus_Lyrics(); // never before line 0
        QCOMPARE(w.strip().FocusIndex(), 0);
        for (int step = 1; step <= 11; ++step) {
            w.Move_Next_Focus_Lyrics();
            QCOMPARE(strip(w)->y(), step < 10 ? 0 : -10 * h);
            QCOMPARE(fore(line(w, step)), kRed);
            QVERIFY(line(w, step)->font().bold());
            QCOMPARE(fore(line(w, step - 1)), kLightBlue);
            QVERIFY(!line(w, step - 1)->font().bold());
        }
        // The focus line stands in the visible part of the frame, under its band.
        QCOMPARE(w.findChild<QWidget *>("focusBand")->geometry(), line(w, 11)->geometry());
        QVERIFY(line(w, 11)->mapTo(&w, QPoint(0, 0)).y() >=
                w.findChild<QWidget *>("picBody")->mapTo(&w, QPoint(0, 0)).y());
        // Stepping back moves the bold only: colours stay, the strip stays.
        w.Move_Previous_Focus_Lyrics();
        w.Move_Previous_Focus_Lyrics();
        QCOMPARE(w.strip().FocusIndex(), 9);
        QCOMPARE(strip(w)->y(), -10 * h);
        QVERIFY(line(w, 9)->font().bold() && !line(w, 11)->font().bold());
        QCOMPARE(fore(line(w, 11)), kRed);
    }

    // Mid-song as a singer sees it. CANTORA_LYRICS_HOLD_MS keeps the window
    // on screen that long, for a look at it on a real display.
    void GIVEN_a_song_half_sung_WHEN_the_window_is_on_screen_THEN_the_sung_line_stands_out() {
        bool open = false;
        frmLyrics w({true, "Twinkle, Twinkle, Little Star", "Traditional", "Nursery Rhymes"}, open);
        QStringList lyrics;
        for (int i = 0; i < 15; ++i)
            lyrics << QString("Then the traveller in the dark, line %1,").arg(i + 1);
        for (int i = 0; i < lyrics.size(); ++i)
            w.LyricsRef()->addItem(QString("00:%1    %2").arg(4 + 3 * i, 2, 10, QChar('0')).arg(lyrics[i]));
        w.Order_lblLyrics();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (int i = 0; i < 12; ++i)
            w.Move_Next_Focus_Lyrics();
        QCOMPARE(line(w, 12)->text(), lyrics[12]);
        QCOMPARE(fore(line(w, 12)), kRed);
        QVERIFY(line(w, 12)->isVisible());
        // The whole focus line fits in the window's width.
        QVERIFY(line(w, 12)->fontMetrics().horizontalAdvance(lyrics[12]) + line(w, 12)->indent() <
                line(w, 12)->width());
        if (const int hold = qEnvironmentVariableIntValue("CANTORA_LYRICS_HOLD_MS"))
            QTest::qWait(hold);
    }
};

QTEST_MAIN(FrmLyricsTest)
#include "test_frmlyrics.moc"
