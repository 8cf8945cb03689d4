// The help window: its text, closing and reopening, printing the read-me.
#include "app/dialogs/scripteddialogs.h"
#include "app/ui/windowtest.h"
#include "core/apppaths.h"
#include "help/ui/formp3.h"

#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <optional>

using namespace cantora;

class Formp3Test : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<dialogs::ScriptedDialogs> dlg;
    std::unique_ptr<help::formp3> w;

    // Presses Print with `readme` (none when empty) and the printer dialog answered `accept`.
    QStringList print(const std::optional<std::string> &readme, bool accept) {
        QFile::remove(home->filePath("leggimi.txt"));
        QFile::remove(home->filePath("out.pdf"));
        if (readme)
            std::ofstream(home->filePath("leggimi.txt").toStdString(), std::ios::binary) << *readme;
        dlg->onPrinter = [&](QPrinter &p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(home->filePath("out.pdf"));
            return accept;
        };
        w->findChild<QPushButton *>("CmdPrint")->click();
        QStringList rows;
        for (const auto &line : w->lastPrint())
            rows << QString("%1:%2").arg(line.pointSize).arg(line.text);
        return rows;
    }

private slots:
    void init() {
        home = std::make_unique<QTemporaryDir>();
        core::setAppFolder(home->path().toStdString());
        dlg = std::make_unique<dialogs::ScriptedDialogs>();
        w = std::make_unique<help::formp3>();
    }
    void cleanup() {
        w.reset();
        dlg.reset();
        home.reset();
    }

    void GIVEN_a_readme_WHEN_print_is_pressed_THEN_warning_first_then_a_two_size_document_unless_cancelled() {
        const struct {
            std::optional<std::string> readme;
            bool accept;
            QStringList printed; // point size and text of each row
        } cases[] = {
            {"one, two\r\n\"a, b\"\r\n\r\ntail", true, {"18:", "12:one", "12:two", "12:a, b", "12:", "12:tail"}},
            {"Perch\xE9 \xE8\r\n", true, {"18:", QString::fromUtf8("12:Perch\u00e9 \u00e8")}}, // CP1252
            {std::nullopt, true, {"18:"}}, // no read-me: an empty page
            {"one\r\n", false, {}}};       // Cancel in the printer dialog prints nothing
        for (const auto &c : cases) {
            dlg->shown.clear();
            QCOMPARE(print(c.readme, c.accept), c.printed);
            QCOMPARE(dlg->shown.size(), std::size_t(2));
            QCOMPARE(dlg->shown[0].text, std::string("Controllare la Stampante"));
            QCOMPARE(dlg->shown[1].kind, dialogs::ScriptedDialogs::Shown::Printer);
            QFile pdf(home->filePath("out.pdf"));
            QCOMPARE(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-", c.accept);
        }
    }

    void GIVEN_a_line_wider_than_the_page_WHEN_wrapped_THEN_rows_fit_break_at_blanks_and_lose_nothing() {
        std::string longLine;
        for (int i = 0; i < 40; ++i)
            longLine += "parola" + std::to_string(i) + " ";
        const QFontMetrics fm(QFont("Sans Serif", 12));
        const int width = 40 * fm.averageCharWidth();
        const QStringList rows = help::formp3::wrapToWidth(QString::fromStdString(longLine), fm, width);
        const QStringList xs = help::formp3::wrapToWidth(QString(300, 'x'), fm, width);
        for (const QString &row : rows + xs)
            QVERIFY2(fm.horizontalAdvance(row) <= width && !row.startsWith(' '), qPrintable(row));
        for (int i = 0; i + 1 < rows.size(); ++i) // each row as full as it can be
            QVERIFY(fm.horizontalAdvance(rows[i] + ' ' + rows[i + 1].section(' ', 0, 0)) > width);
        for (int i = 0; i + 1 < xs.size(); ++i)
            QVERIFY(fm.horizontalAdvance(xs[i] + 'x') > width);
        QVERIFY(print(longLine + "\r\n", true).size() > 2); // printed over several rows too
        QCOMPARE(rows.join(' ').split(' ', Qt::SkipEmptyParts).join(' ') + ' ', QString::fromStdString(longLine));
        QCOMPARE(xs.join(""), QString(300, 'x'));
        QCOMPARE(help::formp3::wrapToWidth("a b", fm, width), QStringList({"a b"})); // a line that fits stays whole
        QCOMPARE(help::formp3::wrapToWidth("aa bb cc", fm, fm.horizontalAdvance("aa bb")),
                 QStringList({"aa bb", "cc"}));
    }

    void GIVEN_the_help_WHEN_closed_and_shown_again_THEN_the_text_is_visible() {
        w->show();
        auto *text = w->findChild<QPlainTextEdit *>("Text2");
        // The help describes the program as it works now.
        for (const char *said : {"\"Wave\" converte", "Reset Eq.", "Spazio", "Sing-along", "\"Add\"", "\"Undo\""})
            QVERIFY2(text->toPlainText().contains(said), said);
        QVERIFY(!text->toPlainText().contains("disattivati in questa versione"));
        w->findChild<QPushButton *>("Command1")->click();
        QVERIFY(!w->isVisible() && !text->isVisibleTo(w.get()));
        w->show();
        QCOMPARE(windowtest::pictureSum(w.get()), std::size_t(237975238656848561u));
    }
};

QTEST_MAIN(Formp3Test)
#include "test_formp3.moc"
