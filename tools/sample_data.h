#pragma once
// Made-up QM318.LTA files of any size, for the tests, the benchmarks and the qm318-sample program.
//
// A file is GBK text: a short preamble without a record head, then one "(Weapon" record per
// weapon, each with 120 to 180 key lines (the 32 table columns, a few of them left out in some
// records, and many other keys), sometimes closed by a ")" line. Weapon indices are unique and
// increase from record to record.
//
// A REZ tree for such a file holds the files its weapon rows name, so that exports can be tried
// and measured on it; see writeSampleRezTree.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "model/weapon_table.h"

namespace qm318 {

struct SampleOptions {
    std::size_t records = 8000;
    std::uint32_t seed = 318;
    bool crlf = false;  // CR LF line breaks instead of LF
};

// The file's bytes (GBK). The same options always give the same bytes.
std::string generateSampleLta(const SampleOptions& options);

struct RezTreeOptions {
    std::uint32_t seed = 318;
    unsigned missingPercent = 10;  // share of the named files left out, as a percentage
    bool otherLetterCase = true;   // spell folder and file names in another letter case
    std::size_t fileBytes = 64;    // size of every weapon file
};

// Writes, under rezFolder (created when missing), the two files a REZ path is checked by
// ("DUST2.DAT" and "Models/CHARACTER/M-MOTION.LTB") and the files the weapon rows name: the PV
// model (column 12) with each of the five variant endings and ".LTB" appended, and the files of
// columns 13 to 29 and 31 as written. A leading "\" of a value is ignored, names become UTF-8, and
// a path with a "." or ".." name (or a file where a folder is needed) is left out.
//
// Which files are left out and how names are spelled are decided from the seed and the path, so
// the same table and options always give the same tree. When otherLetterCase is set, a folder or
// file name is spelled in lower case, upper case or with every letter's case swapped; a name that
// is already in the folder in any letter case keeps that spelling, so no folder ever holds two
// spellings of one name, also when the function is called again on the same folder. Returns the
// number of files written; throws std::filesystem::filesystem_error when a folder or file cannot
// be made.
std::size_t writeSampleRezTree(const WeaponTable& table, const std::filesystem::path& rezFolder,
                               const RezTreeOptions& options);

// The content of the weapon file at a path relative to the REZ folder (GBK, "\" or "/" between
// names, letter case and a leading separator ignored): fileBytes bytes that differ from path to
// path, so that a copy can be checked against its source.
std::string sampleRezFileBytes(std::string_view gbkPath, std::size_t fileBytes);

}  // namespace qm318
