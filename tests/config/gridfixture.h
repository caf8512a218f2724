#pragma once
// A data module over the simulated unit whose memory holds a known map,
// read into the image, and grids of the editor in a window on the
// offscreen screen.
#include "mapgrid.h"
#include "shellfixture.h"

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

class QTimer;

// Types `text` into the cell dialog, picks the mode and presses OK; the
// dialog's proposed text goes to *proposed; *stopped must be stopped while
// the dialog is open.
ScriptedModals::DialogAction Answer(std::string text, int mode, std::string* proposed = nullptr,
                                    QTimer* stopped = nullptr);

// The map cells, row by row, as far as the image's geometry goes: as the
// unit holds them, and as the image does.
std::vector<int> UnitMapCells(const SimUnit& sim, const TStreamDati& data);
std::vector<int> ImageMapCells(const TStreamDati& data);

class GridTest : public ShellTest {
protected:
    GridTest();
    ~GridTest() override;

    // The unit gets a map of `columns` x `rows` (NumeroColonne x NumeroRighe)
    // and the other tables of the grids, and the image reads it.
    void LoadUnit(int columns, int rows);
    // A grid of the kind in the window, shaped from the image and shown.
    TMapGrid& Grid(TGridKind kind);
    // Fits the grid's cells to width x height as the editor does.
    static void Fit(TMapGrid& grid, int width, int height, int firstColumn = 0);
    // The grid's colours as the editor sets them: cells, fixed cells, navy fonts.
    static void Colour(TMapGrid& grid, const QColor& cells, const QColor& fixed);
    // The map cell as the unit holds it.
    int UnitMap(int row, int col) const;

    static int MapValue(int row, int col) { return 60 + row * 12 + col; }
    static int RifGiriK(int col) { return 803 + 500 * col; }

    int columns = 0;
    std::unique_ptr<QWidget> window;
};
