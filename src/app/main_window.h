#pragma once
// The main window: its 21 controls at their designed places, the start-up sequence and the
// handlers of the load, search, selection and REZ path save.

#include <QWidget>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "browse/search.h"
#include "export/export_jobs.h"
#include "layout/layout_keeper.h"
#include "loader/weapon_table_loader.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace qm318 {

class GuiTaskQueue;
class WeaponTableModel;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(std::filesystem::path programFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs the start-up checks; false when the program has to end (no data file next to it).
    bool startUp();

    bool isLoading() const { return loading_; }
    const std::string& rezRoot() const { return rezRoot_; }
    const std::string& exportRoot() const { return exportRoot_; }
    // The table whose selected row the detail and the export act on: 1 full, 2 filtered.
    int activeTableTag() const;
    // What the next loads may take (the free memory by default).
    void setLoadLimits(LoadLimits limits) { loadLimits_ = std::move(limits); }

signals:
    void loadFinished();
    void exportJobFinished();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    QTableView* createTable(const char* name, int tag, WeaponTableModel* model);
    void place(QWidget* widget, const char* name, int left, int top, int width, int height);
    void applyLayout();
    void showMessage(const QString& text, const QString& caption, bool ownedByWindow);

    void loadData();
    void finishLoad(WeaponTablePtr table);
    void runSearch();
    void showFocusedWeapon();
    void saveRezPath();
    void exportSelected();
    QString chooseExportFolder();
    void startExportJob(ExportKind kind, ExportSnapshot snapshot);
    const QTableView* activeTable() const;
    const WeaponTableModel* activeModel() const;
    std::ptrdiff_t selectedTableRow() const;

    std::filesystem::path programFolder_;
    LayoutKeeper layout_;
    std::vector<QWidget*> placedControls_;  // in registration order
    bool referenceTakenWhenShown_ = false;

    BrowseState browse_;
    std::string rezRoot_;
    std::string exportRoot_;
    int activeTag_ = 1;
    bool loading_ = false;
    LoadLimits loadLimits_;
    std::thread loadThread_;
    std::map<int, std::thread> exportThreads_;
    int nextExportJob_ = 0;
    GuiTaskQueue* tasks_ = nullptr;

    QPushButton* loadButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QLineEdit* rezPathBox_ = nullptr;
    QLineEdit* nameBox_ = nullptr;
    QLineEdit* searchBox_ = nullptr;
    QPlainTextEdit* recordBox_ = nullptr;
    QTableView* fullTable_ = nullptr;
    QTableView* filteredTable_ = nullptr;
    WeaponTableModel* fullModel_ = nullptr;
    WeaponTableModel* filteredModel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QComboBox* searchType_ = nullptr;
    std::vector<std::pair<QCheckBox*, ExportKind>> exportBoxes_;
};

}  // namespace qm318
