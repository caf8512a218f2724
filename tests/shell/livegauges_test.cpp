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
    std::vector<double> xs;
    for (int i = 0; i < 199; ++i)
        xs.push_back(i);
    const auto points =
        chart::PointsInView(xs, [](size_t i) { return double(i % 7); }, {0, 198, 100});
    ASSERT_EQ(points.size(), 199);
    EXPECT_EQ(points[5], QPointF(5, 5));
}

TEST(ChartPoints, LowestAndHighestOfEachPixelColumn) {
    std::vector<double> xs;
    std::vector<double> ys;
    for (int i = 0; i < 100000; ++i) {
        xs.push_back(i * 0.15);
        ys.push_back(i == 54321 ? 99 : i == 12345 ? -99 : (i % 10) * 0.1);
    }
    const auto y = [&](size_t i) { return ys[i]; };
    const auto points = chart::PointsInView(xs, y, {xs.front(), xs.back(), 500});
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
    const double x0 = xs[50000], x1 = xs[50300];
    const auto zoomed = chart::PointsInView(xs, y, {x0, x1, 500});
    ASSERT_EQ(zoomed.size(), 303);
    EXPECT_EQ(zoomed.front().x(), xs[49999]);
    EXPECT_EQ(zoomed.back().x(), xs[50301]);
}

} // namespace
