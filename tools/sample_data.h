#pragma once
// Made-up QM318.LTA files of any size, for the tests, the benchmarks and the qm318-sample program.
//
// A file is GBK text: a short preamble without a record head, then one "(Weapon" record per
// weapon, each with 120 to 180 key lines (the 32 table columns, a few of them left out in some
// records, and many other keys), sometimes closed by a ")" line. Weapon indices are unique and
// increase from record to record.

#include <cstddef>
#include <cstdint>
#include <string>

namespace qm318 {

struct SampleOptions {
    std::size_t records = 8000;
    std::uint32_t seed = 318;
    bool crlf = false;  // CR LF line breaks instead of LF
};

// The file's bytes (GBK). The same options always give the same bytes.
std::string generateSampleLta(const SampleOptions& options);

}  // namespace qm318
