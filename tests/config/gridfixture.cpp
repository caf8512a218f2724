#include "gridfixture.h"

#include "formmodmappa.h"
#include "gridfit.h"
#include "ui_FormModMappa.h"

#include "core/transfer.h"
#include "language.h"
#include "platform/cp1252.h"

#include <QApplication>
#include <QTimer>

GridTest::GridTest() {
    window = std::make_unique<QWidget>();
    window->resize(800, 600);
    LanguageIndex = 0;
}

GridTest::~GridTest() {
    window.reset();
    LanguageIndex = 0;
}

void GridTest::LoadUnit(int cols, int rows) {
    columns = cols;
    ASSERT_TRUE(sim.setMapGeometry(cols, rows + 1)) << "the unit counts the open-loop row";
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c < cols; ++c)
            ASSERT_TRUE(sim.poke(0x54, r * cols + c, MapValue(r, c)));
    for (int c = 0; c < cols; ++c) {
        ASSERT_TRUE(sim.poke(0x3d, c, RifGiriK(c)));
        ASSERT_TRUE(sim.poke(0x7f, c, 100 + 10 * c));
    }
    for (int r = 0; r < rows; ++r)
        ASSERT_TRUE(sim.poke(0x37, r, 50 + 40 * r));
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(sim.poke(0x0c, i, 1000 + 500 * i));
        ASSERT_TRUE(sim.poke(0x82, i, 20 + 5 * i));
        ASSERT_TRUE(sim.poke(0x83, i, 10 * i));
    }
    for (int i = 0; i < 9; ++i) {
        ASSERT_TRUE(sim.poke(0x2b, i, 95 + i));
        ASSERT_TRUE(sim.poke(0x5d, i, 105 - i));
    }
    for (int i = 0; i < 10; ++i) {
        // The temperatures rise from point 8 to point 1.
        ASSERT_TRUE(sim.poke(0x2a, i, 25 + 25 * i));
        ASSERT_TRUE(sim.poke(0x5c, i, 25 + 25 * i));
    }
    for (int i = 0; i < 15; ++i)
        ASSERT_TRUE(sim.poke(0x7b, i, 200 + 300 * i));
    ASSERT_TRUE(data->EcuLink()->Connect());
    ASSERT_TRUE(data->Transfer(kTransferUnitToImage, "", 0, kGroupAll, false))
        << data->LastTransferError();
    ASSERT_EQ(data->GetNumeroColonne(), cols);
    ASSERT_EQ(data->GetNumeroRighe(), rows);
    sim.clearCallLog();
}

TMapGrid& GridTest::Grid(TGridKind kind) {
    auto* grid = new TMapGrid(window.get());
    grid->SetKind(kind);
    grid->ShapeFromImage();
    grid->setGeometry(10, 10, 700, 400);
    window->show();
    return *grid;
}

int GridTest::UnitMap(int row, int col) const {
    return sim.peek(0x54, row * columns + col).value_or(-1);
}

void GridTest::Fit(TMapGrid& grid, int width, int height, int firstColumn) {
    const int frame = 2 * grid.frameWidth();
    ApplyGridFit(
        grid, FitGrid(width - frame, height - frame, grid.RowCount(), grid.ColCount(), firstColumn),
        firstColumn);
}

void GridTest::Colour(TMapGrid& grid, const QColor& cells, const QColor& fixed) {
    QPalette p = grid.palette();
    p.setColor(QPalette::Base, cells);
    p.setColor(QPalette::Button, fixed);
    p.setColor(QPalette::Text, QColor(0, 0, 128));
    p.setColor(QPalette::ButtonText, QColor(0, 0, 128));
    grid.setPalette(p);
}

ScriptedModals::DialogAction Answer(std::string text, int mode, std::string* proposed,
                                    QTimer* stopped) {
    return [=](QDialog& d) {
        auto& dialog = dynamic_cast<TFormModMappa&>(d);
        Ui::FormModMappa& ui = *dialog.ui();
        if (proposed)
            *proposed = platform::fromUnicode(ui.Edit1->text());
        if (stopped) {
            EXPECT_FALSE(stopped->isActive()) << "the editor's timer stops for the dialog";
        }
        EXPECT_TRUE(ui.RadioAssoluto->isChecked()) << "every edit starts absolute";
        ui.Edit1->setText(platform::toUnicode(text));
        QRadioButton* modes[] = {ui.RadioAssoluto, ui.RadioLineare, ui.RadioPercentuale};
        modes[mode]->setChecked(true);
        ui.ButtonOK->click();
        EXPECT_FALSE(dialog.isVisible());
        return 1;
    };
}

std::vector<int> UnitMapCells(const SimUnit& sim, const TStreamDati& data) {
    const std::vector<int> unit = sim.peekAll(0x54);
    const int columns = int(unit.size()) / 13;
    std::vector<int> cells;
    for (int r = 0; r <= data.GetNumeroRighe(); ++r)
        for (int c = 0; c < data.GetNumeroColonne(); ++c)
            cells.push_back(unit.at(size_t(r * columns + c)));
    return cells;
}

std::vector<int> ImageMapCells(const TStreamDati& data) {
    std::vector<int> cells;
    for (int r = 0; r <= data.GetNumeroRighe(); ++r)
        for (int c = 0; c < data.GetNumeroColonne(); ++c)
            cells.push_back(data.GetMappaK(r, c));
    return cells;
}
