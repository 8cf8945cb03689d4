#include "playback/ui/frmlyrics.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace cantora::playback {

namespace {
// The window's own colours: light lines on a dark night-blue strip, so that
// the red focus line and the blue sung lines stand out from across a room.
const QColor kStripBackground(0x12, 0x16, 0x24);
const QColor kBand(0x26, 0x2d, 0x45);
const QColor kNormalLine(0xf4, 0xf0, 0xe4);
constexpr int kLyricsPointSize = 14;

void setForeground(QWidget *w, const QColor &c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

void setBackground(QWidget *w, const QColor &c) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void setBold(QLabel *l, bool bold) {
    QFont f = l->font();
    f.setBold(bold);
    l->setFont(f);
}
} // namespace

const QString frmLyrics::kCaption = QString(32, ' ') + "Orvane  Mp3 Karaoke";

QColor colorFromRef(std::uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

std::uint32_t refFromColor(const QColor &c) {
    return std::uint32_t(c.red()) | std::uint32_t(c.green()) << 8 | std::uint32_t(c.blue()) << 16;
}

frmLyrics::frmLyrics(const LyricsWindowLoad &load, bool &lyricsWindowOpen, QWidget *parent)
    : QWidget(parent, Qt::Window), lyricsWindowOpen_(lyricsWindowOpen), strip_(0) {
    setObjectName("frmLyrics");
    setWindowTitle(kCaption);
    setAttribute(Qt::WA_DeleteOnClose); // closing unloads
    setBackground(this, kStripBackground.darker(130));

    LyricsRef_ = new QListWidget(this);
    LyricsRef_->setObjectName("LyricsRef");
    LyricsRef_->hide();

    Lblyr = new QLabel(this);
    Lblyr->setObjectName("Lblyr");
    setForeground(Lblyr, QColor(0xff, 0xb0, 0x40));
    lblTitle = new QLabel(this);
    lblTitle->setObjectName("lblTitle");
    lblArtist = new QLabel(this);
    lblArtist->setObjectName("lblArtist");
    lblAlbum = new QLabel(this);
    lblAlbum->setObjectName("lblAlbum");
    QFont big = font();
    big.setPointSize(18);
    big.setBold(true);
    lblTitle->setFont(big);
    setForeground(lblTitle, kNormalLine);
    for (QLabel *l : {lblArtist, lblAlbum}) {
        QFont f = font();
        f.setPointSize(12);
        l->setFont(f);
        setForeground(l, kNormalLine.darker(125));
    }

    // The frame round the strip; its border colour is the normal line colour.
    shpFocus = new QFrame(this);
    shpFocus->setObjectName("shpFocus");
    shpFocus->setFrameShape(QFrame::Box);
    shpFocus->setLineWidth(2);
    QPalette fp = shpFocus->palette();
    fp.setColor(QPalette::WindowText, kNormalLine);
    shpFocus->setPalette(fp);

    picBody = new QWidget(shpFocus);
    picBody->setObjectName("picBody");
    picBody->installEventFilter(this);
    auto *frameLayout = new QVBoxLayout(shpFocus);
    frameLayout->setContentsMargins(2, 2, 2, 2);
    frameLayout->addWidget(picBody);

    lblNoLyrics = new QLabel("[ no lyrics found ]", picBody);
    lblNoLyrics->setObjectName("lblNoLyrics");
    lblNoLyrics->setAlignment(Qt::AlignCenter);

    picLyrics = new QWidget(picBody);
    picLyrics->setObjectName("picLyrics");
    setBackground(picLyrics, kStripBackground);
    picLyrics->setGeometry(0, 0, 0, 0);

    focusBand = new QWidget(picLyrics);
    focusBand->setObjectName("focusBand");
    setBackground(focusBand, kBand);
    focusBand->hide();

    auto *first = new QLabel(picLyrics);
    first->setObjectName("lblLyrics_0");
    first->setIndent(16);
    first->hide();
    lblLyrics.push_back(first);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 14);
    layout->setSpacing(2);
    layout->addWidget(Lblyr);
    layout->addWidget(lblTitle);
    layout->addWidget(lblArtist);
    layout->addWidget(lblAlbum);
    layout->addSpacing(8);
    layout->addWidget(shpFocus, 1);

    // --- Load ---------------------------------------------------------------
    lyricsWindowOpen_ = true;
    setBackground(picBody, picLyrics->palette().color(QPalette::Window));
    setForeground(lblNoLyrics, shpFocus->palette().color(QPalette::WindowText));
    if (!load.hasLyricsMarker)
        Lblyr->setText("No lyrics found!");
    Lblyr->setVisible(!Lblyr->text().isEmpty()); // no empty row above the title
    lblTitle->setText(load.title);
    lblArtist->setText(load.artist);
    lblAlbum->setText(load.album);
    Order_lblLyrics();
    QFont f = first->font();
    f.setPointSize(kLyricsPointSize);
    first->setFont(f);
    // Every line as high as line 0 in bold, with room between the lines.
    f.setBold(true);
    first->setFixedHeight(QFontMetrics(f).height() * 8 / 5);
    strip_ = LyricsStrip(first->height());

    resize(620, 200 + kLinesPerPage * first->height());
    setMinimumSize(320, 160 + 3 * first->height());
}

frmLyrics::~frmLyrics() {
    lyricsWindowOpen_ = false; // unload
}

void frmLyrics::closeEvent(QCloseEvent *event) {
    lyricsWindowOpen_ = false;
    QWidget::closeEvent(event);
}

QLabel *frmLyrics::label(std::size_t i) {
    while (lblLyrics.size() <= i) {
        // A new element takes over the current properties of element 0.
        QLabel *zero = lblLyrics[0];
        auto *l = new QLabel(picLyrics);
        l->setObjectName(QString("lblLyrics_%1").arg(lblLyrics.size()));
        l->setFont(zero->font());
        l->setPalette(zero->palette());
        l->setIndent(zero->indent());
        l->setFixedHeight(zero->height());
        lblLyrics.push_back(l);
    }
    return lblLyrics[i];
}

void frmLyrics::Order_lblLyrics() {
    std::vector<std::string> entries;
    for (int i = 0; i < LyricsRef_->count(); ++i)
        entries.push_back(LyricsRef_->item(i)->text().toStdString());
    strip_.Order_lblLyrics(entries, refFromColor(lblNoLyrics->palette().color(QPalette::WindowText)));
    showStrip();
}

void frmLyrics::Move_Next_Focus_Lyrics() {
    strip_.Move_Next_Focus_Lyrics();
    showStrip();
}

void frmLyrics::Move_Previous_Focus_Lyrics() {
    strip_.Move_Previous_Focus_Lyrics();
    showStrip();
}

void frmLyrics::showStrip() {
    const int width = picBody->width();
    const auto &records = strip_.labels();
    for (std::size_t i = 0; i < records.size(); ++i) {
        const LyricLabel &r = records[i];
        QLabel *l = label(i);
        l->setText(QString::fromStdString(r.caption));
        setForeground(l, colorFromRef(r.color));
        setBold(l, r.bold);
        l->setGeometry(0, r.top, width, r.height);
        l->setVisible(r.visible);
    }
    picLyrics->setGeometry(0, strip_.stripTop(), width, strip_.stripHeight());
    // The design-time notice lies behind the strip; a short song must not
    // leave it showing under the last line.
    lblNoLyrics->setVisible(strip_.LineCount() == 0);
    if (strip_.LineCount() > 0 && strip_.FocusIndex() < static_cast<int>(records.size())) {
        const LyricLabel &focus = records[static_cast<std::size_t>(strip_.FocusIndex())];
        focusBand->setGeometry(0, focus.top, width, focus.height);
        focusBand->show();
        focusBand->lower();
    } else {
        focusBand->hide();
    }
}

bool frmLyrics::eventFilter(QObject *watched, QEvent *event) {
    if (watched == picBody && event->type() == QEvent::Resize) {
        lblNoLyrics->setGeometry(0, 0, picBody->width(), picBody->height());
        showStrip();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace cantora::playback
