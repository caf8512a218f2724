#include "livewidgets.h"

#include "livegauges.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {

constexpr QColor kNavy(0x00, 0x00, 0x80);

void DrawLamp(QPainter& p, const QRect& r, const QColor& colour, const QString& letter) {
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(colour);
    p.drawEllipse(r.adjusted(2, 2, -2, -2));
    QFont f = p.font();
    f.setPixelSize(std::max(8, r.height() / 2));
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(r, Qt::AlignCenter, letter);
}

// The tube stands where the bar grows (design x 54..65 of the picture at 36,
// bottom at 330 of 48..361), the bulb below it.
void DrawThermometer(QPainter& p, const QRect& r) {
    const double sx = r.width() / 58.0, sy = r.height() / 313.0;
    const int left = int(15 * sx), right = int(32 * sx);
    const int top = int(2 * sy), bottom = int(284 * sy);
    const int cx = (left + right) / 2, bulb = int(14 * sx);
    p.setPen(QPen(Qt::darkGray, 2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRect(left, top, right - left, bottom - top), (right - left) / 2,
                      (right - left) / 2);
    p.setBrush(QColor(0x80, 0x00, 0x80));
    p.drawEllipse(QPoint(cx, bottom + bulb / 2), bulb, bulb);
    p.setPen(QPen(Qt::black, 1));
    for (int i = 0; i <= 10; ++i) {
        const int y = int((4 + 276 * i / 10.0) * sy);
        p.drawLine(right + 2, y, right + (i % 5 == 0 ? 10 : 6), y);
    }
}

} // namespace

void TShape::SetBrush(const QColor& c) {
    if (c != brush_) {
        brush_ = c;
        update();
    }
}

void TShape::SetPen(const QColor& c) {
    pen_ = c;
    update();
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), brush_);
    p.setPen(pen_);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QString name = objectName();
    const QRect r = rect();
    if (name == "ImageT")
        DrawThermometer(p, r);
    else if (name == "ImageGasOn")
        DrawLamp(p, r, QColor(0x00, 0xD0, 0x00), "G");
    else if (name == "ImageGasOff")
        DrawLamp(p, r, QColor(0x30, 0x50, 0x30), "G");
    else if (name == "ImageBenzOn")
        DrawLamp(p, r, QColor(0xFF, 0xA0, 0x00), "B");
    else if (name == "ImageBenzOff")
        DrawLamp(p, r, QColor(0x60, 0x48, 0x20), "B");
    else
        DrawLamp(p, r, QColor(0x40, 0x80, 0xFF), name == "Image1" ? "" : "?");
}

void TDial::SetGeometryOfNeedle(QPoint centre, int length) {
    centre_ = centre;
    length_ = length;
    update();
}

void TDial::SetNeedle(int rpm) {
    if (rpm == rpm_)
        return;
    rpm_ = rpm;
    update();
}

void TDial::drawFace(QPainter& p) const {
    p.setRenderHint(QPainter::Antialiasing);
    const int radius = std::min(width(), height()) / 2 - 2;
    const QPoint c = rect().center() + QPoint(1, 1);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(Face());
    p.drawEllipse(c, radius, radius);
    // The scale: a mark every 500 rpm, a number every 1000, the same sweep
    // as the needle's.
    QFont f = font();
    f.setPixelSize(std::max(8, radius / 6));
    p.setFont(f);
    for (int rpm = 0; rpm <= 7000; rpm += 500) {
        const live::NeedleEnd outer = live::NeedleOffset(rpm, radius - 4);
        const live::NeedleEnd inner = live::NeedleOffset(rpm, radius - (rpm % 1000 ? 10 : 16));
        p.setPen(QPen(rpm >= 6000 ? Qt::red : Qt::black, rpm % 1000 ? 1 : 3));
        p.drawLine(c + QPoint(inner.dx, inner.dy), c + QPoint(outer.dx, outer.dy));
        if (rpm % 1000 == 0) {
            const live::NeedleEnd at = live::NeedleOffset(rpm, radius - 30);
            const QRect box(c.x() + at.dx - 12, c.y() + at.dy - 12, 24, 24);
            p.drawText(box, Qt::AlignCenter, QString::number(rpm / 1000));
        }
    }
}

void TDial::paintEvent(QPaintEvent*) {
    const qreal dpr = devicePixelRatioF();
    if (face_.size() != size() * dpr) {
        face_ = QPixmap(size() * dpr);
        face_.setDevicePixelRatio(dpr);
        face_.fill(Qt::transparent);
        QPainter fp(&face_);
        drawFace(fp);
    }
    QPainter p(this);
    p.drawPixmap(0, 0, face_);
    p.setRenderHint(QPainter::Antialiasing);
    const live::NeedleEnd end = live::NeedleOffset(rpm_, length_);
    p.setPen(QPen(kNavy, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre_, centre_ + QPoint(end.dx, end.dy));
    p.setBrush(kNavy);
    p.drawEllipse(centre_, 5, 5);
}
