#include "lyrics/ui/lyricpanel.h"

#include "lyrics/ui/singalongview.h"

#include <QFontMetrics>
#include <QLabel>
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
    big.setPointSize(32);
    big.setBold(true);
    lblLyrics->setFont(big);
    // Two lines of the page at least, on a small screen too.
    lblLyrics->setMinimumHeight(2 * QFontMetrics(big).lineSpacing());

    Label12 = new QLabel(this);
    Label12->setObjectName("Label12");
    Label12->setAlignment(Qt::AlignCenter);
    Label12->setTextFormat(Qt::PlainText);
    Label12->setStyleSheet("color: #ffd84a; background: transparent;");
    QFont mid = Label12->font();
    mid.setPointSize(16);
    Label12->setFont(mid);

    singAlong_ = new SingAlongView(this);
    singAlong_->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblLyrics, 1);
    layout->addWidget(Label12);
    layout->addWidget(singAlong_, 1);
}

void LyricPanel::setView(LyricView view) {
    view_ = view;
    const bool sing = view == LyricView::SingAlong;
    lblLyrics->setVisible(!sing);
    Label12->setVisible(!sing);
    singAlong_->setVisible(sing);
}

void LyricPanel::markReached(const std::string &text, std::int32_t tick) {
    if (!applyMark(state_, text, tick))
        return;
    showPage();
    Label12->setText(QString::fromStdString(state_.LastSyllable));
}

void LyricPanel::clearPage() {
    lyrics::clearPage(state_);
    lblLyrics->clear();
}

void LyricPanel::showPage() { showCapturePage(state_.LyricPage); }

void LyricPanel::showCapturePage(const std::string &text) {
    // The page keeps CR LF between lines; the label wants plain line feeds.
    QString page = QString::fromStdString(text);
    page.replace("\r\n", "\n");
    lblLyrics->setText(page);
}

} // namespace cantora::lyrics
