#pragma once
// How a grid is fitted to its room: cells of one width and one height (the
// first column may keep a width of its own), one pixel of grid line after
// each, so that the cells fill the grid exactly.
class QTableView;

struct TGridFit {
    int columnWidth = 0; // of every column but a fixed first one, without its line
    int rowHeight = 0;
    int clientWidth = 0; // the cells and their lines
    int clientHeight = 0;
};

// rows and columns count at least one; firstColumn 0: all columns alike.
TGridFit FitGrid(int clientWidth, int clientHeight, int rows, int columns, int firstColumn = 0);
// Sizes grid's cells and its outer size to the fit; the top-left corner stays.
void ApplyGridFit(QTableView& grid, const TGridFit& fit, int firstColumn = 0);
