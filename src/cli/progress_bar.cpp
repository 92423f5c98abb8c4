#include "cli/progress_bar.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace qm318::cli {

namespace {
constexpr auto kDelay = std::chrono::milliseconds(500);
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr std::size_t kWidth = 40;
}  // namespace

ProgressBar::ProgressBar(const char* label)
    : label_(label), enabled_(::isatty(STDERR_FILENO) == 1), started_(Clock::now()) {}

ProgressBar::~ProgressBar() {
    if (drawn_) std::fputs("\r\033[K", stderr);
}

void ProgressBar::update(std::size_t done, std::size_t total) {
    if (!enabled_ || total == 0) return;
    const auto now = Clock::now();
    if (now - started_ < kDelay) return;
    if (drawn_ && now - lastDrawn_ < kRedrawInterval && done < total) return;
    const std::size_t filled = done * kWidth / total;
    const std::string bar = std::string(filled, '#') + std::string(kWidth - filled, '-');
    std::fprintf(stderr, "\r%s [%s] %3zu%% (%zu/%zu)", label_, bar.c_str(), done * 100 / total,
                 done, total);
    std::fflush(stderr);
    drawn_ = true;
    lastDrawn_ = now;
}

}  // namespace qm318::cli
