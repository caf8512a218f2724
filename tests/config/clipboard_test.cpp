// The map's block through the clipboard: the copied text as a spreadsheet
// takes it, a spreadsheet's copy pasted back, the size question, ragged lines
// and bad fields, and a block that runs over the map's bottom or right edge.
#include "gridfixture.h"

#include "formconfig.h"
#include "mapclipboard.h"
#include "ui_FormConfig.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <map>
#include <regex>

namespace {

using Cells = std::map<std::pair<int, int>, int>; // (map row, map column) -> value

class MapClipboard : public GridTest {
protected:
    TFormConfig& Editor() {
        editor = std::make_unique<TFormConfig>();
        editor->LoadCaptions();
        Grid().ShapeFromImage();
        return *editor;
    }
    TMapGrid& Grid() { return *editor->ui()->DrawGridK; }
    static QClipboard& Clipboard() { return *QGuiApplication::clipboard(); }

    // Every write to the map's cells since the log was cleared.
    Cells Written() const {
        Cells cells;
        const std::regex cell(R"(WriteParamCell\(0x54,(\d+),(\d+),(-?\d+)\)=1)");
        for (const std::string& line : sim.callLog()) {
            std::smatch m;
            if (std::regex_search(line, m, cell))
                cells[{std::stoi(m[1]), std::stoi(m[2])}] = std::stoi(m[3]);
        }
        return cells;
    }

    ScriptedModals modals;
    std::unique_ptr<TFormConfig> editor;
};

TEST_F(MapClipboard, CopyGivesTheCellsAsASpreadsheetsText) {
    LoadUnit(6, 12);
    TFormConfig& e = Editor();
    const int block[2][3] = {{10, 20, 30}, {40, 50, 60}};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            ASSERT_TRUE(data->SetMappaK(3 + r, 1 + c, block[r][c]));
    Grid().SetSelection({2, 4, 4, 5});
    e.MenuCopiaTaraturaClick();
    EXPECT_EQ(Clipboard().text().toStdString(), "10\t20\t30\r\n40\t50\t60");
    Grid().SetSelection({3, 5, 3, 5});
    e.MenuCopiaTaraturaClick();
    EXPECT_EQ(Clipboard().text().toStdString(), "50") << "one cell: no TAB, no line end";
    // Ctrl+C on the focused grid is the same command; so is Ctrl+V.
    Grid().SetSelection({1, 1, 2, 1});
    e.show();
    e.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&e));
    e.ui()->PageControl->SetActivePage(e.ui()->TabKCoefficienti);
    ASSERT_TRUE(Grid().isVisible());
    Grid().setFocus();
    QTest::keyClick(&Grid(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard().text().toStdString(),
              std::to_string(MapValue(0, 0)) + "\t" + std::to_string(MapValue(0, 1)));
    Clipboard().setText("7");
    Grid().SetSelection({1, 1, 1, 1});
    sim.clearCallLog();
    QTest::keyClick(&Grid(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Written(), (Cells{{{0, 0}, 7}}));
    EXPECT_EQ(modals.pendingExpectations(), 0u);
}

TEST_F(MapClipboard, PasteWritesTheShownMapOnly) {
    struct Case {
        const char* name;
        int columns, rows; // the unit's map
        const char* text;
        TGridRect selection;
        std::optional<int> answer; // the size question, when asked
        Cells written;
        TGridRect selected;
    };
    const Cells sixAt44 = {{{4, 4}, 10}, {{4, 5}, 20}, {{4, 6}, 30},
                           {{5, 4}, 40}, {{5, 5}, 50}, {{5, 6}, 60}};
    const Cells nine = {{{0, 0}, 1}, {{0, 1}, 2}, {{0, 2}, 3}, {{1, 0}, 4}, {{1, 1}, 5},
                        {{1, 2}, 6}, {{2, 0}, 7}, {{2, 1}, 8}, {{2, 2}, 9}};
    const char* threeByThree = "1\t2\t3\r\n4\t5\t6\r\n7\t8\t9";
    // Far more than any map holds: only the map's cells are read and kept.
    std::string huge;
    for (int i = 0; i < 1500; ++i) {
        for (int j = 0; j < 1500; ++j)
            huge += j ? "\t1" : "1";
        huge += "\n";
    }
    Cells whole;
    for (int r = 0; r < 12; ++r)
        for (int col = 0; col < 8; ++col)
            whole[{r, col}] = 1;
    const Case cases[] = {
        {"the copied text at one cell",
         8,
         12,
         "10\t20\t30\r\n40\t50\t60",
         {5, 5, 5, 5},
         {},
         sixAt44,
         {5, 5, 7, 6}},
        {"a spreadsheet's copy, LF",
         8,
         12,
         "10\t20\t30\n40\t50\t60\n",
         {5, 5, 5, 5},
         {},
         sixAt44,
         {5, 5, 7, 6}},
        {"a spreadsheet's copy, CR LF",
         8,
         12,
         "10\t20\t30\r\n40\t50\t60\r\n",
         {5, 5, 5, 5},
         {},
         sixAt44,
         {5, 5, 7, 6}},
        {"same size as the selection", 8, 12, threeByThree, {1, 1, 3, 3}, {}, nine, {1, 1, 3, 3}},
        {"other size, Yes: the whole block",
         8,
         12,
         threeByThree,
         {1, 1, 2, 2},
         platform::IDYES,
         nine,
         {1, 1, 3, 3}},
        {"other size, No: nothing",
         8,
         12,
         threeByThree,
         {1, 1, 2, 2},
         platform::IDNO,
         {},
         {1, 1, 2, 2}},
        {"ragged lines and bad fields",
         8,
         12,
         "7\tx\t9\r\n5\r\n1.5\t-3\t300\r\n\t\t\r\n1e2\t 4\t+5",
         {1, 1, 1, 1},
         {},
         {{{0, 0}, 7}, {{0, 2}, 9}, {{1, 2}, 5}, {{2, 2}, 255}},
         {1, 1, 3, 5}},
        {"past the bottom and the right",
         6,
         12,
         threeByThree,
         {5, 11, 5, 11},
         {},
         {{{10, 4}, 1}, {{10, 5}, 2}, {{11, 4}, 4}, {{11, 5}, 5}},
         {5, 11, 6, 12}},
        {"no line at all", 8, 12, "", {2, 2, 2, 2}, {}, {}, {2, 2, 2, 2}},
        {"a block far larger than the map",
         8,
         12,
         huge.c_str(),
         {1, 1, 1, 1},
         {},
         whole,
         {1, 1, 8, 12}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.columns != columns) {
            LoadUnit(c.columns, c.rows);
            Editor();
        }
        sim.clearCallLog();
        TFormConfig& e = *editor;
        Clipboard().setText(QString::fromLatin1(c.text));
        Grid().SetSelection(c.selection);
        if (c.answer)
            modals.expectMessageBox(*c.answer, "dimensioni diverse.\n\nContinuare?");
        e.MenuIncollaTaraturaClick();
        EXPECT_EQ(modals.pendingExpectations(), 0u);
        if (c.answer) {
            ASSERT_FALSE(modals.interactions().empty());
            EXPECT_EQ(modals.interactions().back().flags, 308u);
        }
        EXPECT_EQ(Written(), c.written);
        EXPECT_EQ(sim.countCalls("WriteParamCell"), int(c.written.size()));
        for (const auto& [cell, value] : c.written)
            EXPECT_EQ(data->GetMappaK(cell.first, cell.second), value);
        EXPECT_EQ(Grid().Selection(), c.selected);
    }
}

TEST_F(MapClipboard, PasteIsOfferedExactlyWhenTheClipboardHoldsText) {
    LoadUnit(6, 12);
    TFormConfig& e = Editor();
    QAction* paste = e.ui()->MenuIncolla;
    Clipboard().clear();
    emit e.ui()->PopupMenuGrid->aboutToShow();
    EXPECT_FALSE(paste->isEnabled());
    Clipboard().setText("1");
    emit e.ui()->PopupMenuGrid->aboutToShow();
    EXPECT_TRUE(paste->isEnabled());
    auto* picture = new QMimeData;
    picture->setImageData(QImage(2, 2, QImage::Format_RGB32));
    Clipboard().setMimeData(picture);
    emit e.ui()->PopupMenuGrid->aboutToShow();
    EXPECT_FALSE(paste->isEnabled());
    // Only the map offers the menu.
    EXPECT_EQ(e.ui()->DrawGridK->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_NE(e.ui()->DrawGridOpenLoop->contextMenuPolicy(), Qt::CustomContextMenu);
}

} // namespace
