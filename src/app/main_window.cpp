#include "app/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>

#include <chrono>

#include "app/gbk_qstring.h"
#include "app/gui_task_queue.h"
#include "app/weapon_table_model.h"
#include "app/window_texts.h"
#include "browse/selection_detail.h"
#include "loader/weapon_table_loader.h"
#include "model/weapon_columns.h"
#include "platform/file_system.h"
#include "settings/rez_setting.h"
#include "text/encoding.h"

namespace qm318 {
namespace {

// The designed window: outer size 1640 x 839 on Windows, whose client area is 1624 x 800.
constexpr int kClientWidth = 1624;
constexpr int kClientHeight = 800;
constexpr int kWindowLeft = 50;
constexpr int kWindowTop = 50;
constexpr auto kProgressInterval = std::chrono::milliseconds(33);

ScreenRect outerRectOf(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    return {frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height()};
}

std::filesystem::path dataFileIn(const std::filesystem::path& programFolder) {
    return programFolder / "QM318.LTA";
}

// Runs Debian's unix2dos on the data file, as the tool always has at a load. Whether it ran does
// not matter for the table: the load converts line breaks the same way in memory.
void convertDataFile(const std::filesystem::path& dataFile) {
    runAndWait({"unix2dos", "-q", dataFile.string()}, {"LC_ALL=C.UTF-8"});
}

// Qt shows a lone CR as a character of its own; the record keeps its CR LF line breaks.
QString forDisplay(QString value) {
    return value.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

MainWindow::MainWindow(std::filesystem::path programFolder, QWidget* parent)
    : QWidget(parent), programFolder_(std::move(programFolder)), tasks_(new GuiTaskQueue(this)) {
    setObjectName(QStringLiteral("窗口程序集_启动窗口"));
    setWindowTitle(text(texts::kDesignedCaption));
    // The controls were laid out for the 12-pixel SimSun of Chinese Windows.
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    font.setPixelSize(12);
    setFont(font);
    createControls();
    resize(kClientWidth, kClientHeight);
    move(kWindowLeft, kWindowTop);
}

MainWindow::~MainWindow() {
    if (loadThread_.joinable()) loadThread_.join();
    for (auto& [id, thread] : exportThreads_)
        thread.join();
}

void MainWindow::place(QWidget* widget, const char* name, int left, int top, int width,
                       int height) {
    widget->setObjectName(QString::fromUtf8(name));
    widget->setGeometry(left, top, width, height);
    placedControls_.push_back(widget);
}

QTableView* MainWindow::createTable(const char* name, int tag, WeaponTableModel* model) {
    auto* table = new QTableView(this);
    table->setModel(model);
    table->setProperty("tag", QString::number(tag));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setShowGrid(true);
    table->setSortingEnabled(false);
    table->setWordWrap(false);
    table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(20);
    table->horizontalHeader()->setSectionsClickable(true);
    table->horizontalHeader()->setHighlightSections(false);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        table->setColumnWidth(int(c), kWeaponColumns[c].width);
    }
    // Black on white, and no selection drawn while the table lacks the focus.
    QPalette palette = table->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::Inactive, QPalette::Highlight, Qt::white);
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
    table->setPalette(palette);
    // The selection model updates the selection after it reports the new current row, so the
    // detail reads the selected row once the event has been handled.
    connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MainWindow::showFocusedWeapon, Qt::QueuedConnection);
    place(table, name, 0, 0, 0, 0);
    return table;
}

void MainWindow::createControls() {
    loadButton_ = new QPushButton(QStringLiteral("载入QM318"), this);
    place(loadButton_, "按钮载入LTA", 437, 8, 88, 32);
    saveButton_ = new QPushButton(QStringLiteral("保存路径"), this);
    place(saveButton_, "按钮保存REZ路径", 957, 8, 88, 32);
    exportButton_ = new QPushButton(QStringLiteral("导出项目"), this);
    place(exportButton_, "按钮导出数据", 1053, 8, 90, 32);
    rezPathBox_ = new QLineEdit(this);
    place(rezPathBox_, "编辑框_REZ解包路径", 653, 8, 296, 32);
    nameBox_ = new QLineEdit(this);
    place(nameBox_, "编辑框武器名", 101, 8, 331, 32);
    searchBox_ = new QLineEdit(this);
    place(searchBox_, "编辑框搜索的武器名", 101, 48, 211, 32);

    recordBox_ = new QPlainTextEdit(this);
    recordBox_->setLineWrapMode(QPlainTextEdit::NoWrap);
    recordBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    recordBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette recordPalette = recordBox_->palette();
    recordPalette.setColor(QPalette::Base, QColor(0, 128, 128));
    recordPalette.setColor(QPalette::Text, QColor(13, 13, 13));
    recordPalette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(0, 128, 128));
    recordPalette.setColor(QPalette::Inactive, QPalette::HighlightedText, QColor(13, 13, 13));
    recordBox_->setPalette(recordPalette);
    QFont recordFont;
    recordFont.setFamilies({QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"),
                            QStringLiteral("Noto Sans CJK SC")});
    recordFont.setPixelSize(14);
    recordBox_->setFont(recordFont);
    place(recordBox_, "编辑框临时1", 1153, 0, 472, 800);

    fullModel_ = new WeaponTableModel(this);
    filteredModel_ = new WeaponTableModel(this);
    fullTable_ = createTable("超级列表框武器名1", 1, fullModel_);
    fullTable_->setGeometry(1, 88, 1144, 712);
    filteredTable_ = createTable("超级列表框武器名2", 2, filteredModel_);
    filteredTable_->setGeometry(0, 88, 1144, 712);
    filteredTable_->hide();

    const auto label = [this](const char16_t* caption, const char* name, int l, int t, int w,
                              int h) {
        auto* widget = new QLabel(text(caption), this);
        widget->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        place(widget, name, l, t, w, h);
    };
    label(u"REZ解包路径：", "标签1", 578, 8, 72, 32);
    label(u"武器索引/名称：", "标签2", 7, 8, 88, 32);
    label(u"搜索的内容：", "标签3", 7, 48, 73, 32);
    label(u"搜索的类型：", "标签4", 328, 48, 73, 32);
    label(u"选择要导出的东西：", "标签5", 575, 54, 111, 24);

    const auto checkBox = [this](const char16_t* caption, const char* name, ExportKind kind,
                                 bool ticked, int l, int t, int w, int h) {
        auto* widget = new QCheckBox(text(caption), this);
        widget->setChecked(ticked);
        place(widget, name, l, t, w, h);
        exportBoxes_.emplace_back(widget, kind);
    };
    checkBox(u"单-RS", "选择框_导出_单_RS", ExportKind::SingleRenderStyle, false, 984, 54, 51, 24);
    checkBox(u"PV-RS", "选择框_导出_PV_RS", ExportKind::PvRenderStyle, false, 920, 54, 51, 24);
    checkBox(u"武器QM318参数", "选择框_导出_武器参数文本", ExportKind::Parameters, true, 1048, 54,
             99, 24);
    checkBox(u"单-模型/贴图", "选择框_导出_单_模型和贴图", ExportKind::SingleModel, false, 807, 54,
             100, 24);
    checkBox(u"PV-模型/贴图", "选择框_导出_PV_模型和贴图", ExportKind::PvModel, true, 694, 54, 101,
             24);

    progressBar_ = new QProgressBar(this);
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    place(progressBar_, "进度条1", 217, 392, 704, 32);

    searchType_ = new QComboBox(this);
    for (const char16_t* type : texts::kSearchTypes)
        searchType_->addItem(text(type));
    searchType_->setCurrentIndex(0);
    place(searchType_, "组合框_搜索类型", 407, 55, 120, 20);

    connect(loadButton_, &QPushButton::clicked, this, &MainWindow::loadData);
    connect(saveButton_, &QPushButton::clicked, this, &MainWindow::saveRezPath);
    connect(exportButton_, &QPushButton::clicked, this, &MainWindow::exportSelected);
    connect(searchBox_, &QLineEdit::textChanged, this, &MainWindow::runSearch);
    connect(searchType_, &QComboBox::activated, this, &MainWindow::runSearch);
}

bool MainWindow::startUp() {
    layout_.attachWindow(outerRectOf(*this));
    for (std::size_t i = 0; i < placedControls_.size(); ++i) {
        const QWidget* control = placedControls_[i];
        layout_.addControl(int(i), control->x(), control->y(), control->width(), control->height());
    }
    progressBar_->hide();
    progressBar_->lower();
    searchBox_->setPlaceholderText(QString::fromStdU16String(toUtf16(texts::kCueBannerGbk)));
    fullTable_->setProperty("tag", QStringLiteral("1"));
    filteredTable_->setProperty("tag", QStringLiteral("2"));

    std::error_code error;
    if (!std::filesystem::exists(dataFileIn(programFolder_), error)) {
        showMessage(text(texts::kDataFileMissingAtStart), text(texts::kInfoCaption), false);
        return false;
    }
    const RezStartup rez = loadRezSetting(programFolder_ / kSettingsFileName);
    rezPathBox_->setText(fromGbk(rez.rezPath));
    if (!rez.passed) {
        showMessage(text(texts::kRezPathWrongAtStart), text(texts::kRezCaption), true);
        return true;
    }
    rezRoot_ = rezRootOf(toGbk(rezPathBox_->text()));
    setWindowTitle(fromGbk(percentDecode(texts::kStoredCaption)));
    return true;
}

int MainWindow::activeTableTag() const {
    return activeTag_;
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Before the window is first shown its frame is unknown; the reference is the outer rectangle
    // the window really has at start, and sizes before that are not rescaled.
    if (!referenceTakenWhenShown_) {
        referenceTakenWhenShown_ = true;
        layout_.attachWindow(outerRectOf(*this));
        applyLayout();
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (referenceTakenWhenShown_) applyLayout();
}

void MainWindow::applyLayout() {
    for (const ControlPlacement& p : layout_.rescale(outerRectOf(*this))) {
        QWidget* control = placedControls_[std::size_t(p.control)];
        if (p.resize) {
            control->setGeometry(p.left, p.top, p.width, p.height);
        } else {
            control->move(p.left, p.top);
        }
        control->lower();  // so the first registered control ends on top
    }
}

void MainWindow::showMessage(const QString& message, const QString& caption, bool ownedByWindow) {
    QMessageBox box(ownedByWindow ? this : nullptr);
    box.setObjectName(QStringLiteral("messageBox"));
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);
    box.setText(forDisplay(message));
    box.setStandardButtons(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void MainWindow::loadData() {
    if (loading_) return;  // one load at a time
    const std::filesystem::path dataFile = dataFileIn(programFolder_);
    std::error_code error;
    if (!std::filesystem::exists(dataFile, error)) {
        showMessage(text(texts::kDataFileMissingAtLoad), text(texts::kInfoCaption), false);
        return;
    }
    loading_ = true;
    setEnabled(false);
    fullModel_->setRows({});
    progressBar_->show();
    progressBar_->raise();
    if (loadThread_.joinable()) loadThread_.join();
    loadThread_ = std::thread([this, dataFile, limits = loadLimits_] {
        auto lastShown = std::chrono::steady_clock::time_point{};
        const auto showProgress = [&](std::size_t done, std::size_t total) {
            const auto now = std::chrono::steady_clock::now();
            if (done < total && now - lastShown < kProgressInterval) return;
            lastShown = now;
            tasks_->post([this, done, total] {
                progressBar_->setMaximum(int(total));
                progressBar_->setValue(int(done));
            });
        };
        LoadResult result = loadAndConvertDataFile(dataFile, showProgress, convertDataFile, limits);
        // A file that vanished or cannot be read gives the table of an empty text.
        WeaponTablePtr table = result.table ? result.table : buildWeaponTable(std::string_view());
        tasks_->post([this, table = std::move(table), error = result.error] {
            finishLoad(table);
            if (error == LoadError::NotEnoughMemory) {
                showMessage(text(texts::kDataFileNeedsMoreMemory), text(texts::kInfoCaption),
                            false);
            } else if (error == LoadError::TooLarge) {
                showMessage(text(texts::kDataFileTooLarge), text(texts::kInfoCaption), false);
            }
        });
    });
}

void MainWindow::finishLoad(WeaponTablePtr table) {
    browse_.full = std::move(table);
    BrowseState everything;
    everything.full = browse_.full;
    fullModel_->setRows(activeRows(everything));
    progressBar_->hide();
    progressBar_->lower();
    setEnabled(true);
    loading_ = false;
    emit loadFinished();
}

void MainWindow::runSearch() {
    const QByteArray type = searchType_->currentText().toUtf8();
    qm318::runSearch(browse_, searchTypeFromText(std::string_view(type.data(), type.size())),
                     toGbk(searchBox_->text()));
    if (browse_.filteredVisible) filteredModel_->setRows(browse_.filtered);
    fullTable_->setVisible(!browse_.filteredVisible);
    filteredTable_->setVisible(browse_.filteredVisible);
}

const QTableView* MainWindow::activeTable() const {
    return filteredTable_->isHidden() ? fullTable_ : filteredTable_;
}

const WeaponTableModel* MainWindow::activeModel() const {
    return filteredTable_->isHidden() ? fullModel_ : filteredModel_;
}

// The first selected row of the active table, as a row of the table it shows; -1 when none.
std::ptrdiff_t MainWindow::selectedTableRow() const {
    int selected = -1;
    for (const QModelIndex& index : activeTable()->selectionModel()->selectedRows()) {
        if (selected < 0 || index.row() < selected) selected = index.row();
    }
    return activeModel()->tableRow(selected);
}

void MainWindow::showFocusedWeapon() {
    activeTag_ = filteredTable_->isHidden() ? 1 : 2;
    const std::size_t row = std::size_t(selectedTableRow());
    const WeaponTablePtr& weapons = activeModel()->rows().table;
    if (!weapons) {
        nameBox_->setText(fromGbk(nameBoxText({}, {})));
        recordBox_->setPlainText({});
        return;
    }
    nameBox_->setText(
        fromGbk(nameBoxText(weapons->cell(row, kColumnIndex), weapons->cell(row, kColumnName))));
    recordBox_->setPlainText(forDisplay(fromGbk(weapons->recordText(row))));
}

void MainWindow::saveRezPath() {
    const std::string rezPath = toGbk(rezPathBox_->text());
    switch (saveRezSetting(programFolder_ / kSettingsFileName, rezPath)) {
        case RezSave::MarkerMissing:
            showMessage(text(texts::kRezHelp), text(texts::kRezHelpCaption), true);
            break;
        case RezSave::Saved:
            rezRoot_ = rezRootOf(rezPath);
            showMessage(text(texts::kRezSaved), text(texts::kRezCaption), true);
            break;
        case RezSave::WriteFailed:
            showMessage(text(texts::kRezSaveFailed), text(texts::kRezCaption), true);
            break;
    }
}

}  // namespace qm318
