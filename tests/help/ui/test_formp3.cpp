// The help window: its text, closing and reopening, printing the read-me.
#include "app/dialogs/scripteddialogs.h"
#include "core/apppaths.h"
#include "help/ui/formp3.h"

#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
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
            return false; // a cancelled printer dialog still prints
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

    void GIVEN_a_cp1252_readme_with_a_long_line_WHEN_printed_THEN_accents_are_right_and_rows_fit_the_page() {
        QTemporaryDir home;
        core::setAppFolder(home.path().toStdString());
        std::string longLine;
        for (int i = 0; i < 40; ++i)
            longLine += "parola" + std::to_string(i) + " ";
        std::ofstream(home.filePath("leggimi.txt").toStdString(), std::ios::binary)
            << "\"Perch\xE9 cos\xEC \xE8 pi\xF9 facile\"\r\n"
            << longLine << "\r\n"
            << std::string(300, 'x') << "\r\n";
        dialogs::ScriptedDialogs dlg;
        QPrinter *used = nullptr;
        dlg.onPrinter = [&](QPrinter &p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(home.filePath("out.pdf"));
            used = &p;
            return true;
        };
        help::formp3 w;
        w.CmdPrint_Click();
        const auto &lines = w.lastPrint();
        QVERIFY(lines.size() > 4);
        QCOMPARE(lines[1].text, QString::fromUtf8("Perch\u00e9 cos\u00ec \u00e8 pi\u00f9 facile"));
        // The long line comes out whole, over several rows, none wider than the page.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(home.filePath("measure.pdf"));
        QFont font("Sans Serif");
        font.setPointSize(12);
        QFontMetrics fm(font, &printer);
        QStringList words, rows;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            QVERIFY2(fm.horizontalAdvance(lines[i].text) <= printer.width(), qPrintable(lines[i].text));
            rows << lines[i].text;
        }
        QVERIFY(rows.size() >= 5);
        QCOMPARE(rows.join(' ').split(' ', Qt::SkipEmptyParts).mid(5, 40).join(' ') + ' ',
                 QString::fromStdString(longLine));
        QCOMPARE(rows.mid(rows.indexOf(QRegularExpression("^x+$"))).join(""), QString(300, 'x'));
        // A line that fits stays whole.
        QCOMPARE(help::formp3::wrapToWidth(QString("a b"), fm, printer.width()), QStringList({"a b"}));
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
