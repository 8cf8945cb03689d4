#include "player/ui/channelstrips.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace cantora::player {

ChannelStrips::ChannelStrips(QWidget *parent) : QWidget(parent) {
    setObjectName("channelStrips");
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    for (int c = 0; c < 16; ++c) {
        auto *strip = new QFrame(this);
        strip->setObjectName(QString("strip_%1").arg(c));
        strip->setFrameShape(QFrame::StyledPanel);
        strip->setFixedWidth(64);
        auto *col = new QVBoxLayout(strip);
        col->setContentsMargins(3, 3, 3, 3);
        col->setSpacing(2);

        // Channels are numbered from 1 for the user; the drum channel is 10.
        auto *number = new QLabel(QString::number(c + 1), strip);
        number->setAlignment(Qt::AlignCenter);
        QFont bold = number->font();
        bold.setBold(true);
        number->setFont(bold);

        auto *name = new QLabel(strip);
        name->setObjectName(QString("Label3_%1").arg(c));
        name->setAlignment(Qt::AlignCenter);
        name->setWordWrap(true);
        name->setMinimumHeight(30);
        QFont small = name->font();
        small.setPointSize(7);
        name->setFont(small);

        auto *sf2 = new QPushButton("SF2", strip);
        sf2->setObjectName(QString("CmdSF2_%1").arg(c));
        sf2->setFixedWidth(50);
        sf2->setToolTip(QString("SoundFont for channel %1").arg(c + 1));
        connect(sf2, &QPushButton::clicked, this, [this, c] { emit soundFontClicked(c); });

        col->addWidget(number);
        col->addWidget(name);
        col->addWidget(sf2);
        row->addWidget(strip);
        label3_[static_cast<std::size_t>(c)] = name;
        cmdSF2_[static_cast<std::size_t>(c)] = sf2;
    }

    auto *drums = new QVBoxLayout;
    lstDrum_ = new QListWidget(this);
    lstDrum_->setObjectName("LstDrum");
    lstDrum_->setMaximumWidth(150);
    lstDrum_->setMaximumHeight(90);
    lstDrum_->hide();
    cmdDrum_ = new QPushButton("Drum Kit", this);
    cmdDrum_->setObjectName("CmdDrum");
    cmdDrum_->hide();
    drums->addWidget(lstDrum_);
    drums->addWidget(cmdDrum_);
    row->addLayout(drums);

    connect(lstDrum_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { emit drumKitClicked(lstDrum_->row(item)); });
    connect(cmdDrum_, &QPushButton::clicked, this, &ChannelStrips::drumButtonClicked);
}

} // namespace cantora::player
