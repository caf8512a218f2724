#pragma once
// The carburation map's clipboard text: a block of cells as a spreadsheet
// writes it (TAB between the cells of a row, CR LF between rows), and the
// reading of such a text back into cells.
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Rows top to bottom of columns left to right; value(row, col) gives a cell.
std::string MapBlockText(int rows, int columns, const std::function<int(int, int)>& value);

// A block read from the clipboard: Columns from the first line, Rows its
// lines; Lines holds the cells of the first 12 lines and 12 columns, as many
// as a map has. A field that gives no cell value is empty: not a whole
// number, or negative. Numbers above 255 are 255.
struct TPastedBlock {
    int Columns = 0;
    int Rows = 0;
    std::vector<std::vector<std::optional<int>>> Lines;
};

// CR LF, CR and LF end a line, a final line end adds none; a text without
// lines gives an empty block. A line with fewer TABs than the first puts its
// last field in the block's last column and leaves the fields before it empty.
TPastedBlock ReadPastedBlock(const std::string& text);
