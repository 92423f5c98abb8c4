#include "layout/layout_keeper.h"

namespace qm318 {
namespace {

// Scaled values become integers by truncation toward zero.
std::int32_t scaled(std::int32_t value, double factor) {
    return static_cast<std::int32_t>(double(value) * factor);
}

double ratio(std::int32_t now, std::int32_t then) {
    return then == 0 ? 1.0 : double(now) / double(then);
}

}  // namespace

void LayoutKeeper::addControl(int control, std::int32_t left, std::int32_t top, std::int32_t width,
                              std::int32_t height, int mode) {
    records_.push_back({control, mode, left, top, width, height});
}

std::vector<ControlPlacement> LayoutKeeper::rescale(ScreenRect current) const {
    const double sx = ratio(current.right - current.left, reference_.right - reference_.left);
    const double sy = ratio(current.bottom - current.top, reference_.bottom - reference_.top);
    std::vector<ControlPlacement> placements;
    placements.reserve(records_.size());
    for (const Record& r : records_) {
        ControlPlacement p{r.control, r.left, r.top, r.width, r.height, true};
        switch (r.mode) {
            case kScaleBoth:
                p = {r.control,           scaled(r.left, sx),   scaled(r.top, sy),
                     scaled(r.width, sx), scaled(r.height, sy), true};
                break;
            case kMoveBoth:
                p = {r.control, scaled(r.left, sx), scaled(r.top, sy), 0, 0, false};
                break;
            case kScaleHorizontally:
                p = {r.control, scaled(r.left, sx), r.top, scaled(r.width, sx), r.height, true};
                break;
            case kMoveHorizontally: p = {r.control, scaled(r.left, sx), r.top, 0, 0, false}; break;
            case kScaleVertically:
                p = {r.control, r.left, scaled(r.top, sy), r.width, scaled(r.height, sy), true};
                break;
            case kMoveVertically: p = {r.control, r.left, scaled(r.top, sy), 0, 0, false}; break;
            default: continue;  // unknown modes leave the control alone
        }
        placements.push_back(p);
    }
    return placements;
}

}  // namespace qm318
