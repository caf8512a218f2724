#pragma once
// The panels of the main window's status bar: fixed widths, a text each,
// some drawn by their owner.
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class TStatusPanels : public QWidget {
public:
    struct Panel {
        int width;
        bool ownerDrawn;
        std::string text; // code page 1252
    };
    // Draws an owner-drawn panel: index and rectangle.
    using DrawHandler = std::function<void(QPainter&, int, const QRect&)>;

    TStatusPanels(std::vector<Panel> panels, QWidget* parent);
    int count() const { return static_cast<int>(panels_.size()); }
    const std::string& text(int i) const { return panels_.at(i).text; }
    void setText(int i, const std::string& text);
    int panelWidth(int i) const { return panels_.at(i).width; }
    void setPanelWidth(int i, int width);
    QRect panelRect(int i) const;
    void setDrawHandler(DrawHandler handler) { draw_ = std::move(handler); }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::vector<Panel> panels_;
    DrawHandler draw_;
};
