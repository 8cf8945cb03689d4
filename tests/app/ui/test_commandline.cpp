// The window's command line.
#include "app/ui/commandline.h"

#include <QtTest>

using namespace cantora::app;
using Action = CommandLine::Action;

class CommandLineTest : public QObject {
    Q_OBJECT

    // What was taken, in one comparable line: the action, the three values, the error's first word.
    static QString taken(const std::vector<std::string> &args) {
        const CommandLine cl = parseCommandLine(args);
        const char *action[] = {"run", "help", "version", "usage"};
        return QString("%1 home=%2 song=%3 tags=%4 %5")
            .arg(action[static_cast<int>(cl.action)], QString::fromStdString(cl.home),
                 QString::fromStdString(cl.song.value_or("-")), QString::fromStdString(cl.tags.value_or("-")),
                 QString::fromStdString(cl.error).section(' ', 0, 0));
    }

private slots:
    void GIVEN_arguments_THEN_home_song_and_tag_file_are_taken_and_a_missing_value_is_a_usage_error() {
        const struct {
            std::vector<std::string> args;
            const char *taken;
        } cases[] = {
            {{"--home", "/tmp/k", "song.kar"}, "run home=/tmp/k song=song.kar tags=- "},
            {{}, "run home= song=- tags=- "},
            {{"--home"}, "usage home= song=- tags=- --home"}, // not a song called "--home"
            {{"song.kar", "--home"}, "usage home= song=song.kar tags=- --home"},
            {{"--home", ""}, "usage home= song=- tags=- --home"},
            {{"--tags", "a.mp3"}, "run home= song=- tags=a.mp3 "}, // the file is the tag editor's, not a song
            {{"s.kar", "--tags", "a.mp3"}, "run home= song=s.kar tags=a.mp3 "},
            {{"--tags"}, "usage home= song=- tags=- --tags"},
            {{"song.kar", "--tags", ""}, "usage home= song=song.kar tags=- --tags"},
            {{"a.kar", "b.kar"}, "usage home= song=a.kar tags=- only"},
            {{"--help"}, "help home= song=- tags=- "},
            {{"--version"}, "version home= song=- tags=- "},
        };
        for (const auto &c : cases)
            QCOMPARE(taken(c.args), QString(c.taken));
    }
};

QTEST_MAIN(CommandLineTest)
#include "test_commandline.moc"
