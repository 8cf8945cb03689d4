#include "lyrics/ui/lrccommands.h"

#include "app/dialogs/dialogs.h"
#include "core/apppaths.h"
#include "core/byteio.h"
#include "lyrics/lrcsong.h"
#include "lyrics/ui/lyricpanel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace cantora::lyrics {

namespace {
constexpr const char *kLrcWorkFile = "SYNCRO.LRC";
}

LrcCommands::LrcCommands(LrcHost host, LyricPanel *page, QWidget *parent)
    : QWidget(parent), host_(std::move(host)), page_(page) {
    setObjectName("lrcCommands");
    CmdLyric = new QPushButton("LRC", this);
    CmdLyric->setObjectName("CmdLyric");
    Mp3K = new QCheckBox("MP3K", this);
    Mp3K->setObjectName("Mp3K");
    static const char *const kOptK[3][3] = {
        {"OptK_0", "NoKar", "NoKaraoke"}, {"OptK_1", "RtKar", "RealTime Karaoke"}, {"OptK_2", "BtKar", "BatchKaraoke"}};
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(CmdLyric);
    row->addWidget(Mp3K);
    for (int i = 0; i < 3; ++i) {
        OptK[i] = new QRadioButton(kOptK[i][1], this);
        OptK[i]->setObjectName(kOptK[i][0]);
        OptK[i]->setToolTip(kOptK[i][2]);
        row->addWidget(OptK[i]);
        connect(OptK[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                OptK_Click(i);
        });
    }
    OptK[0]->setChecked(true);
    // The capture box: one line per captured lyric line, tag first.
    Text2 = new QPlainTextEdit(this);
    Text2->setObjectName("Text2");
    Text2->setReadOnly(true);
    Text2->setMaximumWidth(240);
    Text2->setPlaceholderText("RtKar: the lines captured while playing");
    Text2->setVisible(false);
    Mmp3 = new QAction("&LRC Creator", this);
    Mmp3->setObjectName("Mmp3");

    connect(CmdLyric, &QPushButton::clicked, this, &LrcCommands::CmdLyric_Click);
    connect(Mmp3, &QAction::triggered, this, [this] { Lrc_batch(); });
    // The capture box takes room from the lyrics only while capturing is on.
    connect(Mp3K, &QCheckBox::toggled, this, [this](bool on) {
        if (host_.captureChosen)
            host_.captureChosen(on);
        Text2->setVisible(on);
    });
}

bool LrcCommands::capturing() const { return Mp3K->isChecked(); }

void LrcCommands::OptK_Click(int index) {
    if (index < 0 || index > 2)
        return;
    OptK[index]->setChecked(true);
    Mp3K->setChecked(index == 1);
}

void LrcCommands::songOpening() {
    capture_.reset();
    Text2->clear();
    // The karaoke choice goes back to "NoKar" for every new song; the MP3K box
    // keeps its tick (the user sees and changes it himself), so a capture
    // chosen before Open still runs.
    const QSignalBlocker keep(OptK[0]);
    OptK[0]->setChecked(true);
}

bool LrcCommands::makeLrc(const std::string &target) {
    auto &dlg = dialogs::Dialogs::current();
    const std::string song = host_.song();
    if (song.empty()) {
        dlg.msgBox(this, "Open a song first: its LRC is made from its lyrics.", dialogs::Exclamation, "LRC");
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    LrcSongError error = LrcSongError::None;
    // The lines follow the song as it plays and converts: at the tempo slider's tempo.
    LrcOptions options;
    if (host_.tempoFactor)
        options.tempoFactor = host_.tempoFactor();
    const std::string bytes = songLrc(song, msPerTick_, lrcState_, error, options);
    const std::string why = error == LrcSongError::None ? core::writeWholeFile(target, bytes) : std::string();
    QApplication::restoreOverrideCursor();
    if (error != LrcSongError::None) {
        dlg.msgBox(this, song + ": " + lrcSongErrorText(error) + "; no LRC was written.", dialogs::Exclamation, "LRC");
        return false;
    }
    if (!why.empty()) {
        dlg.msgBox(this, "Cannot write " + why, dialogs::Exclamation, "LRC");
        return false;
    }
    return true;
}

void LrcCommands::CmdLyric_Click() { makeLrc(core::appFile(kLrcWorkFile)); }

void LrcCommands::conversionStarting() {
    if (OptK[2]->isChecked())
        makeLrc(core::appFile(kLrcWorkFile));
}

void LrcCommands::Lrc_batch() {
    dialogs::FileRequest req;
    req.title = "Save Lrc File";
    req.filter = "File Syncro (Lrc File (*.lrc)|*.lrc";
    const dialogs::FileResult res = dialogs::Dialogs::current().showSave(this, req);
    host_.holdSong(true);
    if (res.cancelled() || res.path.empty())
        return;
    const bool written = makeLrc(res.path);
    if (written)
        host_.closeSong();
    host_.holdSong(false);
    if (written)
        dialogs::Dialogs::current().msgBox(this, "Done! LRC Creator", dialogs::OkOnly, "Cantora Professional");
}

void LrcCommands::songStopped() {
    if (!Mp3K->isChecked())
        return;
    if (const std::string why = core::writeWholeFile(core::appFile(kLrcWorkFile), capture_.fileBytes()); !why.empty())
        dialogs::Dialogs::current().msgBox(this, "Cannot write " + why, dialogs::Exclamation, "LRC");
}

void LrcCommands::captureReached(const std::string &text) {
    if (capture_.onMark(text, host_.positionSeconds())) {
        // One captured line more in the box; its CR LF becomes the box's line end.
        QString line = QString::fromStdString(LrcCapture::entryText(capture_.entries().back()));
        line.replace("\r\n", "\n");
        Text2->moveCursor(QTextCursor::End);
        Text2->insertPlainText(line);
    }
    page_->showCapturePage(capture_.page());
}

} // namespace cantora::lyrics
