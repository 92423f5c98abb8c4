#pragma once
// Proportional re-layout: the window's outer rectangle and every control's rectangle are recorded
// once, at start-up; every rescale computes each control's place from those records and the
// window's current outer size, so resizing never accumulates rounding error and returning to the
// start-up size restores the start-up layout exactly.

#include <cstdint>
#include <vector>

namespace qm318 {

struct ScreenRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

struct ControlPlacement {
    int control = 0;  // the caller's id of the control
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool resize = true;  // false: move only, the control keeps its current size
};

// How a control follows the window: 0 scales position and size in both directions, 1 scales the
// position only, 2 and 3 do the same horizontally only, 4 and 5 vertically only.
enum LayoutMode : int {
    kScaleBoth = 0,
    kMoveBoth = 1,
    kScaleHorizontally = 2,
    kMoveHorizontally = 3,
    kScaleVertically = 4,
    kMoveVertically = 5,
};

class LayoutKeeper {
public:
    void attachWindow(ScreenRect outer) { reference_ = outer; }
    // The control's rectangle in client coordinates at registration.
    void addControl(int control, std::int32_t left, std::int32_t top, std::int32_t width,
                    std::int32_t height, int mode = kScaleBoth);

    // The place of every recorded control with a known mode, in registration order, for a window
    // whose outer rectangle is now `current`. Applying them in this order, each one sent to the
    // bottom of the stacking order, leaves the first registered control on top.
    std::vector<ControlPlacement> rescale(ScreenRect current) const;

private:
    struct Record {
        int control;
        int mode;
        std::int32_t left, top, width, height;
    };
    ScreenRect reference_;
    std::vector<Record> records_;
};

}  // namespace qm318
