#include "statuspanels.h"

#include "platform/cp1252.h"

#include <QPainter>
#include <QStyleOption>

TStatusPanels::TStatusPanels(std::vector<Panel> panels, QWidget* parent)
    : QWidget(parent), panels_(std::move(panels)) {}

void TStatusPanels::setText(int i, const std::string& text) {
    panels_.at(i).text = text;
    update();
}

void TStatusPanels::setPanelWidth(int i, int width) {
    panels_.at(i).width = width;
    updateGeometry();
    update();
}

QRect TStatusPanels::panelRect(int i) const {
    int left = 0;
    for (int k = 0; k < i; ++k)
        left += panels_[k].width;
    return QRect(left, 0, panels_.at(i).width, height());
}

QSize TStatusPanels::sizeHint() const {
    int width = 0;
    for (const Panel& p : panels_)
        width += p.width;
    return QSize(width, fontMetrics().height() + 6);
}

void TStatusPanels::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int i = 0; i < count(); ++i) {
        const QRect r = panelRect(i).adjusted(0, 0, -2, -1);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(r);
        const QRect inside = r.adjusted(1, 1, 0, 0);
        painter.setPen(palette().color(QPalette::WindowText));
        if (panels_[i].ownerDrawn && draw_) {
            painter.save();
            draw_(painter, i, inside);
            painter.restore();
        } else {
            painter.drawText(inside.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                             platform::toUnicode(panels_[i].text));
        }
    }
}
