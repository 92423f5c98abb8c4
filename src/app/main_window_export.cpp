// The export command of the main window: its checks, the folder dialog and the jobs it starts.

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QTableView>

#include "app/gbk_qstring.h"
#include "app/gui_task_queue.h"
#include "app/main_window.h"
#include "app/weapon_table_model.h"
#include "app/window_texts.h"
#include "settings/rez_setting.h"

namespace qm318 {

QString MainWindow::chooseExportFolder() {
    QFileDialog dialog(this, text(texts::kChooseFolder),
                       QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    dialog.setObjectName(QStringLiteral("folderDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

void MainWindow::exportSelected() {
    activeTag_ = filteredTable_->isHidden() ? 1 : 2;
    const std::string rezPath = toGbk(rezPathBox_->text());
    rezRoot_ = rezRootOf(rezPath);
    if (rezPathBox_->text() == text(texts::kRezPlaceholderOfOldVersions)) {
        showMessage(text(texts::kEnterCorrectPath), text(texts::kInfoCaption), false);
    }
    if (!rezPathHasMarker(rezPath, kSaveMarker)) {
        showMessage(text(texts::kCfRootNeeded), text(texts::kInfoCaption), false);
        return;
    }
    const WeaponTablePtr table = activeModel()->rows().table;
    const std::ptrdiff_t row = selectedTableRow();
    if (!table || table->cell(std::size_t(row), kColumnIndex).empty()) {
        showMessage(text(texts::kNoWeaponSelected), text(texts::kInfoCaption), true);
        return;
    }
    exportRoot_ = toGbk(chooseExportFolder()) + "\\";
    if (exportRoot_ == "\\") {
        showMessage(text(texts::kNoExportFolder), text(texts::kInfoCaption), false);
        return;
    }
    // The record as the box holds it now; the box shows CR LF line breaks as LF.
    QString record = recordBox_->toPlainText();
    record.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    const ExportSnapshot snapshot =
        snapshotOf(*table, std::size_t(row), rezRoot_, exportRoot_, toGbk(record));

    std::vector<ExportKind> ticked;
    for (const auto& [box, kind] : exportBoxes_) {
        if (box->isChecked()) ticked.push_back(kind);
    }
    const ExportPlan plan = planExports(ticked, snapshot);
    for (const ExportKind kind : plan.jobs)
        startExportJob(kind, snapshot);
    if (plan.stopped) {
        const std::string_view message = exportCheckMessage(plan.failedCheck);
        showMessage(fromUtf8(message), text(texts::kInfoCaption), true);
    }
}

void MainWindow::startExportJob(ExportKind kind, ExportSnapshot snapshot) {
    const int id = nextExportJob_++;
    exportThreads_[id] = std::thread([this, id, kind, snapshot = std::move(snapshot)] {
        const bool succeeded = runExportJob(kind, snapshot);
        tasks_->post([this, id, kind, succeeded] {
            exportThreads_.at(id).join();
            exportThreads_.erase(id);
            const std::string_view message = exportResultMessage(kind, succeeded);
            emit exportJobFinished();
            showMessage(fromUtf8(message), text(texts::kInfoCaption), true);
        });
    });
}

}  // namespace qm318
