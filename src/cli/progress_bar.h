#pragma once
// A load progress bar on stderr, drawn only when stderr is a terminal and the work has already
// taken more than half a second.

#include <chrono>
#include <cstddef>

namespace qm318::cli {

class ProgressBar {
public:
    explicit ProgressBar(const char* label = "Loading");
    ~ProgressBar();
    void update(std::size_t done, std::size_t total);

private:
    using Clock = std::chrono::steady_clock;
    const char* label_;
    bool enabled_;
    bool drawn_ = false;
    Clock::time_point started_;
    Clock::time_point lastDrawn_;
};

}  // namespace qm318::cli
