#include "layout/layout_keeper.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace qm318 {
namespace {

constexpr ScreenRect kStart{50, 50, 50 + 1640, 50 + 839};

ScreenRect outerOfSize(int width, int height) {
    return {10, 20, 10 + width, 20 + height};
}

auto asTuple(const ControlPlacement& p) {
    return std::tuple(p.control, p.left, p.top, p.width, p.height, p.resize);
}

TEST(LayoutKeeper, ScalesEachModeFromTheRecordedGeometry) {
    LayoutKeeper keeper;
    keeper.attachWindow(kStart);
    for (int mode = 0; mode <= 6; ++mode)
        keeper.addControl(mode, 437, 8, 88, 32, mode);
    keeper.addControl(7, -3, 5, 7, 3);  // truncation toward zero, also for negative values

    // 1.5 x 2: 437 * 1.5 = 655.5 gives 655.
    const std::vector<ControlPlacement> placed = keeper.rescale(outerOfSize(2460, 1678));
    ASSERT_EQ(placed.size(), 7u) << "mode 6 is not touched";
    using T = std::tuple<int, int, int, int, int, bool>;
    const std::vector<T> expected = {
        {0, 655, 16, 132, 64, true}, {1, 655, 16, 0, 0, false},  {2, 655, 8, 132, 32, true},
        {3, 655, 8, 0, 0, false},    {4, 437, 16, 88, 64, true}, {5, 437, 16, 0, 0, false},
        {7, -4, 10, 10, 6, true},
    };
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(asTuple(placed[i]), expected[i]) << i;
}

TEST(LayoutKeeper, ReturningToTheStartSizeRestoresTheLayoutWithoutDrift) {
    LayoutKeeper keeper;
    keeper.attachWindow(kStart);
    keeper.addControl(1, 437, 8, 88, 32);
    keeper.addControl(2, 1153, 0, 472, 800);
    const auto original = keeper.rescale(kStart);
    for (const auto& [w, h] : {std::pair{1000, 500}, {333, 777}, {2999, 1001}, {1, 1}}) {
        keeper.rescale(outerOfSize(w, h));
    }
    const auto back = keeper.rescale(outerOfSize(1640, 839));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(asTuple(back[0]), std::tuple(1, 437, 8, 88, 32, true));
    EXPECT_EQ(asTuple(back[1]), std::tuple(2, 1153, 0, 472, 800, true));
    EXPECT_EQ(asTuple(back[1]), asTuple(original[1]));
}

TEST(LayoutKeeper, EdgeCases) {
    LayoutKeeper empty;
    empty.attachWindow(kStart);
    EXPECT_TRUE(empty.rescale(outerOfSize(10, 10)).empty());

    LayoutKeeper unattached;  // a zero reference size keeps the recorded geometry
    unattached.addControl(1, 5, 6, 7, 8);
    EXPECT_EQ(asTuple(unattached.rescale(outerOfSize(100, 100))[0]),
              std::tuple(1, 5, 6, 7, 8, true));

    LayoutKeeper keeper;  // a minimised window shrinks everything toward zero
    keeper.attachWindow(kStart);
    keeper.addControl(1, 437, 8, 88, 32);
    EXPECT_EQ(asTuple(keeper.rescale(outerOfSize(0, 0))[0]), std::tuple(1, 0, 0, 0, 0, true));
}

}  // namespace
}  // namespace qm318
