#include "tags/ui/lyricstamppanel.h"

#include "playback/ui/frmlyrics.h"
#include "tags/ui/tagfieldspanel.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace cantora::tags {

namespace {

QString q(const std::string &s) { return QString::fromStdString(s); }
std::string s(const QString &t) { return t.toStdString(); }

// Byte offset in the UTF-8 form of `text` of character position `pos`, and back.
std::size_t byteOffset(const QString &text, int pos) {
    return static_cast<std::size_t>(text.left(pos).toUtf8().size());
}
int charOffset(const std::string &utf8, std::size_t bytes) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(std::min(bytes, utf8.size()))).size();
}

} // namespace

LyricStampPanel::LyricStampPanel(playback::Mp3Player &player, QWidget *parent) : QWidget(parent), player_(player) {
    setObjectName("lyricStampPanel");
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    txtLyrics = new QPlainTextEdit(this);
    txtLyrics->setObjectName("txtLyrics");
    txtLyrics->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtLyrics->installEventFilter(this);
    column->addWidget(txtLyrics, 1);
    auto *stampRow = new QHBoxLayout;
    cmdAdd = new QPushButton("Add", this);
    cmdAdd->setObjectName("cmdAdd");
    cmdUndo = new QPushButton("Undo", this);
    cmdUndo->setObjectName("cmdUndo");
    cmdUndo->setEnabled(false);
    connect(cmdAdd, &QPushButton::clicked, this, &LyricStampPanel::cmdAdd_Click);
    connect(cmdUndo, &QPushButton::clicked, this, &LyricStampPanel::cmdUndo_Click);
    stampRow->addWidget(cmdAdd);
    stampRow->addWidget(cmdUndo);
    stampRow->addStretch(1);
    column->addLayout(stampRow);
    LyricsRef = new QListWidget(this);
    LyricsRef->setObjectName("LyricsRef");
    LyricsRef->setMaximumHeight(90);
    column->addWidget(LyricsRef);
    undo_.Reset();
}

std::string LyricStampPanel::lyricText() const { return s(txtLyrics->toPlainText()); }

void LyricStampPanel::setLyricText(const std::string &text) { txtLyrics->setPlainText(q(WithLf(text))); }

void LyricStampPanel::resetUndo() {
    undo_.Reset();
    cmdUndo->setEnabled(false);
}

void LyricStampPanel::focusLyrics() { txtLyrics->setFocus(); }

void LyricStampPanel::cmdAdd_Click() {
    if (player_.State() == playback::PlayState::Stopped)
        return;
    const QString before = txtLyrics->toPlainText();
    const std::string text = s(before);
    const Stamped st =
        AddStamp(text, byteOffset(before, txtLyrics->textCursor().position()), player_.CurrentPosition());
    txtLyrics->setPlainText(q(st.text));
    undo_.PushUndo(static_cast<std::int32_t>(st.insertedAt));
    cmdUndo->setEnabled(true);
    QTextCursor c = txtLyrics->textCursor();
    c.setPosition(charOffset(st.text, st.caret));
    txtLyrics->setTextCursor(c);
    if (!txtLyrics->toPlainText().isEmpty())
        txtLyrics->setFocus();
    emit edited();
}

void LyricStampPanel::cmdUndo_Click() {
    if (const std::optional<std::int32_t> pos = undo_.PopUndo()) {
        const QString before = txtLyrics->toPlainText();
        const std::string text = s(before);
        const std::string after = RemoveStamp(text, static_cast<std::size_t>(*pos));
        if (after != text) {
            txtLyrics->setPlainText(q(after));
            QTextCursor c = txtLyrics->textCursor();
            c.setPosition(charOffset(after, static_cast<std::size_t>(*pos)));
            txtLyrics->setTextCursor(c);
        }
    }
    txtLyrics->setFocus();
    if (undo_.Count() == 0)
        cmdUndo->setEnabled(false);
}

void LyricStampPanel::Show_Lyrics(playback::frmLyrics *shown, bool open) {
    const std::vector<std::string> entries = LyricEntries(lyricText());
    if (entries.empty())
        return;
    LyricsRef->clear();
    if (shown)
        shown->LyricsRef()->clear();
    for (const std::string &e : entries) {
        LyricsRef->addItem(q(e));
        if (shown)
            shown->LyricsRef()->addItem(q(e));
    }
    lyricIndex_ = 0;
    if (shown && open)
        shown->Order_lblLyrics();
}

void LyricStampPanel::FollowLyrics(QPointer<playback::frmLyrics> shown) {
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(LyricsRef->count()));
    for (int i = 0; i < LyricsRef->count(); ++i)
        entries.push_back(s(LyricsRef->item(i)->text()));
    lyricIndex_ = tags::FollowLyrics(
        player_.lblTiempoT(), entries, lyricIndex_,
        [shown] {
            if (shown)
                shown->Move_Next_Focus_Lyrics();
        },
        [shown] {
            if (shown)
                shown->Move_Previous_Focus_Lyrics();
        });
}

void LyricStampPanel::clearEntries() { LyricsRef->clear(); }

bool LyricStampPanel::eventFilter(QObject *watched, QEvent *event) {
    if (watched == txtLyrics && event->type() == QEvent::KeyRelease && isEditKey(static_cast<QKeyEvent *>(event)))
        emit edited();
    return QWidget::eventFilter(watched, event);
}

} // namespace cantora::tags
