// What the demo's frame looks like on the 1008 x 611 client area, for tests that read it
// from the screen: where the four viewports' centres are and the faces' colours (the
// fragment program colours each face from its normal).
#pragma once

#include "support/display.h"

namespace vela::test {

// GL's viewports stand on the bottom edge of the client area.
constexpr int kClientHeight = 611;
struct Centre {
    int x, y;
};
constexpr Centre kCentres[4] = {{256, kClientHeight - 163}, {768, kClientHeight - 163},
                                {256, kClientHeight - 488}, {768, kClientHeight - 488}};

const Rgb kBackground{128, 128, 128};
const Rgb kFront{128, 128, 255};  // normal (0, 0, 1)
const Rgb kRight{255, 128, 128};  // (1, 0, 0)
const Rgb kTop{128, 255, 128};    // (0, 1, 0): also the grid and the axes
const Rgb kBottom{128, 0, 128};   // (0, -1, 0)

}  // namespace vela::test
