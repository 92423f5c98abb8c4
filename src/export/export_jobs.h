#pragma once
// The five export jobs: copying a weapon's model, texture and render-style files out of the REZ
// tree into the export folder, and writing its record text.
//
// A job works on a snapshot taken when it starts, so a later click, selection or load never
// changes a running job. Paths are Windows paths in GBK joined with "\"; the file layer maps them
// and refuses any "." or ".." name, and a job follows a symbolic link only when its real path stays
// within the root it is in, so neither a weapon name, nor a cell of the data file, nor a link in
// either tree can make a job read outside the REZ root or write outside the export root. A job
// reports success only when this run put its main file in place.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "model/weapon_columns.h"
#include "model/weapon_table.h"

namespace qm318 {

// In the order of the window's check boxes, which is the order they are checked and started in.
enum class ExportKind { PvModel, SingleModel, PvRenderStyle, SingleRenderStyle, Parameters };
inline constexpr std::array<ExportKind, 5> kExportKinds = {
    ExportKind::PvModel, ExportKind::SingleModel, ExportKind::PvRenderStyle,
    ExportKind::SingleRenderStyle, ExportKind::Parameters};

struct ExportSnapshot {
    std::array<std::string, kColumnCount> cells;  // the selected weapon row, GBK
    std::string rezRoot;                          // ends in "\"
    std::string exportRoot;                       // ends in "\"
    std::string recordText;                       // GBK, written by the parameter text export
};

ExportSnapshot snapshotOf(const WeaponTable& table, std::size_t row, std::string rezRoot,
                          std::string exportRoot, std::string recordText);

// Runs one job; true when it succeeded.
bool runExportJob(ExportKind kind, const ExportSnapshot& snapshot);

// The job's result message (UTF-8), as the window shows it.
std::string_view exportResultMessage(ExportKind kind, bool succeeded);

// What a ticked box needs of the selected weapon; the message (UTF-8) when it is missing.
bool exportCheckPasses(ExportKind kind, const ExportSnapshot& snapshot);
std::string_view exportCheckMessage(ExportKind kind);

// The jobs to start for the ticked kinds, in order, up to the first one whose check fails.
struct ExportPlan {
    std::vector<ExportKind> jobs;
    bool stopped = false;
    ExportKind failedCheck = ExportKind::PvModel;  // meaningful when stopped
};
ExportPlan planExports(const std::vector<ExportKind>& ticked, const ExportSnapshot& snapshot);

// The file name a path names: the part after its last "\", or the whole value when it has none.
std::string fileNameOf(std::string_view path);

}  // namespace qm318
