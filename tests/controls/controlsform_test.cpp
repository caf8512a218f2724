// Both controls as a window's layout holds them: promoted widgets of a .ui
// file, with an owner that moves committed values into an image by DataCode.
#include "ui_TestControlsForm.h"

#include "platform/cp1252.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <map>

namespace {

class TestForm : public QWidget {
public:
    TestForm() {
        ui.setupUi(this);
        ui.EditGiriCambio->SetNextControl(ui.ComboTipoLambda);
        ui.ComboTipoLambda->SetPrevControl(ui.EditGiriCambio);
        ui.ComboTipoLambda->SetNextControl(ui.EditRifLambda);
        ui.EditRifLambda->SetPrevControl(ui.ComboTipoLambda);
        for (TNumericEdit* edit : {ui.EditGiriCambio, ui.EditRifLambda})
            connect(edit, &TNumericEdit::keyPressed, this, [this](QObject* sender, char& key) {
                auto* edit = qobject_cast<TNumericEdit*>(sender);
                if (key == 13 && edit->DataCode() >= 0)
                    image[edit->DataCode()] = edit->GetDouble();
            });
        connect(ui.ComboTipoLambda, &TKeyComboBox::keyPressed, this, [this](QObject*, char& key) {
            TKeyComboBox* combo = ui.ComboTipoLambda;
            if (key == 13 && !combo->DroppedDown() && combo->DataCode() >= 0)
                image[combo->DataCode()] = combo->currentIndex();
        });
    }
    Ui::TestControlsForm ui;
    std::map<int, double> image;
};

void press(Qt::Key key) {
    QTest::keyClick(QApplication::focusWidget(), key);
}
void type(const char* keys) {
    QTest::keyClicks(QApplication::focusWidget(), keys);
}

} // namespace

TEST(ControlsForm, ALayoutsControlsCarryTheirPropertiesAndCommitThroughTheOwner) {
    TestForm form;
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.ui.EditGiriCambio->setFocus();

    type("16300");
    press(Qt::Key_Return);
    EXPECT_EQ(form.image[528], 1650) << "four characters, stepped by 50";
    EXPECT_EQ(QApplication::focusWidget(), form.ui.ComboTipoLambda);

    press(Qt::Key_Return);
    EXPECT_TRUE(form.ui.ComboTipoLambda->DroppedDown());
    EXPECT_EQ(form.image.count(4), 0u) << "opening the list commits nothing";
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    EXPECT_EQ(form.image[4], 2);

    press(Qt::Key_Down);
    ASSERT_EQ(QApplication::focusWidget(), form.ui.EditRifLambda);
    type("1,23");
    press(Qt::Key_Up);
    EXPECT_EQ(platform::fromUnicode(form.ui.EditRifLambda->text()), "1,24")
        << "without Validation leaving keeps the typed value, stepped";
    EXPECT_EQ(form.image.count(5), 0u) << "but commits nothing";
    EXPECT_EQ(form.ui.EditRifLambda->GetLimit(1), 5);

    const TNumericEdit* plain = form.ui.EditLibero;
    EXPECT_EQ(plain->property("DataCode").toInt(), -1);
    EXPECT_EQ(plain->property("DataIndex").toInt(), -1);
    EXPECT_EQ(plain->property("VisibilityLevel").toInt(), 90);
    EXPECT_TRUE(plain->property("Validation").toBool());
    EXPECT_EQ(plain->property("MaxLength").toInt(), 0);
    EXPECT_EQ(plain->text(), "0");
    EXPECT_TRUE(form.ui.ComboTipoLambda->property("MoveFocus").toBool());
}
