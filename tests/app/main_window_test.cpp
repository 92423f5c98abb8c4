// The real window on the offscreen platform: start-up paths, load, search, detail, save, resize.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <optional>

#include "app/main_window.h"
#include "support/temp_dir.h"
#include "text/encoding.h"

using qm318::MainWindow;
using qm318::test_support::readBytes;
using qm318::test_support::TempDir;

namespace {

struct Message {
    QString caption;
    QString text;
};

// Reads and closes every message box the window shows while it is alive, so none blocks a test;
// answers a folder dialog with the folder it was given, or cancels it.
class MessageWatcher {
public:
    MessageWatcher() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                messages_.push_back({box->windowTitle(), box->text()});
                box->accept();
            } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                dialogTitles_ << dialog->windowTitle();
                if (folderToChoose_.isEmpty()) {
                    dialog->reject();
                } else {
                    dialog->selectFile(folderToChoose_);
                    static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it
                }
            }
        });
        timer_.start(5);
    }
    void chooseFolder(const std::filesystem::path& folder) {
        folderToChoose_ = QString::fromStdString(folder.string());
    }
    const QStringList& dialogTitles() const { return dialogTitles_; }
    const std::vector<Message>& messages() const { return messages_; }
    QStringList texts() const {
        QStringList all;
        for (const Message& m : messages_)
            all << m.text;
        return all;
    }

private:
    QTimer timer_;
    std::vector<Message> messages_;
    QStringList dialogTitles_;
    QString folderToChoose_;
};

// GBK bytes of a UTF-8 text, for fixture files.
std::string gbk(const char* utf8) {
    return qm318::utf16ToMultiByte(QString::fromUtf8(utf8).toStdU16String(), 936, true);
}

constexpr const char* kData =
    "; preamble\n"
    "(Weapon\n (WeaponName \"AK47-黄金\" )\n (WeaponIndex 1 )\n (WeaponClass 3 )\n)\n"
    "(Weapon\n (WeaponName \"M4A1\" )\n (WeaponIndex 2 )\n (WeaponClass 4 )\n)\n"
    "(Weapon\n (WeaponName \"ak-火麒麟\" )\n (WeaponIndex 12 )\n (WeaponClass 3 )\n"
    " (PViewModelFileName \"Models\\PLAYERVIEW\\PV-AK\" )\n)\n";

// A program folder with a data file, a REZ tree and a settings file pointing at it.
struct ProgramFolder {
    TempDir dir;
    std::filesystem::path rez = dir.path() / "rez";
    std::filesystem::path settings = dir.path() / "REZ解包路径.txt";

    explicit ProgramFolder(bool withData = true, bool withRezSetting = true) {
        if (withData) dir.write("QM318.LTA", gbk(kData));
        std::filesystem::create_directories(rez / "models" / "character");
        dir.write("rez/DUST2.DAT", "x");
        dir.write("rez/models/character/m-motion.ltb", "x");
        std::filesystem::create_directories(rez / "models" / "playerview");
        dir.write("rez/models/playerview/pv-ak.ltb", "model");
        if (withRezSetting) dir.write(settings.filename().string(), rez.string());
    }
};

template <typename T>
T* child(const MainWindow& window, const char* name) {
    T* widget = window.findChild<T*>(QString::fromUtf8(name));
    if (widget == nullptr) qFatal("no control %s", name);
    return widget;
}

void loadAndWait(MainWindow& window) {
    QSignalSpy finished(&window, &MainWindow::loadFinished);
    child<QPushButton>(window, "按钮载入LTA")->click();
    QVERIFY(finished.wait(10000));
}

QString cell(const QTableView* table, int row, int column) {
    return table->model()->index(row, column).data().toString();
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void endsWithAMessageWhenTheDataFileIsMissing() {
        ProgramFolder folder(false, false);
        MessageWatcher watcher;
        MainWindow window(folder.dir.path());
        QVERIFY(!window.startUp());
        QCOMPARE(watcher.texts(),
                 QStringList{QStringLiteral("请先把 QM318.LTA 和软件放再同一目录下")});
        QCOMPARE(watcher.messages()[0].caption, QStringLiteral("信息："));
        QVERIFY(!std::filesystem::exists(folder.settings));
    }

    void firstStartWritesTheDefaultSettingAndWarns() {
        ProgramFolder folder(false, false);
        std::filesystem::create_directory(folder.dir.path() / "QM318.LTA");  // a folder counts
        MessageWatcher watcher;
        MainWindow window(folder.dir.path());
        QVERIFY(window.startUp());
        QCOMPARE(readBytes(folder.settings), gbk("请先输入REZ解包路径 点击保存"));
        QCOMPARE(child<QLineEdit>(window, "编辑框_REZ解包路径")->text(),
                 QStringLiteral("请先输入REZ解包路径 点击保存"));
        QCOMPARE(watcher.texts(),
                 QStringList{QStringLiteral(
                     "REZ解包路径不正确 没有找到DUST2.DAT \n请重新设置REZ解包路径")});
        QCOMPARE(watcher.messages()[0].caption, QStringLiteral("REZ解包路径"));
        QCOMPARE(window.rezRoot(), std::string());
        QCOMPARE(window.windowTitle(), QStringLiteral("QM318读取工具 v1.1     BY:青石匠"));
    }

    void startsQuietlyWithAValidRezPath() {
        ProgramFolder folder;
        MessageWatcher watcher;
        MainWindow window(folder.dir.path());
        QVERIFY(window.startUp());
        QVERIFY(watcher.messages().empty());
        QCOMPARE(window.rezRoot(), folder.rez.string() + "\\");
        QCOMPARE(window.windowTitle(), QStringLiteral("QM318读取工具 v1.1     BY:青石匠"));

        // The controls as the window opens.
        QVERIFY(!child<QTableView>(window, "超级列表框武器名1")->isHidden());
        QVERIFY(child<QTableView>(window, "超级列表框武器名2")->isHidden());
        QVERIFY(child<QProgressBar>(window, "进度条1")->isHidden());
        QCOMPARE(child<QTableView>(window, "超级列表框武器名1")->property("tag").toString(),
                 QStringLiteral("1"));
        QCOMPARE(child<QTableView>(window, "超级列表框武器名2")->property("tag").toString(),
                 QStringLiteral("2"));
        QCOMPARE(child<QLineEdit>(window, "编辑框搜索的武器名")->placeholderText(),
                 QStringLiteral("模糊搜索_请输入关键词"));
        QCOMPARE(child<QComboBox>(window, "组合框_搜索类型")->currentText(),
                 QStringLiteral("武器名称"));
        QVERIFY(child<QCheckBox>(window, "选择框_导出_PV_模型和贴图")->isChecked());
        QVERIFY(child<QCheckBox>(window, "选择框_导出_武器参数文本")->isChecked());
        QVERIFY(!child<QCheckBox>(window, "选择框_导出_单_模型和贴图")->isChecked());
        QVERIFY(!child<QCheckBox>(window, "选择框_导出_PV_RS")->isChecked());
        QVERIFY(!child<QCheckBox>(window, "选择框_导出_单_RS")->isChecked());
        QCOMPARE(child<QTableView>(window, "超级列表框武器名1")->model()->columnCount(), 32);
        QCOMPARE(child<QTableView>(window, "超级列表框武器名1")->columnWidth(0), 150);
    }

    void loadsSearchesAndShowsTheFocusedWeapon() {
        ProgramFolder folder;
        MessageWatcher watcher;
        MainWindow window(folder.dir.path());
        QVERIFY(window.startUp());
        window.show();

        QSignalSpy finished(&window, &MainWindow::loadFinished);
        child<QPushButton>(window, "按钮载入LTA")->click();
        QVERIFY(!window.isEnabled());
        QVERIFY(!child<QProgressBar>(window, "进度条1")->isHidden());
        QVERIFY(finished.wait(10000));
        QVERIFY(window.isEnabled());
        QVERIFY(child<QProgressBar>(window, "进度条1")->isHidden());

        auto* full = child<QTableView>(window, "超级列表框武器名1");
        auto* filtered = child<QTableView>(window, "超级列表框武器名2");
        QCOMPARE(full->model()->rowCount(), 5);
        QCOMPARE(cell(full, 0, 0), QString());
        QCOMPARE(cell(full, 1, 0), QStringLiteral("AK47-黄金"));
        QCOMPARE(cell(full, 3, 1), QStringLiteral("12"));
        QCOMPARE(cell(full, 4, 0), QStringLiteral("BY：青石匠"));
        QCOMPARE(cell(full, 4, 1), QStringLiteral("9999"));
        // The converter ran on the data file by its full path.
        QVERIFY(readBytes(folder.dir.path() / "QM318.LTA").find("\r\n") != std::string::npos);

        full->setFocus();
        full->selectRow(2);
        QTRY_COMPARE(child<QLineEdit>(window, "编辑框武器名")->text(),
                     QStringLiteral("【2】 M4A1"));
        QCOMPARE(
            child<QPlainTextEdit>(window, "编辑框临时1")->toPlainText(),
            QStringLiteral(
                "(Weapon\n (WeaponName \"M4A1\" )\n (WeaponIndex 2 )\n (WeaponClass 4 )\n)\n"));
        QCOMPARE(window.activeTableTag(), 1);

        auto* search = child<QLineEdit>(window, "编辑框搜索的武器名");
        search->setText(QStringLiteral("AK"));
        QVERIFY(full->isHidden());
        QVERIFY(!filtered->isHidden());
        QCOMPARE(filtered->model()->rowCount(), 2);
        QCOMPARE(cell(filtered, 1, 0), QStringLiteral("ak-火麒麟"));
        filtered->setFocus();
        filtered->selectRow(1);
        QTRY_COMPARE(child<QLineEdit>(window, "编辑框武器名")->text(),
                     QStringLiteral("【12】 ak-火麒麟"));
        QCOMPARE(window.activeTableTag(), 2);

        auto* type = child<QComboBox>(window, "组合框_搜索类型");
        search->setText(QStringLiteral("1"));
        type->setCurrentIndex(1);
        emit type->activated(1);                     // what a click in the list reports
        QCOMPARE(filtered->model()->rowCount(), 2);  // indices 1 and 12

        search->clear();
        QVERIFY(!full->isHidden());
        QVERIFY(filtered->isHidden());
        QCOMPARE(filtered->model()->rowCount(), 2);  // kept while hidden

        // A new load refills the full table only.
        type->setCurrentIndex(0);
        search->setText(QStringLiteral("M4"));
        loadAndWait(window);
        QVERIFY(full->isHidden());
        QCOMPARE(filtered->model()->rowCount(), 1);
        QCOMPARE(full->model()->rowCount(), 5);
        QVERIFY(watcher.messages().empty());
    }

    void loadsTheSameTableWhenTheConverterCannotRun() {
        ProgramFolder folder;
        MessageWatcher watcher;
        MainWindow window(folder.dir.path());
        QVERIFY(window.startUp());
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        loadAndWait(window);
        qputenv("PATH", path);
        auto* full = child<QTableView>(window, "超级列表框武器名1");
        QCOMPARE(full->model()->rowCount(), 5);
        QCOMPARE(cell(full, 3, 0), QStringLiteral("ak-火麒麟"));
        QCOMPARE(readBytes(folder.dir.path() / "QM318.LTA"), gbk(kData));  // left as it was
        QVERIFY(watcher.messages().empty());
    }

    void aLoadThatDoesNotFitInFreeMemoryShowsTheMessageAndNoWeapons() {
        ProgramFolder folder;
        MessageWatcher watcher;
        MainWindow window(folder.dir.path());
        QVERIFY(window.startUp());
        window.setLoadLimits({.availableMemory = [] { return std::optional<std::uint64_t>(100); }});
        loadAndWait(window);
        QCOMPARE(
            watcher.texts(),
            QStringList{QStringLiteral("内存不足 无法载入QM318.LTA\n请关闭其他程序后再点击载入")});
        QCOMPARE(watcher.messages()[0].caption, QStringLiteral("信息："));
        // No weapon of the file: only the rows of an empty text, its empty first row and the
        // sentinel row.
        auto* full = child<QTableView>(window, "超级列表框武器名1");
        QCOMPARE(full->model()->rowCount(), 2);
        QCOMPARE(cell(full, 0, 0), QString());
        QCOMPARE(cell(full, 1, 0), QStringLiteral("BY：青石匠"));
        QVERIFY(window.isEnabled());
        // Less memory than the file itself: refused before the converter could run.
        QCOMPARE(readBytes(folder.dir.path() / "QM318.LTA"), gbk(kData));

        // With memory to spare the same window loads the file.
        window.setLoadLimits({.availableMemory = [] {
            return std::optional<std::uint64_t>(std::uint64_t(1) << 40);
        }});
        loadAndWait(window);
        QCOMPARE(full->model()->rowCount(), 5);
        QCOMPARE(cell(full, 1, 0), QStringLiteral("AK47-黄金"));
        QCOMPARE(watcher.messages().size(), std::size_t(1));
    }

    void exportsTheSelectedWeaponThroughTheFolderDialog() {
        ProgramFolder folder;
        MessageWatcher watcher;
        MainWindow window(folder.dir.path());
        QVERIFY(window.startUp());
        window.show();
        loadAndWait(window);
        auto* exportButton = child<QPushButton>(window, "按钮导出数据");

        exportButton->click();  // nothing selected yet
        QCOMPARE(watcher.texts(), QStringList{QStringLiteral("当前没选中武器 请选择后再尝试")});

        auto* full = child<QTableView>(window, "超级列表框武器名1");
        full->setFocus();
        full->selectRow(3);
        QTRY_COMPARE(child<QLineEdit>(window, "编辑框武器名")->text(),
                     QStringLiteral("【12】 ak-火麒麟"));

        exportButton->click();  // the dialog is cancelled
        QCOMPARE(watcher.texts().last(), QStringLiteral("你没有选择导出路径 请重试"));
        QCOMPARE(watcher.dialogTitles(), QStringList{QStringLiteral("选择文件夹")});

        const std::filesystem::path out = folder.dir.path() / "out";
        std::filesystem::create_directory(out);
        watcher.chooseFolder(out);
        QSignalSpy finished(&window, &MainWindow::exportJobFinished);
        exportButton->click();
        QTRY_COMPARE(finished.count(), 2);  // PV model and parameter text are ticked at start
        QTRY_COMPARE(watcher.messages().size(), std::size_t(4));
        QStringList results = watcher.texts().mid(2);
        results.sort();
        QCOMPARE(results, (QStringList{QStringLiteral("导出 PV-模型贴图 成功"),
                                       QStringLiteral("导出 武器QM318参数 成功")}));
        QCOMPARE(window.exportRoot(), out.string() + "\\");

        const std::filesystem::path weapon = out / "ak-火麒麟";
        QCOMPARE(readBytes(weapon / "PV-模型贴图" / "PV-AK.LTB"), std::string("model"));
        QCOMPARE(readBytes(weapon / "ak-火麒麟[QM参数].txt"),
                 gbk("(Weapon\r\n (WeaponName \"ak-火麒麟\" )\r\n (WeaponIndex 12 )\r\n"
                     " (WeaponClass 3 )\r\n (PViewModelFileName \"Models\\PLAYERVIEW\\PV-AK\" "
                     ")\r\n)\r\n\r\n"));

        // A ticked box whose file the weapon lacks stops the command with its message.
        child<QCheckBox>(window, "选择框_导出_单_模型和贴图")->setChecked(true);
        exportButton->click();
        QTRY_VERIFY(watcher.texts().contains(
            QStringLiteral("当前没选中 或当前武器没有 单-模型 请取消勾选再试")));
    }

    void loadCommandNeedsTheDataFile() {
        ProgramFolder folder;
        MessageWatcher watcher;
        MainWindow window(folder.dir.path());
        QVERIFY(window.startUp());
        std::filesystem::remove(folder.dir.path() / "QM318.LTA");
        child<QPushButton>(window, "按钮载入LTA")->click();
        QCOMPARE(watcher.texts(),
                 QStringList{QStringLiteral("请先复制CF的 QM318.LTA 到软件运行目录")});
        QVERIFY(window.isEnabled());
    }

    void savesOnlyAPathWithTheMotionFile() {
        ProgramFolder folder;
        MessageWatcher watcher;
        MainWindow window(folder.dir.path());
        QVERIFY(window.startUp());
        auto* box = child<QLineEdit>(window, "编辑框_REZ解包路径");
        auto* save = child<QPushButton>(window, "按钮保存REZ路径");

        box->setText(QString::fromStdString((folder.dir.path() / "nowhere").string()));
        save->click();
        QCOMPARE(watcher.messages().size(), std::size_t(1));
        QCOMPARE(watcher.messages()[0].caption, QStringLiteral("REZ解包路径设置方法"));
        QVERIFY(watcher.messages()[0].text.startsWith(
            QStringLiteral("REZ解包路径下 没有找到DUST2.DAT\n")));
        QCOMPARE(readBytes(folder.settings), folder.rez.string());
        QCOMPARE(window.rezRoot(), folder.rez.string() + "\\");

        // The marker is found whatever the letter case of the tree on disk.
        const std::filesystem::path other = folder.dir.path() / "rez2";
        std::filesystem::create_directories(other / "Models" / "Character");
        folder.dir.write("rez2/Models/Character/M-Motion.LTB", "x");
        box->setText(QString::fromStdString(other.string()));
        save->click();
        QCOMPARE(watcher.messages().size(), std::size_t(2));
        QCOMPARE(watcher.messages()[1].text, QStringLiteral("保存成功 "));
        QCOMPARE(watcher.messages()[1].caption, QStringLiteral("REZ解包路径"));
        QCOMPARE(readBytes(folder.settings), other.string());
        QCOMPARE(window.rezRoot(), other.string() + "\\");
    }

    void resizingScalesEveryControlFromTheStartLayout() {
        ProgramFolder folder;
        MainWindow window(folder.dir.path());
        QVERIFY(window.startUp());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QSize start = window.frameGeometry().size();
        auto* load = child<QPushButton>(window, "按钮载入LTA");
        auto* record = child<QPlainTextEdit>(window, "编辑框临时1");
        auto* bar = child<QProgressBar>(window, "进度条1");
        QCOMPARE(load->geometry(), QRect(437, 8, 88, 32));

        // Outer size 1.5 times as wide and twice as high as at start.
        const QSize frame = start - window.size();
        window.resize(QSize(start.width() * 3 / 2, start.height() * 2) - frame);
        QTRY_COMPARE(window.frameGeometry().size(),
                     QSize(start.width() * 3 / 2, start.height() * 2));
        QCOMPARE(load->geometry(), QRect(655, 16, 132, 64));
        QCOMPARE(record->geometry(), QRect(1729, 0, 708, 1600));
        QVERIFY(bar->isHidden());

        window.resize(start - frame);
        QTRY_COMPARE(window.frameGeometry().size(), start);
        QCOMPARE(load->geometry(), QRect(437, 8, 88, 32));
        QCOMPARE(record->geometry(), QRect(1153, 0, 472, 800));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
