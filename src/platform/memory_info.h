#pragma once
// How much memory a new allocation can still have.

#include <cstdint>
#include <optional>

namespace qm318 {

// The memory the machine (and the control group this process runs in, when that is smaller) can
// still give without swapping; nothing when it cannot be told.
std::optional<std::uint64_t> availableMemoryBytes();

}  // namespace qm318
