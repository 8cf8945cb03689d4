#pragma once
// The help window: the built-in help text, a button that prints the
// read-me file of the application folder and a button that closes it.

#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

class QFontMetrics;
class QPlainTextEdit;
class QPrinter;
class QPushButton;

namespace cantora::help {

class formp3 : public QWidget {
    Q_OBJECT
public:
    // One line as it went to the printer.
    struct PrintedLine {
        int pointSize;
        QString text;
    };

    explicit formp3(QWidget *owner = nullptr);

    // CmdPrint: the printer warning, the read-me, the printer dialog, the job.
    void CmdPrint_Click();
    // Command1: hides the text and closes the window.
    void Command1_Click();

    // Prints `text` on `printer`: a blank 18-point line 4000 twips down the
    // page, then the text at 12 points, each line wrapped to the page width.
    // Returns the rows sent, empty when the printer could not start.
    static std::vector<PrintedLine> printText(QPrinter &printer, const QString &text);

    // `line` cut into rows no wider than `width` in `fm`, at blanks where it can.
    static QStringList wrapToWidth(const QString &line, const QFontMetrics &fm, int width);

    // The lines of the last print job (tests).
    const std::vector<PrintedLine> &lastPrint() const { return lastPrint_; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QPlainTextEdit *Text2;
    QPushButton *CmdPrint;
    QPushButton *Command1;
    std::vector<PrintedLine> lastPrint_;
};

} // namespace cantora::help
