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

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>

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
        return windowtest::control<T>(w.data(), name, windowtest::Missing::Warn);
    }
    QPushButton *button(const char *name) { return child<QPushButton>(name); }
    QString lyricBox() { return child<QPlainTextEdit>("txtLyrics")->toPlainText(); }

    void typeTitle(const QString &text) { QTest::keyClicks(child<QLineEdit>("txtTitle"), text); }

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

    void GIVEN_the_editor_WHEN_it_opens_THEN_fields_are_spoken_by_their_captions_and_nothing_waits_for_a_file() {
        open("");
        QCOMPARE(w->windowTitle(), QString("Orvane  ID3 Tag & LyricsEditor  V.1.0"));
        // Screen readers name each field by its caption, and each apply box by its field.
        const std::pair<const char *, const char *> fields[] = {
            {"txtTitle", "Title:"},      {"txtArtist", "Artist:"},   {"txtAlbum", "Album:"},
            {"txtYear", "Year:"},        {"Txtcomment", "Comment:"}, {"chkTags_0", "Apply Artist"},
            {"chkTags_3", "Apply Genre"}};
        for (const auto &[name, spoken] : fields)
            QCOMPARE(QAccessible::queryAccessibleInterface(child<QWidget>(name))->text(QAccessible::Name),
                     QString(spoken));
        QComboBox *genre = child<QComboBox>("cboGenre");
        QCOMPARE(genre->count(), 127);
        QCOMPARE(genre->itemText(1), QString("Blues"));
        // Nothing open yet: nothing to load lyrics into, play or save.
        QVERIFY(!child<QAction>("btnParcourTxt")->isEnabled());
        QVERIFY(!button("cmdPlayer_1")->isEnabled());
        QVERIFY(!button("cmdApply")->isEnabled());
    }

    void GIVEN_a_converted_song_WHEN_a_title_is_typed_and_saved_THEN_the_lrc_lyrics_and_one_tag_end_the_file() {
        const std::string syncro = tonemp3::write(path("SYNCRO.MP3"), tone());
        std::ofstream(path("SYNCRO.LRC"), std::ios::binary) << kLrc;
        w = ShowTagEditorAfterConversion(nullptr, host());

        QCOMPARE(w->FileName(), syncro);
        QVERIFY(w->LrcLoaded());
        QCOMPARE(lyricBox(), QString(kLrcBox).replace("\r\n", "\n"));
        QCOMPARE(child<QLabel>("lblfile")->text().toStdString(), path("out.mp3")); // once
        QVERIFY(child<QLabel>("lblMPEGInfo")->text().startsWith("<>Size:["));
        QVERIFY(!button("cmdApply")->isEnabled());

        typeTitle("My Song");
        QVERIFY(button("cmdApply")->isEnabled());
        QTest::mouseClick(button("cmdApply"), Qt::LeftButton);

        const std::string expected = tone() + lyrBlock(kLrcBox) + mp3bytes::id3v1("My Song");
        QCOMPARE(readFile(syncro), expected);
        QCOMPARE(readFile(path("out.mp3")), expected);
        QCOMPARE(dialogs->messages().size(), size_t(1));
        QCOMPARE(dialogs->messages()[0].text, std::string("Fatto!"));
        QCOMPARE(dialogs->messages()[0].title, std::string("Lirovox"));
        QCOMPARE(dialogs->messages()[0].style, int(dialogs::OkOnly));
        QCOMPARE(child<QLabel>("lblfile")->text().toStdString(), syncro);
        QVERIFY(!button("cmdApply")->isEnabled());
        QVERIFY(child<QAction>("Save_Lrc")->isEnabled());
        QCOMPARE(w->pending().Row(syncro)->sub, (std::array<std::string, 8>{}));

        // Saving again replaces the block and the tag it wrote.
        QTest::keyClicks(child<QLineEdit>("Txtcomment"), "again");
        QTest::mouseClick(button("cmdApply"), Qt::LeftButton);
        const std::string twice = tone() + lyrBlock(kLrcBox) + mp3bytes::id3v1("My Song", "", "", "", "again");
        QCOMPARE(readFile(syncro), twice);
        QCOMPARE(readFile(path("out.mp3")), twice);

        // Exit right after a Save asks nothing and removes both work files.
        w->cmdOK_Click();
        QCOMPARE(dialogs->messages().size(), size_t(2));
        QVERIFY(!std::filesystem::exists(syncro));
        QVERIFY(!std::filesystem::exists(path("SYNCRO.LRC")));
        QCOMPARE(readFile(path("out.mp3")), twice);
        QCOMPARE(exits, 1);
        QTRY_VERIFY(w.isNull());
    }

    void GIVEN_unsaved_edits_WHEN_exit_is_answered_no_THEN_the_editor_and_the_work_files_stay() {
        tonemp3::write(path("SYNCRO.MP3"), tone());
        w = ShowTagEditorAfterConversion(nullptr, host());
        typeTitle("x");
        dialogs->answerMessage(dialogs::No);
        w->cmdOK_Click();
        QCOMPARE(dialogs->messages().at(0).text, std::string("Exit ?"));
        QCOMPARE(dialogs->messages().at(0).title, std::string("Orvane Mp3Tag Editor"));
        QCOMPARE(dialogs->messages().at(0).style, int(dialogs::YesNo | dialogs::Information));
        QVERIFY(std::filesystem::exists(path("SYNCRO.MP3")));
        QCOMPARE(exits, 0);
        QVERIFY(w->isVisible());
    }

    void GIVEN_a_playing_song_WHEN_save_is_pressed_THEN_stop_music_and_the_file_is_untouched() {
        const std::string file = tonemp3::write(path("song.mp3"), tone());
        open(file);
        typeTitle("Title");
        QTest::mouseClick(button("cmdPlayer_1"), Qt::LeftButton);
        QCOMPARE(w->player().PlayerState(), std::string("true"));
        QTest::mouseClick(button("cmdApply"), Qt::LeftButton);
        QCOMPARE(dialogs->messages().size(), size_t(1));
        QCOMPARE(dialogs->messages()[0].text, std::string("Stop Music"));
        QCOMPARE(dialogs->messages()[0].style, int(dialogs::Critical));
        QCOMPARE(readFile(file), tone());

        // Paused, the song is let go for the write and taken up where it was.
        QTest::mouseClick(button("cmdPlayer_2"), Qt::LeftButton);
        clock.position = 30.5;
        QTest::mouseClick(button("cmdApply"), Qt::LeftButton);
        QCOMPARE(readFile(file), tone() + mp3bytes::id3v1("Title"));
        QCOMPARE(w->player().PlayerState(), std::string("pause"));
        QCOMPARE(clock.seeks.back(), 30.5);
        QCOMPARE(clock.released, 1);
    }

    void GIVEN_a_tagged_song_WHEN_only_the_album_box_is_ticked_and_saved_THEN_only_the_album_changes() {
        const std::string old = tone() + lyrBlock("[00:01]Old\r\n") +
                                mp3bytes::id3v1("Old title", "Old artist", "Old album", "1999", "Old comment", 17);
        const std::string file = tonemp3::write(path("tagged.mp3"), old);
        open(file);
        QCOMPARE(child<QLineEdit>("txtTitle")->text(), QString("Old title"));
        QCOMPARE(child<QComboBox>("cboGenre")->currentIndex(), 18);
        QCOMPARE(lyricBox(), QString("[00:01]Old\n"));
        QVERIFY(!w->LrcLoaded());

        child<QCheckBox>("chkTags_1")->click();
        QVERIFY(button("cmdApply")->isEnabled());
        child<QLineEdit>("txtAlbum")->setText("New album");
        child<QLineEdit>("txtArtist")->setText("Not applied");
        child<QPlainTextEdit>("txtLyrics")->setPlainText("not applied either\n");
        QTest::mouseClick(button("cmdApply"), Qt::LeftButton);
        QCOMPARE(readFile(file),
                 tone() + lyrBlock("[00:01]Old\r\n") +
                     mp3bytes::id3v1("Old title", "Old artist", "New album", "1999", "Old comment", 17));
    }

    void GIVEN_an_mp3_with_only_id3v2_lyrics_WHEN_opened_and_saved_with_the_id3v2_box_THEN_both_tags_carry_it() {
        const std::string file = tonemp3::write(path("song.mp3"), tone());
        QCOMPARE(WriteId3v2(file, LyricsEdit("[00:01.00]One\n[00:02.50]Two\n")), std::string());
        open(file);
        QCOMPARE(lyricBox(), QString("[00:01.00]One\n[00:02.50]Two\n"));
        QCheckBox *box = child<QCheckBox>("chkId3v2");
        QVERIFY(!box->isChecked()); // as the preferences file says
        box->click();
        QVERIFY(readFile(path("cantora.ini")).find("tags.id3v2Lyrics=1") != std::string::npos);
        child<QPlainTextEdit>("txtLyrics")->setPlainText("[00:03.00]Three\n");
        typeTitle("Rockin'"); // the last key typed counts even when its code is an arrow's elsewhere
        QTest::mouseClick(button("cmdApply"), Qt::LeftButton);
        QVERIFY(readFile(file).ends_with(lyrBlock("[00:03.00]Three\r\n") + mp3bytes::id3v1("Rockin'")));
        core::FileSource saved;
        QVERIFY(saved.open(file));
        QCOMPARE(ReadId3v2(saved).lyrics, std::string("[00:03.00]Three\r\n"));
    }

    void GIVEN_a_full_disk_WHEN_saved_THEN_the_file_is_byte_identical_and_the_label_says_why() {
        const std::string file = tonemp3::write(path("song.mp3"), tone());
        open(file);
        typeTitle("Title");
        // No byte may be added to the file: the write of tag and lyrics fails.
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        limit.rlim_cur = tone().size();
        setrlimit(RLIMIT_FSIZE, &limit);
        QTest::mouseClick(button("cmdApply"), Qt::LeftButton);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(readFile(file), tone());
        QVERIFY2(child<QLabel>("lblfile")->text().startsWith("Not saved: " + QString::fromStdString(file)),
                 qPrintable(child<QLabel>("lblfile")->text()));
        QVERIFY(!w->lastSave().written);
        QCOMPARE(dialogs->messages().back().text, std::string("Fatto!"));
    }

    void GIVEN_an_output_that_cannot_be_replaced_WHEN_saved_THEN_the_output_is_kept_and_the_label_says_so() {
        tonemp3::write(path("SYNCRO.MP3"), tone());
        std::filesystem::create_directory(path("out.mp3")); // the chosen name is taken by a folder
        w = ShowTagEditorAfterConversion(nullptr, host());
        typeTitle("T");
        QTest::mouseClick(button("cmdApply"), Qt::LeftButton);
        QVERIFY(w->lastSave().written);
        QVERIFY(!w->lastSave().copied);
        QVERIFY(std::filesystem::is_directory(path("out.mp3")));
        QVERIFY(child<QLabel>("lblfile")->text().contains("copy to"));
    }

    void GIVEN_a_tag_box_WHEN_an_arrow_or_a_letter_is_typed_THEN_only_the_letter_is_an_edit() {
        const std::string file = tonemp3::write(path("song.mp3"), tone());
        open(file);
        QLineEdit *artist = child<QLineEdit>("txtArtist");
        for (Qt::Key k : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Shift, Qt::Key_Return})
            QTest::keyClick(artist, k);
        QVERIFY(!button("cmdApply")->isEnabled());
        QCOMPARE(w->pending().Row(file)->sub[2], std::string());
        QTest::keyClick(artist, Qt::Key_X);
        QVERIFY(button("cmdApply")->isEnabled());
        QCOMPARE(w->pending().Row(file)->sub[2], std::string("x"));
        QCOMPARE(child<QTreeWidget>("listRef")->topLevelItem(0)->text(2), QString("x"));
        // Choosing another genre is an edit too.
        QComboBox *genre = child<QComboBox>("cboGenre");
        genre->setCurrentIndex(3);
        emit genre->activated(3);
        QCOMPARE(w->pending().Row(file)->sub[5], std::string("3"));
    }

    void GIVEN_a_playing_song_WHEN_add_is_pressed_THEN_the_line_is_stamped_and_undo_removes_it() {
        const std::string file = tonemp3::write(path("song.mp3"), tone() + lyrBlock("[01:20]Hello\r\nWorld\r\n"));
        open(file);
        QPlainTextEdit *box = child<QPlainTextEdit>("txtLyrics");
        QTest::mouseClick(button("cmdAdd"), Qt::LeftButton); // stopped: nothing to stamp
        QCOMPARE(box->toPlainText(), QString("[01:20]Hello\nWorld\n"));

        QTest::mouseClick(button("cmdPlayer_1"), Qt::LeftButton);
        QTest::mouseClick(button("cmdPlayer_2"), Qt::LeftButton);
        QCOMPARE(w->player().PlayerState(), std::string("pause"));
        clock.position = 83.4;
        QTextCursor c = box->textCursor();
        c.setPosition(2);
        box->setTextCursor(c);
        QTest::mouseClick(button("cmdAdd"), Qt::LeftButton);
        QCOMPARE(box->toPlainText(), QString("[01:20][01:23]Hello\nWorld\n"));
        QCOMPARE(box->textCursor().position(), 20);
        QVERIFY(button("cmdUndo")->isEnabled());
        QCOMPARE(w->pending().Row(file)->sub[6], std::string("[01:20][01:23]Hello\r\nWorld\r\n"));

        clock.position = 1;
        QTest::mouseClick(button("cmdAdd"), Qt::LeftButton);
        QCOMPARE(box->toPlainText(), QString("[01:20][01:23]Hello\n[00:01]World\n"));
        QTest::mouseClick(button("cmdUndo"), Qt::LeftButton);
        QTest::mouseClick(button("cmdUndo"), Qt::LeftButton);
        QCOMPARE(box->toPlainText(), QString("[01:20]Hello\nWorld\n"));
        QVERIFY(!button("cmdUndo")->isEnabled());
    }

    void GIVEN_lyrics_with_stamps_WHEN_the_song_plays_THEN_the_lyrics_window_follows() {
        const std::string file =
            tonemp3::write(path("song.mp3"), tone() + lyrBlock("[00:05]A\r\n[00:10]B\r\n[00:20]C\r\n"));
        open(file);
        QTest::mouseClick(button("cmdPlayer_1"), Qt::LeftButton);
        QVERIFY(w->LyricsWindowOpen());
        QListWidget *ref = child<QListWidget>("LyricsRef");
        QCOMPARE(ref->count(), 3);
        QCOMPARE(ref->item(1)->text(), QString("00:10    B"));
        playback::frmLyrics *lyrics = w->lyricsWindow();
        QVERIFY(lyrics);
        QCOMPARE(lyrics->LyricsRef()->count(), 3);

        clock.position = 12; // "B" (00:10) is being sung
        w->player().Tick();
        QCOMPARE(w->lyricIndex(), 1);
        QCOMPARE(lyrics->strip().FocusIndex(), 1);
        QCOMPARE(child<playback::KnobStrip>("picSliderRep")->knobAt(), 8);
        // Closed while paused, the window comes back with the resume, on the line being sung.
        for (const char *resume : {"cmdPlayer_1", "cmdPlayer_2"}) {
            QTest::mouseClick(button("cmdPlayer_2"), Qt::LeftButton);
            w->lyricsWindow()->close();
            QTRY_VERIFY(!w->lyricsWindow());
            QTest::mouseClick(button(resume), Qt::LeftButton);
            w->player().Tick();
            QVERIFY(w->lyricsWindow() && w->lyricsWindow()->isVisible());
            QCOMPARE(w->lyricsWindow()->strip().FocusIndex(), 1);
        }

        QTest::mouseClick(button("cmdPlayer_3"), Qt::LeftButton);
        QCOMPARE(w->player().PlayerState(), std::string("false"));
        QCOMPARE(ref->count(), 0);
        QVERIFY(!w->LyricsWindowOpen());
        QCOMPARE(child<playback::KnobStrip>("picSliderRep")->knobAt(), 0);
    }

    void GIVEN_the_editor_WHEN_its_close_box_or_cancel_is_used_THEN_only_cancel_closes_and_files_stay() {
        tonemp3::write(path("SYNCRO.MP3"), tone());
        w = ShowTagEditorAfterConversion(nullptr, host());
        QVERIFY(!w->close());
        QVERIFY(w->isVisible());
        QTest::mouseClick(button("cmdCancel"), Qt::LeftButton);
        QTRY_VERIFY(w.isNull());
        QVERIFY(std::filesystem::exists(path("SYNCRO.MP3")));
        QCOMPARE(exits, 0);
    }

    void GIVEN_an_mp3_with_a_lyric_file_beside_it_WHEN_opened_from_the_menu_THEN_the_lyrics_load() {
        const std::string file = tonemp3::write(path("song.mp3"), tone());
        std::ofstream(path("song.lrc"), std::ios::binary) << kLrc;
        open("");
        dialogs->cancelFile();
        w->btnParcourSon_Click();
        QVERIFY(w->FileName().empty());
        dialogs->answerFile(file);
        w->btnParcourSon_Click();
        const auto &chooser = dialogs->shown.at(1);
        QCOMPARE(chooser.filter,
                 std::string("MP3 Audio (*.mp3)|*.MP3|Wave Files (*.wav)|*.WAV|WMA Files (*.wma)|*.WMA"));
        QCOMPARE(chooser.flags, 2u);
        QCOMPARE(w->FileName(), file);
        QVERIFY(w->LrcLoaded());
        QCOMPARE(lyricBox(), QString("[00:01]One\n[00:02]Two\n"));
        QCOMPARE(child<QLabel>("lblfile")->text().toStdString(), file);

        // Save Lyrics writes the box with CR LF line ends.
        dialogs->answerFile(path("saved.lrc"));
        w->Save_Lrc_Click();
        QCOMPARE(dialogs->shown.back().title, std::string("Save Lrc File"));
        QCOMPARE(dialogs->shown.back().filter, std::string("File Syncro (Lrc File (*.lrc)|*.lrc"));
        QCOMPARE(readFile(path("saved.lrc")), std::string(kLrcBox));

        // Load Text replaces the box.
        std::ofstream(path("words.txt"), std::ios::binary) << "la\r\n\r\nla la\r\n";
        dialogs->answerFile(path("words.txt"));
        w->btnParcourTxt_Click();
        QCOMPARE(dialogs->shown.back().filter, std::string("Text (*.txt)|*.TXT|Lyrics (*.lrc)|*.LRC"));
        QCOMPARE(lyricBox(), QString("la\nla la\n"));
    }
};

QTEST_MAIN(FrmTagsTest)
#include "test_frmtags.moc"
