// The grids over the image: their shapes from the map's geometry, what the
// cells show, fitting to the space, the selection, the colours and the
// keys that leave the grid.
#include "gridfixture.h"

#include "language.h"
#include "platform/numbers.h"

#include <QLineEdit>
#include <QTest>

namespace {

struct Shape {
    int rows;
    int cols;
};

TEST_F(GridTest, ShapesFollowTheMapsGeometry) {
    struct Case {
        int columns; // 0: nothing read yet
        int rows;
        Shape k, openLoop;
    } cases[] = {{0, 0, {1, 1}, {3, 1}}, {6, 8, {9, 7}, {3, 7}}, {12, 12, {13, 13}, {3, 13}}};
    for (const Case& c : cases) {
        if (c.columns > 0)
            LoadUnit(c.columns, c.rows);
        for (auto [kind, shape] :
             {std::pair{TGridKind::K, c.k}, std::pair{TGridKind::OpenLoop, c.openLoop},
              std::pair{TGridKind::Emissioni, Shape{2, 13}},
              std::pair{TGridKind::TempRid, Shape{2, 9}},
              std::pair{TGridKind::PressDiff, Shape{2, 15}}}) {
            TMapGrid& grid = Grid(kind);
            EXPECT_EQ(grid.RowCount(), shape.rows) << c.columns << "x" << c.rows;
            EXPECT_EQ(grid.ColCount(), shape.cols) << c.columns << "x" << c.rows;
            delete &grid;
        }
    }
}

TEST_F(GridTest, PromotedGridTakesItsKindFromItsName) {
    TMapGrid grid(window.get());
    EXPECT_EQ(grid.RowCount(), 13);
    grid.setObjectName("DrawGridPressDiff");
    EXPECT_EQ(grid.Kind(), TGridKind::PressDiff);
    EXPECT_EQ(grid.ColCount(), 15);
    grid.setObjectName("DrawGridTempMot");
    EXPECT_EQ(grid.Kind(), TGridKind::PressDiff) << "a name does not override a kind set";
}

TEST_F(GridTest, MapCellsShowTheImage) {
    LoadUnit(6, 8);
    TMapGrid& k = Grid(TGridKind::K);
    EXPECT_EQ(k.CellText(0, 0), "t inj/rpm");
    EXPECT_EQ(k.CellText(1, 0), "800") << "rpm rounded down to tens";
    EXPECT_EQ(k.CellText(6, 0), std::to_string(RifGiriK(5) / 10 * 10));
    const std::string ms =
        platform::FloatToStrF(double(data->GetRifTempiK(2)), platform::TFloatFormat::ffFixed, 3, 2);
    EXPECT_EQ(k.CellText(0, 3), ms);
    EXPECT_NE(ms.find(','), std::string::npos);
    EXPECT_EQ(k.CellText(3, 5), std::to_string(MapValue(4, 2)));
    EXPECT_EQ(k.CellText(6, 8), std::to_string(MapValue(7, 5)));
    EXPECT_EQ(k.CellText(7, 8), "") << "outside the grid";

    // The open-loop coefficients are the map's row past its last one.
    TMapGrid& open = Grid(TGridKind::OpenLoop);
    EXPECT_EQ(open.CellText(0, 0), "Rpm");
    EXPECT_EQ(open.CellText(0, 1), "T inj.");
    EXPECT_EQ(open.CellText(0, 2), "K");
    EXPECT_EQ(open.CellText(2, 0), "1300");
    EXPECT_EQ(open.CellText(1, 2), std::to_string(MapValue(8, 0)));
    EXPECT_EQ(open.CellText(6, 2), std::to_string(MapValue(8, 5)));
    EXPECT_EQ(open.CellText(1, 1), platform::FloatToStrF(double(data->GetTOpenLoop(0)),
                                                         platform::TFloatFormat::ffFixed, 3, 2));

    // Every paint reads the image.
    ASSERT_TRUE(data->SetMappaK(4, 2, 7));
    EXPECT_EQ(k.CellText(3, 5), "7");
}

TEST_F(GridTest, TableCellsShowTheImageInEitherLanguage) {
    LoadUnit(12, 12);
    TMapGrid& emissioni = Grid(TGridKind::Emissioni);
    TMapGrid& rid = Grid(TGridKind::TempRid);
    TMapGrid& mot = Grid(TGridKind::TempMot);
    TMapGrid& press = Grid(TGridKind::PressDiff);
    EXPECT_EQ(emissioni.CellText(0, 0), "Giri (rpm)");
    EXPECT_EQ(emissioni.CellText(0, 1), "Rif. sonda lambda (V)");
    EXPECT_EQ(emissioni.CellText(1, 0), "1000");
    EXPECT_EQ(emissioni.CellText(12, 0), "6500");
    EXPECT_EQ(emissioni.CellText(2, 1),
              platform::FloatToStrF(double(data->GetRiferimentiSondaLambda(1)),
                                    platform::TFloatFormat::ffFixed, 3, 2));
    // The temperature tables run backwards: column 0 is point 8, column 8
    // the one beyond point 0; the coefficients show as corrections.
    EXPECT_EQ(rid.CellText(8, 0), "Oltre");
    EXPECT_EQ(rid.CellText(0, 0), std::to_string(data->GetRif(8)));
    EXPECT_EQ(rid.CellText(7, 0), std::to_string(data->GetRif(1)));
    EXPECT_EQ(rid.CellText(0, 1), "3"); // 95 + 8 - 100
    EXPECT_EQ(rid.CellText(8, 1), "-5");
    EXPECT_EQ(mot.CellText(0, 1), "-3");
    EXPECT_EQ(press.CellText(14, 0), "4,40");

    LanguageIndex = 1;
    for (TMapGrid* g : {&emissioni, &rid})
        g->LoadCaptions();
    EXPECT_EQ(emissioni.CellText(0, 0), "RPM (rpm)");
    EXPECT_EQ(emissioni.CellText(0, 1), "Lambda probe ref. (V)");
    emissioni.SetShape(3, 13); // as laid out, before the first fit
    EXPECT_EQ(emissioni.CellText(0, 2), "Time increase when rich");
    EXPECT_EQ(emissioni.CellText(3, 2), "20");
    EXPECT_EQ(rid.CellText(8, 0), "Beyond");
}

TEST_F(GridTest, GridOfHeadersOnlyHoldsAtNoGeometry) {
    TMapGrid& grid = Grid(TGridKind::K); // nothing read: 0 x 0
    ASSERT_EQ(grid.RowCount(), 1);
    Fit(grid, 500, 300);
    EXPECT_EQ(grid.Row(), -1);
    EXPECT_TRUE(grid.Selection().Empty());
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Return); // no dialog
    QTest::keyClick(&grid, Qt::Key_Down);
    grid.SetShape(0, 0);
    EXPECT_TRUE(grid.Selection().Empty());
    EXPECT_EQ(grid.CellText(0, 0), "");
}

TEST_F(GridTest, OneRectangularSelectionInsideTheFixedCells) {
    LoadUnit(6, 8);
    TMapGrid& grid = Grid(TGridKind::K);
    Fit(grid, 700, 400);
    EXPECT_EQ(grid.Selection(), (TGridRect{1, 1, 1, 1})) << "the current cell";
    grid.SetSelection({2, 3, 5, 5});
    EXPECT_EQ(grid.Selection(), (TGridRect{2, 3, 5, 5}));
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(grid.Row(), 3);

    // Dragging from one cell to another selects the rectangle between them.
    QWidget* vp = grid.viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, grid.CellRect(4, 2).center());
    QMouseEvent move(QEvent::MouseMove, grid.CellRect(1, 6).center(),
                     vp->mapToGlobal(grid.CellRect(1, 6).center()), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(vp, &move);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, grid.CellRect(1, 6).center());
    EXPECT_EQ(grid.Selection(), (TGridRect{1, 2, 4, 6}));

    // Shift+click extends it; a click on a fixed cell changes nothing.
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, grid.CellRect(6, 8).center());
    EXPECT_EQ(grid.Selection(), (TGridRect{4, 2, 6, 8}));
    QTest::mouseClick(vp, Qt::LeftButton, {}, grid.CellRect(0, 4).center());
    QTest::mouseClick(vp, Qt::LeftButton, {}, grid.CellRect(3, 0).center());
    EXPECT_EQ(grid.Selection(), (TGridRect{4, 2, 6, 8}));
    // Keys never move onto a fixed cell.
    grid.setFocus();
    grid.SetCurrent(1, 1);
    QTest::keyClick(&grid, Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 1);
}

QColor PixelAt(TMapGrid& grid, int col, int row) {
    const QImage image = grid.viewport()->grab().toImage();
    return image.pixelColor(grid.CellRect(col, row).topLeft() + QPoint(2, 2));
}

TEST_F(GridTest, ColoursOfFixedSelectedAndLiveCells) {
    LoadUnit(6, 8);
    TMapGrid& grid = Grid(TGridKind::K);
    Colour(grid, Qt::cyan, Qt::green);
    Fit(grid, 700, 400);
    auto* other = new QLineEdit(window.get());
    other->show();
    grid.SetSelection({2, 2, 3, 3});
    grid.setFocus();
    QApplication::processEvents();
    EXPECT_EQ(PixelAt(grid, 0, 0), QColor(0, 255, 0)) << "fixed: lime";
    EXPECT_EQ(PixelAt(grid, 3, 3), QColor(0, 0, 128)) << "selected, grid active: navy";
    EXPECT_EQ(PixelAt(grid, 5, 5), QColor(0, 255, 255)) << "other cells: aqua";
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(PixelAt(grid, 3, 3), QColor(0, 255, 255)) << "selected, grid not active";

    // The cursor is drawn over the cells in its colour.
    const QPoint centre = grid.CellRect(4, 4).center();
    grid.SetCursorPoint(centre, QColor(255, 0, 0));
    QApplication::processEvents();
    EXPECT_EQ(grid.viewport()->grab().toImage().pixelColor(centre), QColor(255, 0, 0));

    // A reference row shows its live column on the menu colour.
    TMapGrid& rid = Grid(TGridKind::TempRid);
    Colour(rid, Qt::white, Qt::red);
    Fit(rid, 700, 80);
    rid.SetLiveColumn(3);
    QApplication::processEvents();
    EXPECT_EQ(PixelAt(rid, 3, 0), QColor(240, 240, 240));
    EXPECT_EQ(PixelAt(rid, 4, 0), QColor(255, 0, 0));
    EXPECT_EQ(PixelAt(rid, 4, 1), QColor(255, 255, 255));
    TMapGrid& emissioni = Grid(TGridKind::Emissioni);
    Colour(emissioni, Qt::white, Qt::blue);
    Fit(emissioni, 700, 80, 150);
    emissioni.SetLiveColumn(0); // table index 0: grid column 1
    QApplication::processEvents();
    EXPECT_EQ(PixelAt(emissioni, 1, 0), QColor(240, 240, 240));
    EXPECT_EQ(PixelAt(emissioni, 2, 0), QColor(0, 0, 255));
}

// Up on the first row and Down on the last leave the grid along the tab
// order for the next control beside it.
TEST_F(GridTest, UpAndDownLeaveTheGridForItsNeighbours) {
    LoadUnit(6, 8);
    auto* before = new QLineEdit(window.get());
    TMapGrid& grid = Grid(TGridKind::K);
    auto* box = new QWidget(window.get());
    auto* inner = new QLineEdit(box); // another parent: stepped over
    auto* after = new QLineEdit(window.get());
    QWidget::setTabOrder(before, &grid);
    QWidget::setTabOrder(&grid, inner);
    QWidget::setTabOrder(inner, after);
    for (QWidget* w : {box, static_cast<QWidget*>(inner), static_cast<QWidget*>(after)})
        w->show();

    grid.setFocus();
    grid.SetCurrent(2, 2);
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(grid.Row(), 1) << "not yet the first row";
    EXPECT_TRUE(window->focusWidget() == &grid);
    QTest::keyClick(&grid, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_TRUE(window->focusWidget() == &grid) << "with Shift the grid keeps the key";
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_TRUE(window->focusWidget() == before);

    grid.setFocus();
    grid.SetCurrent(2, 8);
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_TRUE(window->focusWidget() == after);

    // Alone among its siblings, the walk stops after one round.
    delete before;
    delete after;
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_TRUE(window->focusWidget() == &grid);
    EXPECT_FALSE(window->focusWidget() == inner);
}

} // namespace
