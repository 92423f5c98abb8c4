// Time from a click on the load button to the window accepting input again, with the table
// filled: the data file is converted on disk by unix2dos when it has LF line breaks.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>

#include <filesystem>
#include <fstream>

#include "app/main_window.h"
#include "sample_data.h"

namespace qm318 {
namespace {

struct DemoFolder {
    std::filesystem::path path = std::filesystem::temp_directory_path() / "qm318-window-bench";
    std::string data;

    explicit DemoFolder(bool crlf) {
        std::filesystem::create_directories(path / "rez");
        std::ofstream(path / "rez" / "DUST2.DAT").put('x');
        std::ofstream(path / "REZ解包路径.txt") << (path / "rez").native();
        SampleOptions options;
        options.crlf = crlf;
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
