#include "help/ui/formp3.h"

#include "app/dialogs/dialogs.h"
#include "core/apppaths.h"
#include "core/textcodec.h"
#include "help/helptext.h"
#include "help/readme.h"

#include <QFile>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace cantora::help {

namespace {

QString readmePath() { return QString::fromStdString(core::appFile(kReadmeFile)); }

} // namespace

formp3::formp3(QWidget *owner) : QWidget(owner, Qt::Window) {
    setObjectName("formp3");
    setWindowTitle("Help");
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(640, 560);

    Text2 = new QPlainTextEdit(this);
    Text2->setObjectName("Text2");
    Text2->setReadOnly(true);
    Text2->setPlainText(QString::fromUtf8(helpText()));
    QFont f = Text2->font();
    f.setPointSize(11);
    Text2->setFont(f);

    CmdPrint = new QPushButton(this);
    CmdPrint->setObjectName("CmdPrint");
    CmdPrint->setIcon(QIcon::fromTheme("document-print", style()->standardIcon(QStyle::SP_FileDialogDetailedView)));
    CmdPrint->setToolTip("Stampa leggimi.txt");
    CmdPrint->setIconSize(QSize(32, 32));

    Command1 = new QPushButton(this);
    Command1->setObjectName("Command1");
    Command1->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    Command1->setToolTip("Chiudi");
    Command1->setIconSize(QSize(32, 32));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdPrint);
    buttons->addWidget(Command1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Text2, 1);
    layout->addLayout(buttons);

    connect(CmdPrint, &QPushButton::clicked, this, &formp3::CmdPrint_Click);
    connect(Command1, &QPushButton::clicked, this, &formp3::Command1_Click);
}

void formp3::showEvent(QShowEvent *event) {
    Text2->setVisible(true);
    QWidget::showEvent(event);
}

void formp3::Command1_Click() {
    Text2->setVisible(false);
    close();
}

void formp3::CmdPrint_Click() {
    auto &dlg = dialogs::Dialogs::current();
    dlg.msgBox(this, "Controllare la Stampante", dialogs::OkOnly, "SingFont");

    // A missing or unreadable read-me prints an empty page.
    QByteArray bytes;
    QFile file(readmePath());
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    std::string text = readmeText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));

    QPrinter printer(QPrinter::HighResolution);
    // Cancel in the printer dialog prints nothing.
    lastPrint_.clear();
    if (!dlg.showPrinter(this, printer))
        return;
    // The read-me is 8-bit text: UTF-8 when it is valid UTF-8, else CP1252.
    lastPrint_ = printText(printer, QString::fromStdString(core::toUtf8(text)));
}

QStringList formp3::wrapToWidth(const QString &line, const QFontMetrics &fm, int width) {
    QStringList rows;
    QString rest = line;
    while (fm.horizontalAdvance(rest) > width && rest.size() > 1) {
        // The longest head that fits, broken after a blank when there is one.
        qsizetype fit = 1;
        while (fit < rest.size() && fm.horizontalAdvance(rest.left(fit + 1)) <= width)
            ++fit;
        qsizetype cut = rest.lastIndexOf(' ', fit);
        if (cut <= 0)
            cut = fit;
        rows << rest.left(cut);
        rest = rest.mid(cut);
        // The blank a row was broken at starts no row.
        while (rest.startsWith(' '))
            rest.remove(0, 1);
    }
    rows << rest;
    return rows;
}

std::vector<formp3::PrintedLine> formp3::printText(QPrinter &printer, const QString &text) {
    std::vector<PrintedLine> sent;
    QPainter painter;
    if (!painter.begin(&printer))
        return sent;
    const double dpi = painter.device()->logicalDpiY();
    const int pageHeight = painter.device()->height();
    // The first line starts 4000 twips (1/1440 inch) down the printable area.
    double y = 4000.0 / 1440.0 * dpi;

    const int pageWidth = painter.device()->width();
    auto printRow = [&](int pointSize, const QString &row, const QFontMetrics &fm) {
        if (y + fm.height() > pageHeight) {
            printer.newPage();
            y = 0;
        }
        painter.drawText(QPointF(0, y + fm.ascent()), row);
        y += fm.lineSpacing();
        sent.push_back({pointSize, row});
    };
    auto printLine = [&](int pointSize, const QString &line) {
        QFont font("Sans Serif");
        font.setPointSize(pointSize);
        painter.setFont(font);
        QFontMetrics fm(font, painter.device());
        for (const QString &row : wrapToWidth(line, fm, pageWidth))
            printRow(pointSize, row, fm);
    };

    printLine(18, QString());
    QStringList lines = text.split("\r\n");
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (const QString &line : lines)
        printLine(12, line);
    painter.end();
    return sent;
}

} // namespace cantora::help
