#pragma once
// The drawn parts of the live display: a filled shape (the bars), the
// pictures of the thermometer and the fuel lamps, and the engine-speed dial
// with its needle.
#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QWidget>

// A rectangle filled with a brush and outlined with a pen.
class TShape : public QWidget {
public:
    explicit TShape(QWidget* parent = nullptr) : QWidget(parent) {}
    void SetBrush(const QColor& c);
    void SetPen(const QColor& c);
    QColor Brush() const { return brush_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor brush_ = Qt::white;
    QColor pen_ = Qt::black;
};

// A picture of the display, chosen by its object name: the thermometer
// (ImageT), the gas and petrol lamps on and off, the fuel-kind sign.
class TPicture : public QWidget {
public:
    explicit TPicture(QWidget* parent = nullptr) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override;
};

// The engine-speed dial: its face with the scale 0..7 (x 1000 rpm) and the
// needle from the centre to the end point of the needle's offset.
class TDial : public QWidget {
public:
    explicit TDial(QWidget* parent = nullptr) : QWidget(parent) {}
    // centre: in the dial's coordinates; length in pixels.
    void SetGeometryOfNeedle(QPoint centre, int length);
    void SetNeedle(int rpm);
    int Needle() const { return rpm_; }
    static QColor Face() { return QColor(0xDD, 0xDD, 0xDD); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    // The face and its scale, drawn once per size: a tick repaints only
    // the needle over it.
    void drawFace(QPainter& p) const;
    QPixmap face_;
    QPoint centre_;
    int length_ = 0;
    int rpm_ = 0;
};
