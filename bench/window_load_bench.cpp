// Time from a click on the load button to the window accepting input again, with the table
// filled: the data file is converted on disk by unix2dos when it has LF line breaks.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <filesystem>
#include <fstream>

#include "app/main_window.h"
#include "sample_data.h"

namespace qm318 {
namespace {

struct DemoFolder {
    std::filesystem::path path = std::filesystem::temp_directory_path() / "qm318-window-bench";
    std::string data;

    explicit DemoFolder(bool crlf, std::size_t records = 8000) {
        std::filesystem::create_directories(path / "rez");
        std::ofstream(path / "rez" / "DUST2.DAT").put('x');
        std::ofstream(path / "REZ解包路径.txt") << (path / "rez").native();
        SampleOptions options;
        options.crlf = crlf;
        options.records = records;
        data = generateSampleLta(options);
        writeData();
    }
    ~DemoFolder() { std::filesystem::remove_all(path); }
    void writeData() const {
        std::ofstream(path / "QM318.LTA", std::ios::binary)
            .write(data.data(), std::streamsize(data.size()));
    }
};

void BM_WindowLoad(benchmark::State& state, bool crlf) {
    const DemoFolder folder(crlf);
    MainWindow window(folder.path);
    if (!window.startUp()) {
        state.SkipWithError("start-up failed");
        return;
    }
    window.show();
    auto* load = window.findChild<QPushButton*>(QStringLiteral("按钮载入LTA"));
    for (auto _ : state) {
        state.PauseTiming();
        folder.writeData();  // unix2dos converts it in place at every load
        state.ResumeTiming();
        QEventLoop loop;
        QObject::connect(&window, &MainWindow::loadFinished, &loop, &QEventLoop::quit);
        load->click();
        loop.exec();
    }
}
BENCHMARK_CAPTURE(BM_WindowLoad, 8000_lf, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_WindowLoad, 8000_crlf, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// One keystroke in the search box over the 80,000-row table: the filter, the filtered view's reset
// and its repaint, all of which happen before the next frame.
void BM_WindowSearchKeystroke(benchmark::State& state) {
    const DemoFolder folder(true, 80'000);
    MainWindow window(folder.path);
    if (!window.startUp()) {
        state.SkipWithError("start-up failed");
        return;
    }
    window.show();
    QEventLoop loop;
    QObject::connect(&window, &MainWindow::loadFinished, &loop, &QEventLoop::quit);
    window.findChild<QPushButton*>(QStringLiteral("按钮载入LTA"))->click();
    loop.exec();
    auto* searchBox = window.findChild<QLineEdit*>(QStringLiteral("编辑框搜索的武器名"));
    auto* filtered = window.findChild<QTableView*>(QStringLiteral("超级列表框武器名2"));
    const QString queries[] = {QStringLiteral("m"), QStringLiteral("m4"), QStringLiteral("黑"),
                               QStringLiteral("黑龙")};
    std::size_t next = 0;
    for (auto _ : state) {
        searchBox->setText(queries[next++ % std::size(queries)]);
        filtered->viewport()->repaint();
    }
    state.counters["rows"] = double(filtered->model()->rowCount());
}
BENCHMARK(BM_WindowSearchKeystroke)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace qm318

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
