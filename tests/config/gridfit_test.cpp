#include "gridfit.h"

#include <gtest/gtest.h>

namespace {

struct FitCase {
    int width, height, rows, columns, first;
    TGridFit expected;
};

// Cells of one size with a line after each fill the grid; what does not
// divide evenly is left over at the right and the bottom.
const FitCase kCases[] = {
    {620, 374, 13, 7, 0, {87, 27, 616, 364}},  // a 12 x 6 map with its headers
    {620, 374, 13, 13, 0, {46, 27, 611, 364}}, // 12 x 12
    {620, 374, 1, 1, 0, {619, 373, 620, 374}}, // no geometry: the headers alone
    {640, 86, 2, 13, 150, {39, 42, 630, 86}},  // emulation: first column 150
    {100, 50, 1, 1, 150, {0, 49, 150, 50}},    // only the first column
    {5, 5, 13, 13, 0, {0, 0, 13, 13}},         // no room: one pixel a cell
};

TEST(GridFit, CellsFillTheGrid) {
    for (const FitCase& c : kCases) {
        const TGridFit fit = FitGrid(c.width, c.height, c.rows, c.columns, c.first);
        SCOPED_TRACE(testing::Message()
                     << c.width << "x" << c.height << " " << c.rows << "x" << c.columns);
        EXPECT_EQ(fit.columnWidth, c.expected.columnWidth);
        EXPECT_EQ(fit.rowHeight, c.expected.rowHeight);
        EXPECT_EQ(fit.clientWidth, c.expected.clientWidth);
        EXPECT_EQ(fit.clientHeight, c.expected.clientHeight);
    }
}

} // namespace
