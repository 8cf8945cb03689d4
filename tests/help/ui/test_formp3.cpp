// The help window: its text, closing and reopening, printing the read-me.
#include "core/apppaths.h"
#include "app/dialogs/scripteddialogs.h"
#include "help/ui/formp3.h"

#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

using namespace cantora;

class Formp3Test : public QObject {
    Q_OBJECT
private slots:
    void GIVEN_a_readme_WHEN_print_is_pressed_THEN_warning_first_then_a_two_size_document() {
        QTemporaryDir home;
        core::setAppFolder(home.path().toStdString());
        std::ofstream(home.filePath("leggimi.txt").toStdString(), std::ios::binary) << "one, two\r\n\"a, b\"\r\n";
        dialogs::ScriptedDialogs dlg;
        QString pdf = home.filePath("out.pdf");
        dlg.onPrinter = [&](QPrinter &p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(pdf);
            return false;   // a cancelled printer dialog still prints
        };
        help::formp3 w;
        w.findChild<QPushButton *>("CmdPrint")->click();

        QCOMPARE(dlg.shown.size(), std::size_t(2));
        QCOMPARE(dlg.shown[0].text, std::string("Controllare la Stampante"));
        QCOMPARE(dlg.shown[0].title, std::string("SingFont"));
        QCOMPARE(dlg.shown[0].style, 0);
        QCOMPARE(dlg.shown[1].kind, dialogs::ScriptedDialogs::Shown::Printer);

        const auto &lines = w.lastPrint();
        QCOMPARE(lines.size(), std::size_t(4));
        QCOMPARE(lines[0].pointSize, 18);
        QCOMPARE(lines[0].text, QString());
        QStringList body;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            QCOMPARE(lines[i].pointSize, 12);
            body << lines[i].text;
        }
        QCOMPARE(body, QStringList({"one", "two", "a, b"}));
        QFile f(pdf);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.read(5) == "%PDF-");
        QVERIFY(f.size() > 500);
    }

    void GIVEN_no_readme_WHEN_print_is_pressed_THEN_an_empty_page_prints() {
        QTemporaryDir home;
        core::setAppFolder(home.path().toStdString());
        dialogs::ScriptedDialogs dlg;
        dlg.onPrinter = [&](QPrinter &p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(home.filePath("empty.pdf"));
            return true;
        };
        help::formp3 w;
        w.CmdPrint_Click();
        QCOMPARE(w.lastPrint().size(), std::size_t(1));
        QVERIFY(QFile::exists(home.filePath("empty.pdf")));
    }

    void GIVEN_the_help_WHEN_closed_and_shown_again_THEN_the_text_is_visible() {
        help::formp3 w;
        QCOMPARE(w.windowTitle(), QString("Help"));
        w.show();
        auto *text = w.findChild<QPlainTextEdit *>("Text2");
        QVERIFY(text->toPlainText().contains("Open MidiFile"));
        QVERIFY(text->toPlainText().size() > 2000);
        w.findChild<QPushButton *>("Command1")->click();
        QVERIFY(!w.isVisible());
        QVERIFY(!text->isVisibleTo(&w));
        w.show();
        QVERIFY(text->isVisible());
    }
};

QTEST_MAIN(Formp3Test)
#include "test_formp3.moc"
