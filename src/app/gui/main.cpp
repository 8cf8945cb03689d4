// cantora: the karaoke studio's main window.
#include <QApplication>
#include <QLabel>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QLabel placeholder("Cantora");
    placeholder.show();
    return app.exec();
}
