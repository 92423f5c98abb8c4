// qm318-gui: the weapon table window.

#include <QApplication>

#include "app/main_window.h"
#include "platform/file_system.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qm318::MainWindow window(qm318::programFolder());
    if (!window.startUp()) return 0;
    window.show();
    return app.exec();
}
