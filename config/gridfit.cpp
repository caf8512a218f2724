#include "gridfit.h"

#include <QHeaderView>
#include <QTableView>
#include <algorithm>

TGridFit FitGrid(int clientWidth, int clientHeight, int rows, int columns, int firstColumn) {
    rows = std::max(1, rows);
    columns = std::max(1, columns);
    TGridFit fit;
    const int shared = firstColumn > 0 ? columns - 1 : columns;
    const int room = clientWidth - firstColumn;
    fit.columnWidth = shared > 0 ? std::max(0, room / shared - 1) : 0;
    fit.rowHeight = std::max(0, clientHeight / rows - 1);
    fit.clientWidth = firstColumn + (fit.columnWidth + 1) * shared;
    fit.clientHeight = (fit.rowHeight + 1) * rows;
    return fit;
}

void ApplyGridFit(QTableView& grid, const TGridFit& fit, int firstColumn) {
    for (QHeaderView* header : {grid.horizontalHeader(), grid.verticalHeader()})
        header->setMinimumSectionSize(1);
    grid.horizontalHeader()->setDefaultSectionSize(fit.columnWidth + 1);
    grid.verticalHeader()->setDefaultSectionSize(fit.rowHeight + 1);
    if (firstColumn > 0)
        grid.setColumnWidth(0, firstColumn);
    const int frame = 2 * grid.frameWidth();
    grid.resize(fit.clientWidth + frame, fit.clientHeight + frame);
}
