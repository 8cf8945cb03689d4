// The player window as a desktop user meets it: keys, dropped songs, the
// recent songs menu, choosers that start where the user was, a remembered
// and screen-sized window, named icon buttons. Headless, silent output,
// scripted dialogs, songs built in code.
#include "app/dialogs/qtdialogs.h"
#include "app/ui/desktopintegration.h"
#include "app/ui/playerwindow.h"
#include "core/apppaths.h"
#include "core/preferences.h"
#include "lyrics/ui/lyricpanel.h"
#include "player/ui/transportpanel.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QUrl>
#include <QtTest>

#include <filesystem>
#include <fstream>

using namespace cantora;
using Folder = app::DesktopIntegration::Folder;

class DesktopTest : public QObject, windowtest::PlayerWindow {
    Q_OBJECT

    void showActive() {
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    }
    // A key pressed wherever the focus is in the window.
    void press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : w.get();
        QTest::keyClick(target, static_cast<Qt::Key>(key), mods);
    }
    DWORD active() { return w->transport().activity(); }
    // A drag of `files` entering and dropping on the window; true when the drop was taken.
    bool drop(const QStringList &files, bool *entered = nullptr) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString &f : files)
            urls << QUrl::fromLocalFile(f);
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &enter);
        if (entered)
            *entered = enter.isAccepted();
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &dropped);
        return dropped.isAccepted();
    }
    QStringList recentMenu() {
        QMenu *menu = w->desktop()->recentMenu();
        emit menu->aboutToShow();
        QStringList out;
        for (QAction *a : menu->actions())
            out << a->toolTip();
        return out;
    }

private slots:
    void init() {
        setUp();
        makeWindow();
    }

    void cleanup() { tearDown(); }

    void GIVEN_a_real_box_WHEN_closed_by_Escape_or_its_close_box_THEN_it_answers_as_its_safest_button() {
        using namespace dialogs;
        for (auto [style, answer] : {std::pair{YesNoCancel, Cancel}, {YesNo, No}, {OkOnly, Ok}})
            for (const bool escape : {true, false}) {
                QTimer::singleShot(0, [escape] {
                    QWidget *box = QApplication::activeModalWidget();
                    escape ? QTest::keyClick(box, Qt::Key_Escape) : void(box->close());
                });
                QCOMPARE(QtDialogs().msgBox(nullptr, "Save the changes?", style, "Cantora"), int(answer));
            }
    }

    void GIVEN_a_loaded_song_WHEN_space_space_s_space_esc_THEN_the_transport_buttons_run_as_if_clicked() {
        showActive();
        dlg->answerFile(song("a.kar"));
        press(Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(dlg->shown.back().title, std::string("Load Midifile"));
        QCOMPARE(dialogs::qtFilter(dlg->shown.back().filter + "|All|*"), // as the real chooser lists it
                 std::string("MIDI files (mid/midi/kar) (*.mid *.midi *.kar);;All (*)"));
        QCOMPARE(find<QPushButton>("cmdOpenFP")->text(), QString("a.kar"));

        // Each key clicks its button (the sequence itself is the transport's); Stop disabled, S does nothing.
        const std::pair<Qt::Key, QString> keys[] = {{Qt::Key_Space, "CmdPlay"},
                                                    {Qt::Key_Space, "Command1"},
                                                    {Qt::Key_Space, "CmdPlay"},
                                                    {Qt::Key_S, "cmdStop"},
                                                    {Qt::Key_Space, "CmdPlay"},
                                                    {Qt::Key_Escape, "cmdStop"},
                                                    {Qt::Key_S, ""}};
        QString clicked;
        for (const char *b : {"CmdPlay", "Command1", "cmdStop"})
            connect(find<QPushButton>(b), &QPushButton::clicked, this, [&clicked, b] { clicked = b; });
        for (const auto &[key, button] : keys) {
            clicked.clear();
            press(key);
            QCOMPARE(clicked, button);
        }
    }

    void GIVEN_a_playing_song_WHEN_right_right_left_THEN_it_seeks_five_seconds_each_within_the_song() {
        showActive();
        openSong(song("long.kar", {}, 12));
        press(Qt::Key_Right); // loaded but not started: no position to move yet
        QCOMPARE(active(), BASS_ACTIVE_STOPPED);
        press(Qt::Key_Space);
        // Past the end it stays on the last second.
        for (const auto &[key, second] :
             {std::pair{Qt::Key_Right, 5}, {Qt::Key_Right, 10}, {Qt::Key_Right, 12}, {Qt::Key_Left, 7}}) {
            press(key);
            QCOMPARE(find<QSlider>("sldPosition")->value(), second);
            QCOMPARE(static_cast<int>(w->transport().positionSeconds()), second);
        }
        w->transportPanel()->tmrMidiTest_Timer();
        QCOMPARE(find<QLabel>("lblTime")->text(), QString("Time: 0:07 / 0:12"));
        QVERIFY(find<QTimer>("tmrMidiTest")->isActive()); // the display timer runs again
    }

    void
    GIVEN_the_key_and_tempo_controls_WHEN_up_down_plus_minus_THEN_they_step_by_one_unless_a_control_has_the_keys() {
        showActive();
        openSong(song("a.kar"));
        auto *key = find<QSlider>("Sldtone");
        auto *tempo = find<QSlider>("sldTempo");
        key->setEnabled(true); // both enabled once a song plays
        tempo->setEnabled(true);
        for (int k : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Plus, Qt::Key_Plus, Qt::Key_Minus})
            press(k);
        QCOMPARE(find<QLabel>("lblPitch")->text(), QString("Key +1"));
        QCOMPARE(tempo->toolTip(), QString("5%")); // faster
        find<QSlider>("Slider4_0")->setFocus();    // a focused pan slider keeps its arrows
        press(Qt::Key_Up);
        auto *list = find<QListWidget>("List3"); // Esc on an open instrument list closes it
        list->show();
        list->setFocus();
        press(Qt::Key_Escape);
        QVERIFY(!list->isVisible());
        key->setEnabled(false);
        tempo->setEnabled(false);
        press(Qt::Key_Up);
        press(Qt::Key_Minus);
        QCOMPARE(find<QLabel>("lblPitch")->text(), QString("Key +1"));
        QCOMPARE(tempo->toolTip(), QString("5%"));
    }

    void
    GIVEN_a_playing_song_WHEN_f1_and_ctrl_q_THEN_help_shows_then_the_song_stops_the_device_is_released_and_the_program_exits() {
        showActive();
        openSong(song("a.kar"));
        press(Qt::Key_Space);
        press(Qt::Key_F1);
        QVERIFY(find<QWidget>("formp3")->isVisible());
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        press(Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(exits, std::vector<int>{0});
        QCOMPARE(active(), BASS_ACTIVE_STOPPED);
        QVERIFY(player::reopenOutput()); // the device was released
    }

    void GIVEN_files_dropped_on_the_window_THEN_a_song_opens_unless_another_plays_and_others_are_refused() {
        std::ofstream(path("notes.txt").toStdString()) << "x";
        bool entered = true;
        QVERIFY(!drop({path("notes.txt")}, &entered) && !entered);
        QVERIFY(!drop({}, &entered));
        const std::string p = song("dropped/Song One.KAR");
        QVERIFY(drop({path("notes.txt"), QString::fromStdString(p)}, &entered) && entered);
        QCOMPARE(find<QPushButton>("cmdOpenFP")->text(), QString("Song One.KAR"));
        QCOMPARE(w->desktop()->recentSongs().front(), p);
        QVERIFY(dlg->shown.empty()); // no chooser in between
        find<QPushButton>("CmdPlay")->click();
        QVERIFY(!drop({QString::fromStdString(song("b.kar"))}));
        QCOMPARE(w->song().path, p);
        QVERIFY(w->statusBar()->currentMessage().contains("Stop"));
        QCOMPARE(active(), BASS_ACTIVE_PLAYING);
    }

    void GIVEN_songs_opened_WHEN_the_recent_menu_shows_THEN_newest_first_and_missing_ones_gone() {
        std::ofstream(path("cantora.ini").toStdString()) << "view.lyrics=large\n"; // another window's key
        const std::string a = song("a.kar"), b = song("b.mid");
        for (const std::string &p : {a, b, path("bad.mid").toStdString()}) // a failed Open joins nothing
            openSong(p);
        const QString qa = QString::fromStdString(a), qb = QString::fromStdString(b);
        QCOMPARE(recentMenu(), (QStringList{qb, qa})); // the list's own rules: tests/core
        QCOMPARE(core::Preferences::load(path("cantora.ini").toStdString()).get("view.lyrics", ""),
                 std::string("large"));
        std::filesystem::remove(b);
        // A new window (the next start) has the same list, less the missing song, and opens from it.
        restartWindow();
        QVERIFY(recentMenu() == QStringList{qa} && w->desktop()->recentMenu()->isEnabled());
        find<QAction>("recent_0")->trigger();
        QCOMPARE(w->song().path, a);
    }

    void
    GIVEN_a_song_opened_from_a_folder_WHEN_open_and_the_soundfont_buttons_are_pressed_again_THEN_they_start_where_last_used() {
        openSong(song("songs/x/a.kar"));
        QCOMPARE(dlg->shown.back().initDir, std::string()); // first time: the chooser's own choice
        dlg->cancelFile();
        find<QPushButton>("cmdOpenFP")->click();
        QCOMPARE(dlg->shown.back().initDir, path("songs/x/").toStdString());

        openSong(song("songs/x/a.kar"));
        std::filesystem::create_directories(path("fonts").toStdString());
        std::filesystem::copy_file(CANTORA_TEST_SF2, path("fonts/small.sf2").toStdString());
        dlg->answerFile(path("fonts/small.sf2").toStdString());
        find<QPushButton>("btnreplace")->click();
        dlg->cancelFile();
        find<QPushButton>("btnreplace")->click();
        QCOMPARE(dlg->shown.back().initDir, path("fonts/").toStdString());
        // Each kind keeps its own folder.
        QCOMPARE(w->desktop()->startFolder(Folder::Song), path("songs/x/").toStdString());
        // A channel's SoundFont starts in the system's folder until one is chosen, then where it was.
        dlg->answerFile(path("fonts/small.sf2").toStdString());
        find<QPushButton>("CmdSF2_4")->click();
        QCOMPARE(dlg->shown.back().initDir, std::string("/usr/share/sounds/sf2"));
        QCOMPARE(w->fonts().count, 1);
        dlg->cancelFile();
        find<QPushButton>("CmdSF2_9")->click();
        QCOMPARE(dlg->shown.back().initDir, path("fonts/").toStdString());
        QCOMPARE(w->fonts().count, 1); // cancel changes nothing
    }

    void GIVEN_a_resized_window_WHEN_closed_and_started_again_THEN_it_comes_back_the_same() {
        w->resize(900, 560);
        showActive();
        const QSize size = w->size();
        w->close();
        QCOMPARE(exits, std::vector<int>{0});
        restartWindow();
        QCOMPARE(w->size(), size);
    }

    void GIVEN_a_playing_song_on_a_1024x600_screen_THEN_all_shows_unscrolled_readable_and_the_page_whole() {
        // First start on this screen: not larger than it.
        QVERIFY(w->width() <= std::max(1024, w->screen()->availableGeometry().width()));
        // The most the window ever shows at once: long instrument names on the strips, a
        // three-line page, the capture box and the conversion progress.
        openSong(song("wide.mid"));
        find<QPushButton>("CmdPlay")->click();
        for (int c = 0; c < 16; ++c)
            find<QLabel>(qPrintable(QString("Label3_%1").arg(c)))->setText("Electric Bass(finger)");
        for (const char *mark : {"\\Leise flehen meine ", "/Lieder durch die Nacht ", "/Durch die Nacht zu dir"})
            w->lyricPanel()->markReached(mark, 0);
        find<QCheckBox>("Mp3K")->setChecked(true);
        // A running conversion shows its progress where its settings were.
        for (const char *busy : {"LblExtr_0", "LblExtr_1", "Pbregg", "Prog"})
            find<QWidget>(busy)->show();
        find<QWidget>("conversionSettings")->hide();
        find<QLabel>("lblPos")->setText("Pos: 123456789");

        w->resize(1024, 565); // a 1024x600 screen less a title bar
        showActive();
        QCOMPARE(w->size(), QSize(1024, 565));
        auto *scroll = find<QScrollArea>("centralScroll");
        QWidget *content = scroll->widget();
        QVERIFY(!scroll->verticalScrollBar()->isVisible() && !scroll->horizontalScrollBar()->isVisible());
        // Still readable: no control below the size its text needs, faders long enough to set.
        for (QWidget *part : content->findChildren<QWidget *>()) {
            const QString name = part->objectName();
            // Controls only, not the panels holding them. Instrument names wrap; the song and
            // SoundFont names are cut on purpose; the page fits its font to its room.
            if (!part->isVisibleTo(content) || part->layout() || !part->parentWidget()->layout() ||
                name.startsWith("Label3_") || name == "lblStrFile" || name == "LblSfont" || name == "lblLyrics")
                continue;
            // A push button's style asks for 80 pixels whatever its text; its text is what counts.
            auto *button = qobject_cast<QPushButton *>(part);
            const QSize need(button ? button->fontMetrics().horizontalAdvance(button->text()) + 6
                                    : part->minimumSizeHint().width(),
                             part->minimumSizeHint().height());
            QVERIFY2(part->width() >= need.width() && part->height() >= need.height(),
                     qPrintable(QString("%1 %2: %3x%4").arg(name).arg(part->width()).arg(part->height())));
            if (auto *slider = qobject_cast<QSlider *>(part); slider && slider->orientation() == Qt::Vertical)
                QVERIFY2(slider->height() >= 50, qPrintable(name));
        }
        // The whole page, the line being sung included, in a font still readable.
        auto *page = find<QLabel>("lblLyrics");
        auto needed = [page] {
            return page->fontMetrics().boundingRect(QRect(QPoint(), page->contentsRect().size()), Qt::TextWordWrap,
                                                    page->text());
        };
        QVERIFY(page->contentsRect().height() >= needed().height());
        QVERIFY(page->font().pointSize() >= lyrics::LyricPanel::kLeastPagePoints);
        QVERIFY(!find<QPushButton>("cmdSingAlong")->isVisible());
        // A larger window gives its height to the lyrics, not to the controls below them.
        auto *panel = find<QWidget>("frameLyrics");
        auto *strips = find<QWidget>("channelStrips");
        const int lyricsSmall = panel->height(), stripsSmall = strips->height();
        w->resize(1280, 860);
        QTRY_VERIFY(panel->height() - lyricsSmall >= (860 - 565) * 3 / 4);
        QCOMPARE(strips->height(), stripsSmall);
        // A page too long for the least font offers the sing-along view.
        w->lyricPanel()->markReached("\\" + QString("singing ").repeated(600).toStdString(), 0);
        QVERIFY(needed().height() > page->contentsRect().height());
        QCOMPARE(page->font().pointSize(), lyrics::LyricPanel::kLeastPagePoints); // too long even there
        find<QPushButton>("cmdSingAlong")->click();
        QCOMPARE(w->lyricPanel()->view(), lyrics::LyricView::SingAlong);
    }

    void GIVEN_the_window_THEN_icon_buttons_are_named_tab_follows_the_transport_row_and_About_opens() {
        for (QAbstractButton *b : w->findChildren<QAbstractButton *>()) {
            if (!b->text().isEmpty() || b->objectName().startsWith("qt_")) // Qt's own menu bar arrows
                continue;
            QVERIFY2(!b->accessibleName().isEmpty(), qPrintable(b->objectName()));
            QVERIFY2(!b->toolTip().isEmpty(), qPrintable(b->objectName()));
        }
        QCOMPARE(find<QPushButton>("CmdPlay")->accessibleName(), QString("Play"));
        QCOMPARE(find<QPushButton>("cmdStop")->accessibleName(), QString("Stop"));
        find<QAction>("Sabout")->trigger(); // Help > About: a box of its own over the window
        QVERIFY(find<QDialog>("frmAbout")->isVisible());
        // The open button speaks its caption, the song's name when one is open.
        auto *open = find<QPushButton>("cmdOpenFP");
        open->setText("demo.kar");
        QCOMPARE(QAccessible::queryAccessibleInterface(open)->text(QAccessible::Name), QString("demo.kar"));
        const char *order[] = {"cmdOpenFP", "CmdPlay", "Command1", "cmdStop", "btnreplace"};
        for (std::size_t i = 0; i + 1 < std::size(order); ++i)
            QCOMPARE(find<QWidget>(order[i])->nextInFocusChain()->objectName(), QString(order[i + 1]));
    }
};

QTEST_MAIN(DesktopTest)
#include "test_desktop.moc"
