#pragma once
// The About window: fixed texts.

#include <QDialog>

namespace cantora::app {

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget *owner = nullptr);
};

} // namespace cantora::app
