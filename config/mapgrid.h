#pragma once
// Placeholder for the map grid of the editor's layout, so the layout builds
// before the grid class itself: a plain table view with no behaviour.
#include <QTableView>

class TMapGrid : public QTableView {
    Q_OBJECT

public:
    explicit TMapGrid(QWidget* parent = nullptr) : QTableView(parent) {}
};
