// The live display's gauges as numbers: needle end points, the speed read-out,
// thermometer heights, lambda bars and their colours, the lambda scales, and
// the points a chart line is given.
#include "chartpoints.h"
#include "livegauges.h"

#include <gtest/gtest.h>

namespace {

using live::NeedleEnd;

TEST(Gauges, NeedleEndPoints) {
    const struct {
        int rpm;
        NeedleEnd end;
    } cases[] = {{0, {-53, 53}},    {1750, {-69, -28}}, {3500, {0, -75}},
                 {5250, {69, -28}}, {7000, {53, 53}},   {14000, {53, 53}}};
    for (const auto& c : cases)
        EXPECT_EQ(live::NeedleOffset(c.rpm, 75), c.end) << c.rpm << " rpm";
}

TEST(Gauges, GiriTexts) {
    const struct {
        int rpm;
        const char* text;
    } cases[] = {{0, "0000"},    {9, "0000"},      {15, "0010"},
                 {1234, "1230"}, {12345, "12340"}, {65535, "65530"}};
    for (const auto& c : cases)
        EXPECT_EQ(live::GiriText(c.rpm), c.text) << c.rpm;
}

TEST(Gauges, ThermometerHeights) {
    const struct {
        double degC;
        int height;
    } cases[] = {{-40, 0},    {-0.1, 0},  {0, 0},       {0.5, 1},  {50, 138},
                 {99.9, 275}, {100, 276}, {100.1, 276}, {150, 276}};
    for (const auto& c : cases)
        EXPECT_EQ(live::ThermometerHeight(c.degC, 276), c.height) << c.degC;
}

TEST(Gauges, LambdaBarWidthsPerScale) {
    const struct {
        int type;
        double volts;
        int width;
    } cases[] = {
        {0, 0.0, 0},   {0, 0.5, 131}, {0, 1.0, 263}, {0, 1.2, 263}, {0, -0.2, 0},
        {1, 2.5, 131}, {1, 5.0, 263}, {2, 0.0, 263}, {2, 5.0, 0},   {2, 2.5, 131},
        {3, 0.8, 0},   {3, 1.2, 131}, {3, 0.5, 0},   {3, 1.7, 263}, {4, 0.3, 78},
    };
    for (const auto& c : cases) {
        const live::LambdaScale s = live::LambdaScaleOfType(c.type);
        EXPECT_EQ(live::LambdaBarWidth(c.volts, s.start, s.end, 265), c.width)
            << "type " << c.type << ", " << c.volts << " V";
    }
}

TEST(Gauges, LambdaBarColours) {
    using live::BarColour;
    EXPECT_EQ(live::LambdaBarColour(false, true, 0.9, 0.5), BarColour::Face);
    EXPECT_EQ(live::LambdaBarColour(true, true, 0.9, 0.5), BarColour::Green);
    EXPECT_EQ(live::LambdaBarColour(true, true, 0.5, 0.5), BarColour::Red);
    EXPECT_EQ(live::LambdaBarColour(true, false, 0.4, 0.5), BarColour::Green);
    EXPECT_EQ(live::LambdaBarColour(true, false, 0.9, 0.5), BarColour::Red);
}

TEST(ChartPoints, EveryRowUnderTwiceTheWidth) {
    std::vector<int64_t> ms;
    std::vector<float> ys;
    for (int i = 0; i < 199; ++i)
        ms.push_back(i * 1000), ys.push_back(float(i % 7));
    const auto points = chart::Cut(ms, {0, 198, 100}).Points(ys, 1);
    ASSERT_EQ(points.size(), 199);
    EXPECT_EQ(points[5], QPointF(5000 * 0.001, 5));
    EXPECT_EQ(chart::Cut::EveryRow(ms).Points(ys, 0.5).size(), 199);
}

TEST(ChartPoints, LowestAndHighestOfEachPixelColumn) {
    std::vector<int64_t> ms;
    std::vector<float> ys;
    for (int i = 0; i < 100000; ++i) {
        ms.push_back(i * 150);
        ys.push_back(i == 54321 ? 99 : i == 12345 ? -99 : float(i % 10) * 0.1f);
    }
    const auto x = [&](size_t i) { return double(ms[i]) * 0.001; };
    const auto points = chart::Cut(ms, {x(0), x(ms.size() - 1), 500}).Points(ys, 1);
    EXPECT_LE(points.size(), 2 * 500 + 4);
    EXPECT_GE(points.size(), 2 * 500);
    const auto has = [&](double v) {
        return std::any_of(points.begin(), points.end(), [v](QPointF p) { return p.y() == v; });
    };
    EXPECT_TRUE(has(99));
    EXPECT_TRUE(has(-99));
    EXPECT_TRUE(std::is_sorted(points.begin(), points.end(),
                               [](QPointF a, QPointF b) { return a.x() < b.x(); }));

    // Zoomed to a tenth: the rows of that part only, and one beyond each end.
    const auto zoomed = chart::Cut(ms, {x(50000), x(50300), 500}).Points(ys, 1);
    ASSERT_EQ(zoomed.size(), 303);
    EXPECT_EQ(zoomed.front().x(), x(49999));
    EXPECT_EQ(zoomed.back().x(), x(50301));
}

} // namespace
