#include "controlsfixture.h"

#include "shell/controls/keycombobox.h"
#include "shell/controls/numericedit.h"

#include "platform/cp1252.h"
#include "platform/numbers.h"

#include <QClipboard>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <string>
#include <vector>

namespace {

// Types into whatever has the focus, as the user would: "\r" Enter, "\b"
// Backspace, "\x1b" Esc.
void typeKeys(const std::string& keys) {
    for (char c : keys) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        if (c == '\r')
            QTest::keyClick(target, Qt::Key_Return);
        else if (c == '\b')
            QTest::keyClick(target, Qt::Key_Backspace);
        else if (c == '\x1b')
            QTest::keyClick(target, Qt::Key_Escape);
        else
            QTest::keyClick(target, c);
    }
}

std::string shown(const QLineEdit* edit) {
    return platform::fromUnicode(edit->text());
}

// What the owning window sees of a field.
struct EditOwner {
    explicit EditOwner(TNumericEdit* edit) {
        QObject::connect(edit, &TNumericEdit::keyPressed, edit, [this, edit](QObject* s, char& k) {
            EXPECT_EQ(s, edit);
            pressed.push_back(k);
            if (k == 13) {
                commitTexts.push_back(shown(edit));
                commitValues.push_back(edit->GetDouble());
            }
            if (k == consume)
                k = 0;
        });
        QObject::connect(edit, &TNumericEdit::keyDown, edit,
                         [this](QObject*, int& k, Qt::KeyboardModifiers) { downs.push_back(k); });
        QObject::connect(edit, &TNumericEdit::entered, edit, [this](QObject*) { ++entered; });
        QObject::connect(edit, &TNumericEdit::exited, edit, [this](QObject*) { ++exited; });
    }
    char consume = 0;
    std::vector<char> pressed;
    std::vector<std::string> commitTexts;
    std::vector<double> commitValues;
    std::vector<int> downs;
    int entered = 0;
    int exited = 0;
};

TNumericEdit* configure(TNumericEdit* edit, double min, double max, double step) {
    edit->SetLimit(1, max);
    edit->SetLimit(2, min);
    edit->SetPrecision(step);
    return edit;
}

} // namespace

using NumericEditTyping = ControlsWindow;

TEST_F(NumericEditTyping, EnterCommitsTheTypedValueLimitedAndStepped) {
    const struct {
        const char* name;
        double min, max, step;
        bool disableLimit;
        const char* keys;
        double committed;
        const char* text;
    } cases[] = {
        {"over the upper limit", 0, 255, 1, false, "300\r", 255, "255"},
        {"minus refused while values cannot go below 0", 0, 255, 1, false, "-5\r", 5, "5"},
        {"minus accepted without limits", 0, 0, 0, false, "-5\r", -5, "-5"},
        {"minus accepted with limits switched off", 0, 255, 1, true, "-300\r", -300, "-300"},
        {"below a negative lower limit", -40, 180, 0.01, false, "-50\r", -40, "-40"},
        {"minus only at the start", 0, 0, 0, false, "5-\r", 5, "5"},
        {"half-way goes to the step above", 0, 8000, 50, false, "1625\r", 1650, "1650"},
        {"nearer to the step above", 0, 8000, 50, false, "1630\r", 1650, "1650"},
        {"nearer to the step below", 0, 8000, 50, false, "1620\r", 1600, "1600"},
        {"one separator only", 0, 5, 0.02, false, "1,2,3\r", 1.24, "1,24"},
        {"half-way on hundredths", 0, 5, 0.02, false, "0,03\r", 0.04, "0,04"},
        {"no separator on a whole step", 0, 255, 1, false, "1,5\r", 15, "15"},
        {"letters, blank, plus and point swallowed", 0, 255, 1, false, "1a2 +.\r", 12, "12"},
        {"upper limit of a fractional field", -40, 180, 0.01, false, "200\r", 180, "180"},
        {"empty text keeps the last value", 0, 255, 1, false, "\b\r", 0, "0"},
        {"no limit clamps while switched off", 0, 255, 0, true, "999\r", 999, "999"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* edit = configure(add<TNumericEdit>(), c.min, c.max, c.step);
        edit->SetDisableLimit(c.disableLimit);
        EditOwner owner(edit);
        show(edit);
        typeKeys(c.keys);
        ASSERT_EQ(owner.commitValues.size(), 1u);
        EXPECT_DOUBLE_EQ(owner.commitValues[0], c.committed);
        EXPECT_EQ(owner.commitTexts[0], c.text) << "the owner reads the normalised text";
        EXPECT_EQ(shown(edit), c.text);
        EXPECT_TRUE(edit->hasFocus()) << "no chain: the focus stays";
        EXPECT_EQ(edit->selectedText(), edit->text()) << "and the text is selected";
        delete edit;
    }
}

TEST_F(NumericEditTyping, OwnerSeesOnlyAcceptedCharactersAndMayConsumeThem) {
    auto* edit = configure(add<TNumericEdit>(), 0, 10, 0.1);
    EditOwner owner(edit);
    owner.consume = '7';
    show(edit);
    typeKeys("1a7,");
    QTest::keyClick(edit, Qt::Key_Period, Qt::KeypadModifier); // a second separator: refused
    typeKeys("5");
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    typeKeys("\r");
    EXPECT_EQ(owner.pressed, (std::vector<char>{'1', '7', ',', '5', 13}));
    EXPECT_EQ(owner.commitTexts, std::vector<std::string>{"1,5"});

    edit->selectAll();
    typeKeys("2");
    QTest::keyClick(edit, Qt::Key_Period, Qt::KeypadModifier);
    EXPECT_EQ(shown(edit), "2,") << "the keypad's separator key types the program's one";
}

TEST_F(NumericEditTyping, SeparatorAndMinusReplaceOnlyASelectionHoldingThem) {
    auto* edit = configure(add<TNumericEdit>(), 0, 0, 0.02);
    show(edit);
    typeKeys("-1,5");
    QTest::keyClick(edit, Qt::Key_Home);
    typeKeys("-");
    EXPECT_EQ(shown(edit), "-1,5") << "a second minus";
    edit->setSelection(3, 1); // the 5
    typeKeys(",");
    EXPECT_EQ(shown(edit), "-1,5") << "a second separator";
    edit->setSelection(2, 2); // ",5"
    typeKeys(",2");
    EXPECT_EQ(shown(edit), "-1,2");
    edit->selectAll();
    typeKeys("-3\r");
    EXPECT_EQ(shown(edit), "-3");
}

TEST_F(NumericEditTyping, EscReturnsToTheLastAcceptedValue) {
    auto* edit = configure(add<TNumericEdit>(), 0, 100, 1);
    edit->SetDouble(42);
    EditOwner owner(edit);
    show(edit);
    typeKeys("17\x1b");
    EXPECT_EQ(shown(edit), "42");
    EXPECT_EQ(edit->selectedText(), "42");
    typeKeys("17\r99\x1b");
    EXPECT_EQ(shown(edit), "17") << "Enter made 17 the accepted value";
    EXPECT_EQ(owner.pressed, (std::vector<char>{'1', '7', '1', '7', 13, '9', '9'}))
        << "Esc is no key press for the owner";
    EXPECT_EQ(owner.downs.back(), int(Qt::Key_Escape)) << "but a key down it does see";
}

TEST_F(NumericEditTyping, LeavingTheFieldDropsOrKeepsTheTypedTextByValidation) {
    for (bool validation : {true, false}) {
        SCOPED_TRACE(validation ? "Validation" : "no Validation");
        auto* edit = configure(add<TNumericEdit>(), 0, 100, 0.01);
        auto* other = add<QLineEdit>();
        edit->SetValidation(validation);
        edit->SetDouble(7);
        EditOwner owner(edit);
        show(edit);
        typeKeys("12,345");
        other->setFocus();
        EXPECT_EQ(shown(edit), validation ? "7" : "12,35");
        EXPECT_DOUBLE_EQ(edit->GetDouble(), validation ? 7 : 12.35);
        EXPECT_EQ(owner.exited, 1);
        EXPECT_TRUE(owner.commitValues.empty()) << "leaving is no commit";
        delete edit;
        delete other;
    }
}

TEST_F(NumericEditTyping, APopupOrAnotherWindowTakingTheFocusIsNotLeaving) {
    auto* edit = configure(add<TNumericEdit>(), 0, 100, 1);
    edit->SetDouble(7);
    EditOwner owner(edit);
    show(edit);
    typeKeys("42");

    QMenu menu(&window_);
    menu.addAction("Incolla");
    menu.popup(edit->mapToGlobal(QPoint(0, 0)));
    QTRY_VERIFY(menu.isVisible());
    menu.close();
    QTRY_VERIFY(edit->hasFocus());

    QWidget otherWindow;
    otherWindow.show();
    otherWindow.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&otherWindow));
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    ASSERT_TRUE(edit->hasFocus());

    EXPECT_EQ(shown(edit), "42") << "the typed text survives";
    EXPECT_EQ(owner.entered, 1);
    EXPECT_EQ(owner.exited, 0);
    typeKeys("\x1b");
    EXPECT_EQ(shown(edit), "7") << "and is still not accepted";
}

TEST_F(NumericEditTyping, EnteringTheFieldLimitsAndStepsItsText) {
    auto* edit = configure(add<TNumericEdit>(), 0, 100, 0.01);
    edit->setText("7,456");
    EditOwner owner(edit);
    show(edit);
    EXPECT_EQ(shown(edit), "7,46");
    EXPECT_EQ(edit->selectedText(), "7,46") << "entered from the keyboard: all selected";
    typeKeys("9\x1b");
    EXPECT_EQ(shown(edit), "7,46");
    EXPECT_EQ(owner.entered, 1);
}

TEST_F(NumericEditTyping, PastedAndDroppedTextMustBeANumber) {
    auto* edit = configure(add<TNumericEdit>(), 0, 255, 1);
    edit->SetDouble(7);
    EditOwner owner(edit);
    show(edit);
    for (const char* text : {"abc", "1,2,3", "12-", "1.5", " 12", "--1"}) {
        edit->selectAll();
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
        EXPECT_EQ(shown(edit), "7") << text;
    }
    QMimeData dropped;
    dropped.setText("x5");
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit, &drop);
    EXPECT_EQ(shown(edit), "7") << "dropped";
    typeKeys("\r");
    EXPECT_EQ(owner.commitTexts, std::vector<std::string>{"7"});

    const struct {
        const char* text;
        const char* committed;
    } numbers[] = {{"-7", "0"}, {"12,5", "13"}, {"300", "255"}};
    for (const auto& n : numbers) {
        edit->selectAll();
        QGuiApplication::clipboard()->setText(n.text);
        QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
        EXPECT_EQ(shown(edit), n.text);
        typeKeys("\r");
        EXPECT_EQ(owner.commitTexts.back(), n.committed) << "limits hold for pasted text too";
    }
}

TEST_F(NumericEditTyping, MaxLengthZeroMeansNoLimit) {
    auto* edit = add<TNumericEdit>();
    edit->SetDisableLimit(true);
    edit->SetMaxLength(0);
    show(edit);
    typeKeys(std::string(40, '1'));
    EXPECT_EQ(edit->text().size(), 40);
    edit->SetMaxLength(4);
    edit->selectAll();
    typeKeys("12345");
    EXPECT_EQ(shown(edit), "1234");
    edit->SetPrecision(0.01);
    edit->SetDouble(-25.37);
    EXPECT_EQ(shown(edit), "-25,37") << "the limit is the user's, not the program's";
}

TEST(NumericEditValues, SettersShowTheValueLimitedOrStepped) {
    const struct {
        double min, max, step, value;
        const char* text;
    } cases[] = {
        {0, 255, 1, 300, "255"},           {0, 255, 1, -3, "0"},        {0, 8000, 50, 1625, "1650"},
        {-8000, 8000, 50, -1625, "-1600"}, {0, 5, 0.02, 0.03, "0,04"},  {0, 5, 0.01, 1.005, "1,01"},
        {0, 1, 0.1, 0.1 + 0.2, "0,3"},     {0, 275, 50, 275, "275"},    {0, 275, 50, 300, "275"},
        {0, 0, 0, -1e6, "-1000000"},       {0, 100, 0, 7.456, "7,456"},
    };
    for (const auto& c : cases) {
        TNumericEdit edit;
        configure(&edit, c.min, c.max, c.step)->SetDouble(c.value);
        EXPECT_EQ(shown(&edit), c.text) << c.value << " step " << c.step;
        EXPECT_EQ(platform::FloatToStr(edit.GetDouble()), c.text) << "and holds it";
    }
    TNumericEdit edit;
    configure(&edit, 0, 255, 1)->SetInt(300);
    EXPECT_EQ(shown(&edit), "255");
    edit.SetInt(-1);
    EXPECT_EQ(shown(&edit), "0");
    edit.SetDouble(std::nan(""));
    EXPECT_EQ(shown(&edit), "0") << "not a number changes nothing";
}

TEST(NumericEditValues, GetDoubleLeavesTheTextAlone) {
    TNumericEdit edit;
    configure(&edit, 0, 255, 50)->SetDouble(100);
    edit.setText("240");
    EXPECT_EQ(edit.GetDouble(), 250);
    edit.setText("-5");
    EXPECT_EQ(edit.GetDouble(), 0) << "a lower limit of 0 holds too";
    edit.setText("");
    EXPECT_EQ(edit.GetDouble(), 100) << "no number: the last accepted value";
    EXPECT_EQ(shown(&edit), "");
}

TEST(NumericEditValues, GetIntCorrectsTheTextAndReturnsWhatItShows) {
    const struct {
        double min, max, step;
        const char* text;
        int result;
        const char* shownAfter;
    } cases[] = {
        {0, 8000, 50, "1630", 1600, "1600"}, {-8000, 8000, 50, "-1630", -1600, "-1600"},
        {0, 255, 1, "300", 255, "255"},      {0, 255, 0, "300", 255, "255"},
        {0, 255, 0, "-5", 0, "0"},           {0, 10, 0.1, "3", 3, "3"},
        {0, 0, 0, "0300", 300, "0300"},      {0, 0, 0, "", 7, ""},
        {0, 0, 0, "12,5", 7, "12,5"},
    };
    for (const auto& c : cases) {
        TNumericEdit edit;
        configure(&edit, c.min, c.max, c.step)->SetDouble(7.9);
        edit.setText(c.text);
        EXPECT_EQ(edit.GetInt(), c.result) << c.text << " step " << c.step;
        EXPECT_EQ(shown(&edit), c.shownAfter) << c.text << " step " << c.step;
    }
}

TEST(NumericEditValues, LimitsThatWouldCrossAreIgnored) {
    TNumericEdit edit;
    edit.SetLimit(2, 5);
    EXPECT_EQ(edit.MinValue(), 0) << "a lower limit above the upper one";
    edit.SetLimit(1, 30);
    edit.SetLimit(2, 20);
    edit.SetLimit(1, 10);
    edit.SetLimit(2, 40);
    EXPECT_EQ(edit.GetLimit(1), 30);
    EXPECT_EQ(edit.GetLimit(2), 20);
    EXPECT_EQ(edit.GetLimit(7), 20) << "any index but 1 reads the lower limit";
}

using FocusChain = ControlsWindow;

TEST_F(FocusChain, ArrowsAndEnterWalkTheChainOverHiddenAndDisabledFields) {
    auto* a = add<TNumericEdit>();
    auto* hidden = add<TNumericEdit>();
    auto* b = add<TNumericEdit>();
    auto* disabled = add<TNumericEdit>();
    auto* c = add<TNumericEdit>();
    hidden->hide();
    disabled->setEnabled(false);
    const std::vector<TNumericEdit*> chain{a, hidden, b, disabled, c};
    for (size_t i = 0; i + 1 < chain.size(); ++i) {
        chain[i]->SetNextControl(chain[i + 1]);
        chain[i + 1]->SetPrevControl(chain[i]);
    }
    EditOwner ownerOfC(c);
    show(a);
    typeKeys("5\r");
    EXPECT_EQ(focused(), b);
    typeKeys("6");
    QTest::keyClick(b, Qt::Key_Down);
    EXPECT_EQ(focused(), c);
    EXPECT_EQ(shown(b), "0") << "leaving by the chain without Enter drops the text";
    QTest::keyClick(c, Qt::Key_Down);
    EXPECT_EQ(focused(), c) << "end of the chain";
    typeKeys("8\r");
    EXPECT_EQ(focused(), c);
    EXPECT_EQ(c->selectedText(), "8");
    QTest::keyClick(c, Qt::Key_Up);
    EXPECT_EQ(focused(), b);
    QTest::keyClick(b, Qt::Key_Up);
    QTest::keyClick(a, Qt::Key_Up);
    EXPECT_EQ(focused(), a) << "start of the chain";
    EXPECT_EQ(ownerOfC.downs, (std::vector<int>{0, Qt::Key_8, Qt::Key_Return, 0}))
        << "consumed arrows reach the owner as 0";
}

TEST_F(FocusChain, AWalkEndsAtAControlThatCannotTakeTheFocusAndAtALoop) {
    auto* start = add<TNumericEdit>();
    auto* hiddenEdit = add<TNumericEdit>();
    auto* hiddenCombo = add<TKeyComboBox>();
    auto* button = add<QPushButton>();
    hiddenEdit->hide();
    hiddenCombo->hide();
    show(start);

    start->SetNextControl(hiddenEdit);
    hiddenEdit->SetNextControl(hiddenCombo);
    hiddenCombo->SetNextControl(button);
    EXPECT_EQ(start->GetNextControl(), button) << "through a hidden list too";
    button->hide();
    EXPECT_EQ(start->GetNextControl(), nullptr) << "a hidden control of another kind";

    hiddenCombo->SetNextControl(hiddenEdit);
    EXPECT_EQ(start->GetNextControl(), nullptr) << "a loop of hidden controls";
    hiddenEdit->SetPrevControl(hiddenEdit);
    start->SetPrevControl(hiddenEdit);
    EXPECT_EQ(start->GetPrevControl(), nullptr);
    typeKeys("\r");
    EXPECT_EQ(focused(), start);

    delete hiddenEdit;
    EXPECT_EQ(start->GetNextControl(), nullptr) << "a deleted control leaves no dangling link";
}
