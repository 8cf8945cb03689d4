// The tag editor as the user works it: opening a converted song or any
// MP3, typing the tags, stamping lines while it plays, saving, leaving.
// Files are MP3 tones encoded here into a temporary folder and judged by
// their bytes; the player runs on a graph whose clock the test sets.
#include "app/dialogs/scripteddialogs.h"
#include "app/ui/windowtest.h"
#include "core/byteio.h"
#include "playback/fakegraph.h"
#include "playback/tonemp3.h"
#include "playback/ui/frmlyrics.h"
#include "playback/ui/transportbinding.h"
#include "tags/id3v2tag.h"
#include "tags/mp3bytes.h"
#include "tags/ui/frmtags.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <functional>

using namespace cantora;
using namespace cantora::tags;
using cantora::windowtest::readFile;

namespace {

// The Lyrics3 v2 block the editor writes: one LYR field.
std::string lyrBlock(const std::string &lyrics) { return mp3bytes::lyrics3({{"LYR", lyrics}}); }

const std::string &tone() {
    static const std::string bytes = tonemp3::encode(tonemp3::kRate / 2, false);
    return bytes;
}

const char *kLrc = "[00:01]One\n\n  \n[00:02]Two\n";
const char *kLrcBox = "[00:01]One\r\n[00:02]Two\r\n";

} // namespace

class FrmTagsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<dialogs::ScriptedDialogs> dialogs;
    GraphLog clock;
    QPointer<frmTags> w;
    int exits = 0;

    std::string path(const char *name) const { return dir->filePath(name).toStdString(); }

    TagEditorHost host(const std::string &openAtStart = {}) {
        TagEditorHost h;
        h.appFolder = dir->path().toStdString();
        h.outputFile = [this] { return path("out.mp3"); };
        h.exited = [this] { ++exits; };
        h.graphFactory = [this] { return std::make_unique<FakeGraph>(clock); };
        h.schedule = [](int, std::function<void()> then) { then(); };
        h.openAtStart = openAtStart;
        return h;
    }

    frmTags *open(const std::string &file) {
        w = new frmTags(host(file));
        w->show();
        return w;
    }

    template <class T>
    T *child(const char *name) {
        return windowtest::control<T>(w.data(), name);
    }
    QPushButton *button(const char *name) { return child<QPushButton>(name); }
    QString lyricBox() { return child<QPlainTextEdit>("txtLyrics")->toPlainText(); }

    void typeTitle(const QString &text) { QTest::keyClicks(child<QLineEdit>("txtTitle"), text); }
    void press(const char *name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    const dialogs::ScriptedDialogs::Shown &lastBox() { return dialogs->shown.back(); }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        dialogs = std::make_unique<dialogs::ScriptedDialogs>();
        clock = GraphLog{};
        exits = 0;
        // The tests that judge whole files save without the ID3v2 tag.
        std::ofstream(path("cantora.ini")) << "tags.id3v2Lyrics=0\n";
    }

    void cleanup() {
        delete w.data();
        dialogs.reset();
        dir.reset();
    }

    void GIVEN_a_converted_song_WHEN_a_title_is_typed_and_saved_THEN_the_lrc_lyrics_and_one_tag_end_the_file() {
        const std::string syncro = tonemp3::write(path("SYNCRO.MP3"), tone());
        std::ofstream(path("SYNCRO.LRC"), std::ios::binary) << kLrc;
        w = ShowTagEditorAfterConversion(nullptr, host());
        QCOMPARE(w->FileName(), syncro);
        QCOMPARE(lyricBox(), QString(kLrcBox).replace("\r\n", "\n"));
        // Each label its own value: the output (once), the stream, elapsed and whole time.
        QCOMPARE(child<QLabel>("lblfile")->text().toStdString(), path("out.mp3"));
        QVERIFY(child<QLabel>("lblMPEGInfo")->text().startsWith("<>Size:["));
        QCOMPARE(child<QLabel>("lblDuracion")->text().toStdString(), w->module().GetMp3Info(syncro).Length);
        QVERIFY(!button("cmdApply")->isEnabled());

        typeTitle("My Song");
        press("cmdApply");
        QCOMPARE(readFile(path("out.mp3")), tone() + lyrBlock(kLrcBox) + mp3bytes::id3v1("My Song"));
        QCOMPARE(lastBox().text, std::string("Fatto!"));
        QCOMPARE(child<QLabel>("lblfile")->text().toStdString(), syncro);
        QVERIFY(!button("cmdApply")->isEnabled() && child<QAction>("Save_Lrc")->isEnabled());

        // Saving again replaces the block and the tag it wrote; an output that cannot be
        // replaced (a folder took its name) stays, and the box says so instead of "Fatto!".
        std::filesystem::remove(path("out.mp3"));
        std::filesystem::create_directory(path("out.mp3"));
        QTest::keyClicks(child<QLineEdit>("Txtcomment"), "again");
        press("cmdApply");
        QCOMPARE(readFile(syncro), tone() + lyrBlock(kLrcBox) + mp3bytes::id3v1("My Song", "", "", "", "again"));
        QVERIFY(lastBox().text.find("copy to") != std::string::npos);
        QCOMPARE(lastBox().style, int(dialogs::Exclamation));

        // Exit right after a Save asks nothing and removes both work files.
        w->cmdOK_Click();
        QCOMPARE(dialogs->messages().size(), size_t(2));
        QVERIFY(!std::filesystem::exists(syncro) && !std::filesystem::exists(path("SYNCRO.LRC")));
        QCOMPARE(exits, 1);
        QTRY_VERIFY(w.isNull());
    }

    void GIVEN_unsaved_edits_WHEN_the_file_is_left_THEN_the_user_saves_drops_or_stays() {
        const std::string lyr = lyrBlock("[00:01]Old\r\n");
        const std::string a = tonemp3::write(
            path("a.mp3"), tone() + lyr + mp3bytes::id3v1("Old titl\xe9", "Old artist", "Album", "1999", "Old", 17));
        const std::string b = tonemp3::write(path("b.mp3"), tone());
        open(a);
        QVERIFY(!w->close()); // the close box is refused
        // Arrows, Shift and Enter move or hold; a letter edits.
        for (Qt::Key k : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Shift, Qt::Key_Return})
            QTest::keyClick(child<QLineEdit>("txtTitle"), k);
        QVERIFY(!button("cmdApply")->isEnabled() && !w->pending().Unsaved(a));
        typeTitle("Lost");
        QCOMPARE(child<QTreeWidget>("listRef")->topLevelItem(0)->text(1), QString("Old titléLost"));
        const struct {
            std::function<void()> leave;
            int answer;
            std::string shown; // the file the editor shows then
        } steps[] = {{[&] { w->OpenFile(b); }, dialogs::Cancel, a},
                     {[&] { w->cmdCancel_Click(); }, dialogs::Cancel, a},
                     {[&] { w->cmdOK_Click(); }, dialogs::Cancel, a},
                     {[&] { w->OpenFile(b); }, dialogs::No, b}};
        for (const auto &step : steps) {
            dialogs->answerMessage(step.answer);
            step.leave();
            QCOMPARE(lastBox().style, int(dialogs::YesNoCancel | dialogs::Exclamation));
            QCOMPARE(w->FileName(), step.shown);
        }
        // The dropped title stays dropped; only the ticked album box reaches the file.
        w->OpenFile(a);
        QCOMPARE(child<QLineEdit>("txtTitle")->text(), QString("Old titlé")); // CP1252 in the tag
        QCOMPARE(child<QComboBox>("cboGenre")->currentIndex(), 18);
        QCOMPARE(lyricBox(), QString("[00:01]Old\n"));
        child<QCheckBox>("chkTags_1")->click();
        QVERIFY(child<QLineEdit>("txtAlbum")->isEnabled());
        child<QLineEdit>("txtAlbum")->setText("New album");
        child<QLineEdit>("txtArtist")->setText("Not applied");
        press("cmdApply");
        QCOMPARE(readFile(a),
                 tone() + lyr + mp3bytes::id3v1("Old titl\xe9", "Old artist", "New album", "1999", "Old", 17));
        // Yes saves before the editor goes; choosing a genre is an edit too.
        child<QComboBox>("cboGenre")->setCurrentIndex(3);
        emit child<QComboBox>("cboGenre")->activated(3);
        QVERIFY(w->pending().Unsaved(a));
        dialogs->answerMessage(dialogs::Yes);
        press("cmdCancel");
        QCOMPARE(readFile(a),
                 tone() + lyr + mp3bytes::id3v1("Old titl\xe9", "Not applied", "New album", "1999", "Old", 2));
        QTRY_VERIFY(w.isNull());
        QCOMPARE(exits, 0);
    }

    void GIVEN_an_mp3_with_only_id3v2_lyrics_WHEN_opened_and_saved_with_the_id3v2_box_THEN_both_tags_carry_it() {
        const std::string file = tonemp3::write(path("song.mp3"), tone());
        QCOMPARE(WriteId3v2(file, LyricsEdit("One\n \nTwo")), std::string()); // untimed: no SYLT
        open(file);
        QCOMPARE(lyricBox(), QString("One\nTwo\n"));
        QCheckBox *box = child<QCheckBox>("chkId3v2");
        QVERIFY(!box->isChecked()); // as the preferences file says
        box->click();
        QVERIFY(readFile(path("cantora.ini")).find("tags.id3v2Lyrics=1") != std::string::npos);
        child<QPlainTextEdit>("txtLyrics")->setPlainText("[00:03.00]Three\n");
        typeTitle("Rockin'"); // the last key typed counts even when its code is an arrow's elsewhere
        press("cmdApply");
        QVERIFY(readFile(file).ends_with(lyrBlock("[00:03.00]Three\r\n") + mp3bytes::id3v1("Rockin'")));
        core::FileSource saved;
        QVERIFY(saved.open(file));
        QCOMPARE(ReadId3v2(saved).lyrics, std::string("[00:03.00]Three\r\n"));
    }

    void GIVEN_the_editor_on_a_1024x600_screen_THEN_it_fits_and_opens_mp3s_with_their_lyric_file_and_no_other_file() {
        open("");
        // First shown: on the screen and not larger than it.
        const QSize avail = w->screen()->availableGeometry().size();
        QVERIFY(w->width() <= avail.width() && w->height() <= avail.height());
        const QSize least = w->minimumSizeHint().expandedTo(w->minimumSize());
        QVERIFY(least.width() <= 1024 && least.height() <= 570);
        auto *scroll = child<QScrollArea>("editorScroll");
        QWidget *title = child<QWidget>("txtTitle");
        for (int height : {570, 400}) { // a 1024x600 screen less a title bar; a smaller one scrolls
            w->resize(1024, height);
            QVERIFY(QTest::qWaitForWindowExposed(w.data()));
            QCoreApplication::processEvents();
            QCOMPARE(scroll->verticalScrollBar()->isVisible() || scroll->horizontalScrollBar()->isVisible(),
                     height < 570);
            QVERIFY(title->height() >= title->minimumSizeHint().height());
        }
        // Nothing open yet: nothing to load lyrics into, play or save.
        QVERIFY(!child<QAction>("btnParcourTxt")->isEnabled() && !button("cmdPlayer_1")->isEnabled() &&
                !button("cmdApply")->isEnabled() && !child<QLabel>("lblfile")->text().isEmpty());
        dialogs->cancelFile();
        w->btnParcourSon_Click();
        // Which files hold no MPEG audio is tests/tags': here, what the editor says and keeps of one.
        const std::string text = tonemp3::write(path("not.mp3"), "just text\n");
        dialogs->answerFile(text);
        w->btnParcourSon_Click();
        QCOMPARE(lastBox().text, text + ": no MPEG audio frame found; not an MP3 file?");
        QVERIFY(w->FileName().empty());
        QCOMPARE(readFile(text), std::string("just text\n"));
        const std::string song = tonemp3::write(path("song.mp3"), tone());
        std::ofstream(path("song.lrc")); // empty: the "LRC" of the same name is looked for
        std::ofstream(path("song.LRC"), std::ios::binary) << kLrc;
        dialogs->answerFile(song);
        w->btnParcourSon_Click();
        QVERIFY(w->FileName() == song && w->LrcLoaded());
        QCOMPARE(lyricBox(), QString("[00:01]One\n[00:02]Two\n"));
        QCOMPARE(child<QLabel>("lblfile")->text().toStdString(), song);
        // Save Lyrics writes the box with CR LF line ends; Load Text replaces the box.
        dialogs->answerFile(path("saved.lrc"));
        w->Save_Lrc_Click();
        QCOMPARE(readFile(path("saved.lrc")), std::string(kLrcBox));
        std::ofstream(path("words.txt"), std::ios::binary) << "la\r\n\r\nla la\r\n";
        dialogs->answerFile(path("words.txt"));
        w->btnParcourTxt_Click();
        QCOMPARE(lyricBox(), QString("la\nla la\n"));

        // A file that stopped being an MP3 after it was opened: nothing added, no "Fatto!".
        typeTitle("Title");
        tonemp3::write(song, "now a text\n");
        press("cmdApply");
        QCOMPARE(readFile(song), std::string("now a text\n"));
        QVERIFY(!w->lastSave().written && w->pending().Unsaved(song) && button("cmdApply")->isEnabled());
        QCOMPARE(lastBox().style, int(dialogs::Critical));
        QVERIFY(lastBox().text.starts_with("Not saved: " + song + " - no MPEG audio frame found; not an MP3 file?"));
        QCOMPARE(child<QLabel>("lblfile")->text().toStdString(), lastBox().text);
    }

    void GIVEN_a_song_WHEN_it_plays_THEN_the_lyrics_window_follows_add_stamps_undo_unstamps_and_save_waits() {
        const std::string lyrics = "[00:05]A\r\n[00:10]B\r\n[01:20]Hello\r\nWorld\r\n";
        const std::string file = tonemp3::write(path("song.mp3"), tone() + lyrBlock(lyrics));
        open(file);
        windowtest::StateLog log(w, dir->path());
        log.step("opened");
        QPlainTextEdit *box = child<QPlainTextEdit>("txtLyrics");
        const QString before = box->toPlainText();
        press("cmdAdd"); // stopped: nothing to stamp
        QCOMPARE(box->toPlainText(), before);
        typeTitle("Title");
        child<QLineEdit>("txtAlbum")->setText("Album");
        press("cmdPlayer_1");
        press("cmdApply");
        QCOMPARE(lastBox().text, std::string("Stop Music"));
        log.step("typed, played, Save refused");
        QCOMPARE(readFile(file), tone() + lyrBlock(lyrics));

        QVERIFY(w->LyricsWindowOpen() && w->lyricsWindow());
        QCOMPARE(w->lyricsWindow()->LyricsRef()->count(), 3);
        clock.position = 12; // "B" (00:10) is being sung
        w->player().Tick();
        QCOMPARE(w->lyricIndex(), 1);
        log.step("at 00:12");
        // The lyrics window: title, album, "B" in red; the editor: the stamped lines, 00:12 on the knob strip.
        QCOMPARE(windowtest::pictureSum(w->lyricsWindow()), std::size_t(5997925628260626708u));
        child<QLabel>("lblfile")->setText("song.mp3"); // not the test's own folder
        QCOMPARE(windowtest::pictureSum(w), std::size_t(12286760232399402549u));
        // Closed while paused, the window comes back with the resume, on the line being sung.
        for (const char *resume : {"cmdPlayer_1", "cmdPlayer_2"}) {
            press("cmdPlayer_2");
            w->lyricsWindow()->close();
            QTRY_VERIFY(!w->lyricsWindow());
            press(resume);
            w->player().Tick();
            QVERIFY(w->lyricsWindow() && w->lyricsWindow()->isVisible());
            QCOMPARE(w->lyricsWindow()->strip().FocusIndex(), 1);
        }

        press("cmdPlayer_2");
        QCOMPARE(w->player().PlayerState(), std::string("pause"));
        clock.position = 83.4;
        QTextCursor c = box->textCursor();
        c.setPosition(20);
        box->setTextCursor(c);
        press("cmdAdd");
        QCOMPARE(box->textCursor().position(), 38);
        log.step("paused at 01:23, the third line stamped");
        QCOMPARE(w->pending().Row(file)->sub[6],
                 std::string("[00:05]A\r\n[00:10]B\r\n[01:20][01:23]Hello\r\nWorld\r\n"));
        press("cmdUndo"); // where stamps go and what Undo takes back: tests/tags
        log.step("undone");

        // Paused, the song is let go for the write and taken up where it was.
        clock.position = 30.5;
        press("cmdApply");
        QCOMPARE(readFile(file), tone() + lyrBlock(lyrics) + mp3bytes::id3v1("Title", "", "Album"));
        QCOMPARE(w->player().PlayerState(), std::string("pause"));
        QCOMPARE(clock.seeks.back(), 30.5);
        QCOMPARE(clock.released, 1);
        log.step("saved while paused at 00:30");
        press("cmdPlayer_1");
        w->OpenFile(file); // playing: the song opened again stops it
        QCOMPARE(w->player().PlayerState(), std::string("false"));
        log.step("opened again while playing");

        press("cmdPlayer_3");
        QCOMPARE(w->player().PlayerState(), std::string("false"));
        QVERIFY(!w->LyricsWindowOpen());
        QCOMPARE(child<playback::KnobStrip>("picSliderRep")->knobAt(), 0);
        log.step("stopped");
        QCOMPARE(windowtest::expected("tag_editor_session", log.log), QString());
    }
};

QTEST_MAIN(FrmTagsTest)
#include "test_frmtags.moc"
