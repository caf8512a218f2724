#pragma once
// A shown, active window to put input controls in, so focus moves for real.
#include <QApplication>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

class ControlsWindow : public ::testing::Test {
protected:
    ControlsWindow() : layout_(new QVBoxLayout(&window_)) {}

    template <class Control> Control* add() {
        auto* control = new Control(&window_);
        layout_->addWidget(control);
        if (window_.isVisible())
            control->show();
        return control;
    }

    // Shows the window active and gives `first` the focus.
    void show(QWidget* first) {
        window_.show();
        window_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
        first->setFocus();
        ASSERT_TRUE(first->hasFocus());
    }

    static QWidget* focused() { return QApplication::focusWidget(); }

    QWidget window_;
    QVBoxLayout* layout_;
};
