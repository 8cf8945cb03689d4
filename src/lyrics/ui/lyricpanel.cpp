#include "lyrics/ui/lyricpanel.h"

#include "lyrics/ui/singalongview.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace cantora::lyrics {

LyricPanel::LyricPanel(QWidget *parent) : QGroupBox(" Lyrics ", parent) {
    setObjectName("frameLyrics");
    setStyleSheet(
        "QGroupBox#frameLyrics { background: #10163a; border: 2px solid #3a4a9a; border-radius: 8px;"
        " margin-top: 14px; color: #d8dcff; font-weight: bold; }"
        "QGroupBox#frameLyrics::title { subcontrol-origin: margin; left: 14px; padding: 0 4px; color: #1c2660; }");

    lblLyrics = new QLabel(this);
    lblLyrics->setObjectName("lblLyrics");
    lblLyrics->setAlignment(Qt::AlignCenter);
    lblLyrics->setWordWrap(true);
    lblLyrics->setTextFormat(Qt::PlainText);
    lblLyrics->setStyleSheet("color: #ffffff; background: transparent;");
    QFont big = lblLyrics->font();
    big.setPointSize(kPagePoints);
    big.setBold(true);
    lblLyrics->setFont(big);
    // Two lines of the page at least, on a small screen too. The room it is
    // given decides its font, never the other way round.
    lblLyrics->setMinimumHeight(2 * QFontMetrics(big).lineSpacing());
    lblLyrics->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    lblLyrics->installEventFilter(this);

    Label12 = new QLabel(this);
    Label12->setObjectName("Label12");
    Label12->setAlignment(Qt::AlignCenter);
    Label12->setTextFormat(Qt::PlainText);
    Label12->setStyleSheet("color: #ffd84a; background: transparent;");
    QFont mid = Label12->font();
    mid.setPointSize(16);
    Label12->setFont(mid);

    singAlongOffer_ = new QPushButton("Sing-along view", this);
    singAlongOffer_->setObjectName("cmdSingAlong");
    singAlongOffer_->setToolTip("The page does not fit here: show the lyrics as sing-along lines");
    singAlongOffer_->hide();
    connect(singAlongOffer_, &QPushButton::clicked, this, &LyricPanel::singAlongWanted);

    singAlong_ = new SingAlongView(this);
    singAlong_->hide();

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(Label12, 1);
    bottom->addWidget(singAlongOffer_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblLyrics, 1);
    layout->addLayout(bottom);
    layout->addWidget(singAlong_, 1);
}

bool LyricPanel::eventFilter(QObject *watched, QEvent *event) {
    if (watched == lblLyrics && event->type() == QEvent::Resize)
        fitPage();
    return QGroupBox::eventFilter(watched, event);
}

void LyricPanel::fitPage() {
    const QRect room = lblLyrics->contentsRect();
    const QString page = lblLyrics->text();
    QFont font = lblLyrics->font();
    bool fits = false;
    for (int points = kPagePoints; points >= kLeastPagePoints && !fits; --points) {
        font.setPointSize(points);
        const QRect needed =
            QFontMetrics(font).boundingRect(QRect(0, 0, room.width(), 1 << 20), Qt::TextWordWrap, page);
        fits = needed.width() <= room.width() && needed.height() <= room.height();
    }
    if (font != lblLyrics->font())
        lblLyrics->setFont(font);
    singAlongOffer_->setVisible(!fits && view_ == LyricView::Classic);
}

void LyricPanel::setView(LyricView view) {
    view_ = view;
    const bool sing = view == LyricView::SingAlong;
    lblLyrics->setVisible(!sing);
    Label12->setVisible(!sing);
    singAlong_->setVisible(sing);
    if (sing)
        singAlongOffer_->hide();
    else
        fitPage();
}

void LyricPanel::markReached(const std::string &text, std::int32_t tick) {
    if (!applyMark(state_, text, tick))
        return;
    showPage();
    // The syllable as sung: its break character is no text.
    Label12->setText(QString::fromStdString(std::string(withoutBreak(state_.LastSyllable))));
}

void LyricPanel::clearPage() {
    lyrics::clearPage(state_);
    lblLyrics->clear();
    fitPage();
}

void LyricPanel::clearSyllable() { Label12->clear(); }

void LyricPanel::showPage() { showCapturePage(state_.LyricPage); }

void LyricPanel::showCapturePage(const std::string &text) {
    // The page keeps CR LF between lines; the label wants plain line feeds.
    QString page = QString::fromStdString(text);
    page.replace("\r\n", "\n");
    lblLyrics->setText(page);
    fitPage();
}

} // namespace cantora::lyrics
