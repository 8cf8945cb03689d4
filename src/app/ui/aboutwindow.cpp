#include "app/ui/aboutwindow.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace cantora::app {

AboutWindow::AboutWindow(QWidget *owner) : QDialog(owner) {
    setObjectName("frmAbout");
    setWindowTitle("About");
    auto *title = new QLabel("Cantora KARAOKE", this);
    title->setObjectName("lblTitle");
    QFont f = title->font();
    f.setPointSize(20);
    f.setBold(true);
    title->setFont(f);
    auto *version = new QLabel("Version " CANTORA_APP_VERSION, this);
    version->setObjectName("lblVersion");
    auto *desc = new QLabel("MIDI karaoke player, SoundFont synthesis, WAV and MP3 karaoke studio.", this);
    desc->setObjectName("lblDescription");
    desc->setWordWrap(true);
    auto *licence = new QLabel("GPL-3.0-or-later", this);
    licence->setObjectName("lblLicence");
    auto *ok = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(ok, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    for (QWidget *w : {static_cast<QWidget *>(title), static_cast<QWidget *>(version), static_cast<QWidget *>(desc),
                       static_cast<QWidget *>(licence), static_cast<QWidget *>(ok)})
        layout->addWidget(w);
}

} // namespace cantora::app
