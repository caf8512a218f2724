// The arithmetic of the cell dialog's modes, the order of references and the
// key filter of the value field.
#include "cellmodes.h"
#include "formmodmappa.h"
#include "references.h"

#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <vector>

namespace {

const TItemRange kMap{0, 255, true, true};
const TItemRange kVolts{0, 5, false, true};
const TItemRange kTemperature{std::numeric_limits<int32_t>::min(),
                              std::numeric_limits<int32_t>::max(), true, false};
const TItemRange kCorrection{0, 200, true, false, 100};
const TItemRange kPressureRef{0, 65.535, false, true};
const TItemRange kPressureCoeff{-99.9, 99.9, false, false};

struct ModeCase {
    const char* what;
    uint8_t mode;
    double stored;
    double entered;
    TItemRange range;
    double expected;
};

const ModeCase kModeCases[] = {
    {"absolute", kModeAbsolute, 100, 42, kMap, 42},
    {"absolute of a negative entry on the map", kModeAbsolute, 100, -42, kMap, 42},
    {"linear -5", kModeLinear, 100, -5, kMap, 95},
    {"linear below the map's floor", kModeLinear, 3, -5, kMap, 0},
    {"linear above the map's ceiling", kModeLinear, 250, 10, kMap, 255},
    {"percentage 10 of 123 truncated", kModePercentage, 123, 10, kMap, 135},
    {"percentage -10 of 123 truncated toward zero", kModePercentage, 123, -10, kMap, 110},
    {"percentage beyond the ceiling", kModePercentage, 200, 50, kMap, 255},
    {"percentage -200 to the floor", kModePercentage, 200, -200, kMap, 0},
    {"absolute beyond the ceiling", kModeAbsolute, 0, 1000, kMap, 255},
    {"volts keep their decimals", kModeLinear, 1.25, 0.5, kVolts, 1.75},
    {"volts absolute of a negative entry", kModeAbsolute, 1, -2.5, kVolts, 2.5},
    {"a temperature takes its sign", kModeAbsolute, 20, -10, kTemperature, -10},
    {"a temperature beyond int stays inside it", kModeLinear, 20, 1e12, kTemperature,
     std::numeric_limits<int32_t>::max()},
    {"correction -10 % stores 90", kModeAbsolute, 100, -10, kCorrection, 90},
    {"correction +15 % stores 115", kModeAbsolute, 100, 15, kCorrection, 115},
    {"correction linear on the stored coefficient", kModeLinear, 110, -20, kCorrection, 90},
    {"correction percentage of the stored coefficient", kModePercentage, 110, 10, kCorrection, 121},
    {"correction held at its floor", kModeAbsolute, 100, -150, kCorrection, 0},
    {"pressure reference absolute", kModeAbsolute, 1, -2.5, kPressureRef, 2.5},
    {"pressure reference held at 65.535", kModeLinear, 65, 1, kPressureRef, 65.535},
    {"pressure reference never below 0", kModeLinear, 0.5, -1, kPressureRef, 0},
    {"pressure coefficient takes its sign", kModeAbsolute, 1, -2.5, kPressureCoeff, -2.5},
    {"unknown mode keeps the value", 7, 77, 5, kMap, 77},
};

TEST(CellModes, EachModeInsideItsItemsRange) {
    for (const ModeCase& c : kModeCases)
        EXPECT_DOUBLE_EQ(ApplyCellMode(c.mode, c.stored, c.entered, c.range), c.expected) << c.what;
}

TEST(CellModes, ReferencesStayStrictlyIncreasing) {
    const std::vector<double> row = {-20, 0, 20, 40, 60};
    struct Case {
        int index;
        double value;
        bool keeps;
    } cases[] = {
        {0, -30, true},  {0, 0, false},  {0, 5, false},  // first: below its right neighbour
        {2, 10, true},   {2, 0, false},  {2, 40, false}, // middle: between both
        {2, 39, true},   {4, 41, true},  {4, 40, false}, // last: above its left neighbour
        {4, 1000, true}, {-1, 0, false}, {5, 80, false}, // outside the row
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeepsIncreasing(row, c.index, c.value), c.keeps)
            << "index " << c.index << " value " << c.value;
}

TEST(CellModes, FirstReferenceOutOfOrder) {
    EXPECT_EQ(FirstOutOfOrder(std::vector<double>{500, 500, 1000}), 0);
    EXPECT_EQ(FirstOutOfOrder(std::vector<double>{500, 700, 600, 900}), 1);
    EXPECT_EQ(FirstOutOfOrder(std::vector<double>{0.5, 1.0, 1.5}), -1);
    EXPECT_EQ(FirstOutOfOrder(std::vector<double>{}), -1) << "a map of no columns";
    EXPECT_EQ(FirstOutOfOrder(std::vector<double>{800}), -1);
}

// Four values in two parts of two. Each case fails some of the calls of the
// setter, counted from 0 (the four writes, then the ones that put back), a
// failure either refused on a link that holds or the link lost from then on.
TEST(CellModes, WriteAllOrNoneAndWhatALostLinkLeavesMixed) {
    struct Unit {
        std::vector<double> values{1, 2, 3, 4};
        std::map<int, bool> failures; // call -> the link is lost with it
        int calls = 0;
        bool up = true;
        bool set(int i, double v) {
            const auto f = failures.find(calls++);
            if (f != failures.end() && f->second)
                up = false;
            if (f != failures.end() || !up)
                return false;
            values[i] = v;
            return true;
        }
    };
    struct Case {
        const char* name;
        std::map<int, bool> failures;
        std::vector<double> ends;
        std::vector<int> mixed;
        bool written = false;
    } cases[] = {
        {"no fault", {}, {10, 20, 30, 40}, {}, true},
        {"the third refused", {{2, false}}, {1, 2, 3, 4}, {}},
        {"the last refused, one put-back refused", {{3, false}, {5, false}}, {1, 20, 3, 4}, {0}},
        {"lost at the first", {{0, true}}, {1, 2, 3, 4}, {0}},
        {"lost in the first part", {{1, true}}, {10, 2, 3, 4}, {0}},
        {"lost at the second part's first", {{2, true}}, {10, 20, 3, 4}, {1}},
        {"the last refused, lost while putting back", {{3, false}, {5, true}}, {10, 20, 3, 4}, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Unit unit;
        unit.failures = c.failures;
        std::vector<TValueWrite> writes;
        for (int i = 0; i < 4; ++i)
            writes.push_back({unit.values[i], unit.values[i] * 10,
                              [&unit, i](double v) { return unit.set(i, v); }, i / 2});
        const TWriteResult result = WriteAllOrNone(writes, [&] { return unit.up; });
        EXPECT_EQ(result.written, c.written);
        EXPECT_EQ(result.mixed, c.mixed);
        EXPECT_EQ(unit.values, c.ends);
    }
}

TEST(CellDialogKeys, FilterOfTheValueField) {
    struct Case {
        char key;
        const char* text;
        int selStart;
        int selLength;
        bool floatMode;
        bool accepted;
    } cases[] = {
        {'7', "12", 2, 0, false, true},   {8, "12", 2, 0, false, true},
        {'-', "12", 1, 0, false, false},                                   // in the middle
        {'-', "12", 0, 0, false, true},                                    // at the start
        {'-', "-1", 0, 0, false, false},                                   // a second one
        {'-', "-1", 0, 2, false, true},                                    // over the one selected
        {'-', "5-1", 0, 1, false, false}, {',', "12", 2, 0, false, false}, // integer mode
        {',', "12", 2, 0, true, true},    {',', "1,2", 3, 0, true, false}, // a second separator
        {',', "1,2", 1, 1, true, true},                                    // over the one selected
        {'.', "12", 2, 0, true, false}, // not this machine's separator
        {'a', "12", 2, 0, true, false},   {' ', "12", 2, 0, true, false},
        {'+', "", 0, 0, true, false},     {22, "12", 0, 0, true, false}, // Ctrl+V
    };
    for (const Case& c : cases)
        EXPECT_EQ(TFormModMappa::AcceptsKey(c.key, c.text, c.selStart, c.selLength, c.floatMode),
                  c.accepted)
            << "'" << c.key << "' into \"" << c.text << "\" at " << c.selStart;
}

} // namespace
