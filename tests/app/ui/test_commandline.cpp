// The window's command line.
#include "app/ui/commandline.h"

#include <QtTest>

using namespace cantora::app;
using Action = CommandLine::Action;

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void GIVEN_a_home_and_a_song_THEN_both_are_taken() {
        CommandLine cl = parseCommandLine({"--home", "/tmp/k", "song.kar"});
        QVERIFY(cl.action == Action::Run);
        QCOMPARE(cl.home, std::string("/tmp/k"));
        QCOMPARE(cl.song.value_or(""), std::string("song.kar"));
        QVERIFY(parseCommandLine({}).action == Action::Run);
        QVERIFY(!parseCommandLine({}).song);
    }

    void GIVEN_home_with_no_folder_THEN_a_usage_error_not_a_song_called_home() {
        CommandLine cl = parseCommandLine({"--home"});
        QVERIFY(cl.action == Action::UsageError);
        QVERIFY(!cl.song);
        QVERIFY(QString::fromStdString(cl.error).contains("--home"));
        QVERIFY(parseCommandLine({"song.kar", "--home"}).action == Action::UsageError);
        QVERIFY(parseCommandLine({"--home", ""}).action == Action::UsageError);
    }

    void GIVEN_tags_and_a_file_THEN_the_file_is_for_the_tag_editor_not_a_song() {
        CommandLine cl = parseCommandLine({"--tags", "a.mp3"});
        QVERIFY(cl.action == Action::Run);
        QCOMPARE(cl.tags.value_or(""), std::string("a.mp3"));
        QVERIFY(!cl.song);
        QVERIFY(parseCommandLine({"--tags"}).action == Action::UsageError);
        QVERIFY(parseCommandLine({"song.kar", "--tags", ""}).action == Action::UsageError);
        QCOMPARE(parseCommandLine({"s.kar", "--tags", "a.mp3"}).song.value_or(""), std::string("s.kar"));
    }

    void GIVEN_two_songs_THEN_a_usage_error() {
        QVERIFY(parseCommandLine({"a.kar", "b.kar"}).action == Action::UsageError);
        QVERIFY(parseCommandLine({"--help"}).action == Action::Help);
        QVERIFY(parseCommandLine({"--version"}).action == Action::Version);
    }
};

QTEST_MAIN(CommandLineTest)
#include "test_commandline.moc"
