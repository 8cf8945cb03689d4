// The player window's start and end as they meet the user: settings that
// name no SoundFont, and closing while the tag editor holds unsaved edits.
#include "app/ui/playerwindow.h"
#include "tags/mp3bytes.h"
#include "tags/ui/frmtags.h"

#include <QLineEdit>

using namespace cantora;

class StartupTest : public QObject, windowtest::PlayerWindow {
    Q_OBJECT
private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void GIVEN_settings_naming_no_soundfont_and_unsaved_tag_edits_THEN_boxes_say_what_to_do_and_may_keep_the_window() {
        write("config.tlm", "\"OK\"\r\n"); // a main SoundFont accepted, none named
        makeWindow();
        QCOMPARE(dlg->messages().size(), std::size_t(1));
        QVERIFY(dlg->messages()[0].text.find("names no SoundFont") != std::string::npos);
        QVERIFY(dlg->messages()[0].text.find("Save Configuration") != std::string::npos);
        const std::string file = write("a.mp3", std::string(mp3bytes::audio(417)));
        w->Mp3KK_Click(file);
        QTRY_COMPARE(w->tagEditor()->FileName(), file);
        QTest::keyClicks(w->tagEditor()->findChild<QLineEdit *>("txtTitle"), "x");
        for (int answer : {dialogs::Cancel, dialogs::No}) {
            dlg->answerMessage(answer);
            w->close();
            QCOMPARE(exits.size(), std::size_t(answer == dialogs::No));
        }
        QVERIFY(dlg->messages().back().text.find(file) != std::string::npos);
        QCOMPARE(windowtest::readFile(file), mp3bytes::audio(417)); // dropped, not saved
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
