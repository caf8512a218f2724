#pragma once
// The three ways the cell dialog changes the selected cells of a grid, and
// the rule that keeps a row of references strictly increasing.
#include <cstdint>
#include <span>

enum TCellMode : uint8_t { kModeAbsolute = 0, kModeLinear = 1, kModePercentage = 2 };

// The values an item of the image takes.
struct TItemRange {
    double Min = 0;
    double Max = 0;
    bool Integer = false;  // results are truncated toward zero
    bool Unsigned = false; // an absolute entry stands for its magnitude
    // Stored value = shown value + Offset (the corrections show coefficient - 100).
    double Offset = 0;
};

// The new stored value of a cell from its stored value and the value typed
// in the dialog, computed in double and held inside the item's range, so
// that nothing wraps on its way to the setter. An unknown mode keeps the
// stored value.
double ApplyCellMode(uint8_t mode, double stored, double entered, const TItemRange& range);

// Whether `value` at `index` keeps the row strictly increasing from left to
// right against its neighbours as they now are.
bool KeepsIncreasing(std::span<const double> row, int index, double value);
