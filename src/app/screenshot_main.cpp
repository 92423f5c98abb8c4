// qm318-screenshot PROGRAM_FOLDER OUTPUT.png [QUERY]: opens the window on a program folder,
// loads its data file, optionally searches for QUERY, focuses the first row and saves a picture
// of the window. Runs on any Qt platform, the offscreen one included.

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <cstdio>

#include "app/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fputs("usage: qm318-screenshot PROGRAM_FOLDER OUTPUT.png [QUERY]\n", stderr);
        return 2;
    }
    qm318::MainWindow window(argv[1]);
    if (!window.startUp()) return 1;
    window.show();

    QEventLoop loading;
    QObject::connect(&window, &qm318::MainWindow::loadFinished, &loading, &QEventLoop::quit);
    window.findChild<QPushButton*>(QStringLiteral("按钮载入LTA"))->click();
    if (window.isLoading()) loading.exec();

    if (argc > 3) {
        window.findChild<QLineEdit*>(QStringLiteral("编辑框搜索的武器名"))
            ->setText(QString::fromLocal8Bit(argv[3]));
    }
    const QString tableName =
        argc > 3 ? QStringLiteral("超级列表框武器名2") : QStringLiteral("超级列表框武器名1");
    auto* table = window.findChild<QTableView*>(tableName);
    table->setFocus();
    table->selectRow(0);
    QTimer::singleShot(200, &app, &QApplication::quit);  // let the detail and the paint happen
    app.exec();

    if (!window.grab().save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "qm318-screenshot: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
