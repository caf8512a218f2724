#include "controlsfixture.h"

#include "shell/controls/keycombobox.h"
#include "shell/controls/numericedit.h"

#include "platform/clock.h"

#include <QAbstractItemView>
#include <QWheelEvent>
#include <vector>

namespace {

// What the owning window sees of a choice list.
struct ComboOwner {
    struct Press {
        char key;
        bool open;
        int index;
        bool operator==(const Press&) const = default;
    };
    explicit ComboOwner(TKeyComboBox* combo) {
        QObject::connect(combo, &TKeyComboBox::keyPressed, combo,
                         [this, combo](QObject* s, char& k) {
                             EXPECT_EQ(s, combo);
                             pressed.push_back({k, combo->DroppedDown(), combo->currentIndex()});
                         });
        QObject::connect(combo, &TKeyComboBox::changed, combo,
                         [this, combo](QObject*) { changes.push_back(combo->currentIndex()); });
        QObject::connect(combo, &TKeyComboBox::keyDown, combo,
                         [this](QObject*, int& k, Qt::KeyboardModifiers) { downs.push_back(k); });
        QObject::connect(combo, &TKeyComboBox::entered, combo, [this](QObject*) { ++entered; });
        QObject::connect(combo, &TKeyComboBox::exited, combo, [this](QObject*) { ++exited; });
    }
    std::vector<Press> pressed;
    std::vector<int> changes; // the item at each change
    std::vector<int> downs;
    int entered = 0;
    int exited = 0;
};

constexpr char kEnter = 13;

// Keys go where the focus is: the open list has it while it is shown.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, key, modifiers);
}

void type(char c) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, c);
}

void clickItem(TKeyComboBox* combo, int row) {
    QAbstractItemView* list = combo->view();
    const QRect item = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
}

class KeyComboBoxTest : public ControlsWindow {
protected:
    KeyComboBoxTest() : combo_(add<TKeyComboBox>()), owner_(combo_) {
        combo_->addItems({"Assente", "Normale", "Nuovo", "Invertito"});
    }
    void showAt(int index) {
        combo_->setCurrentIndex(index);
        show(combo_);
    }
    TKeyComboBox* combo_;
    ComboOwner owner_;
};

} // namespace

TEST_F(KeyComboBoxTest, EnterOnTheClosedListOpensItAndReachesTheOwner) {
    showAt(1);
    press(Qt::Key_Return);
    EXPECT_TRUE(combo_->DroppedDown());
    EXPECT_EQ(owner_.pressed, (std::vector<ComboOwner::Press>{{kEnter, true, 1}}));
    EXPECT_TRUE(owner_.changes.empty());
}

TEST_F(KeyComboBoxTest, EscInTheOpenListReturnsToTheLastCommittedChoice) {
    showAt(1);
    press(Qt::Key_Return);
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    press(Qt::Key_Escape);
    EXPECT_FALSE(combo_->DroppedDown());
    EXPECT_EQ(combo_->currentIndex(), 1);
    EXPECT_TRUE(owner_.changes.empty());
    EXPECT_EQ(owner_.pressed.size(), 1u) << "only the Enter that opened the list";

    press(Qt::Key_Return);
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    EXPECT_EQ(combo_->currentIndex(), 2);
    EXPECT_EQ(owner_.changes, std::vector<int>{2});
    EXPECT_EQ(owner_.pressed.back(), (ComboOwner::Press{kEnter, false, 2}))
        << "the commit comes with the list closed";

    press(Qt::Key_Return);
    press(Qt::Key_Up);
    press(Qt::Key_Escape);
    EXPECT_EQ(combo_->currentIndex(), 2) << "Esc now returns to the new choice";
    EXPECT_EQ(owner_.changes.size(), 1u);
}

TEST_F(KeyComboBoxTest, UpAndDownWrapInTheOpenListWithoutAChange) {
    showAt(3);
    press(Qt::Key_Return);
    press(Qt::Key_Down);
    EXPECT_EQ(combo_->currentIndex(), 3);
    EXPECT_EQ(combo_->view()->currentIndex().row(), 0);
    EXPECT_TRUE(owner_.changes.empty());
    EXPECT_EQ(owner_.downs.back(), 0) << "the wrap consumes the key";
    press(Qt::Key_Return);
    EXPECT_EQ(combo_->currentIndex(), 0);
    EXPECT_EQ(owner_.changes, std::vector<int>{0});
    EXPECT_EQ(owner_.pressed.back(), (ComboOwner::Press{kEnter, false, 0}));

    press(Qt::Key_Return);
    press(Qt::Key_Up);
    press(Qt::Key_Return);
    EXPECT_EQ(combo_->currentIndex(), 3);
}

TEST_F(KeyComboBoxTest, EnterOnTheChosenItemStillCommitsIt) {
    showAt(2);
    press(Qt::Key_Return);
    press(Qt::Key_Return);
    EXPECT_FALSE(combo_->DroppedDown());
    EXPECT_TRUE(owner_.changes.empty());
    EXPECT_EQ(owner_.pressed,
              (std::vector<ComboOwner::Press>{{kEnter, true, 2}, {kEnter, false, 2}}));
    press(Qt::Key_Return);
    EXPECT_TRUE(combo_->DroppedDown()) << "the next Enter opens the list again";
}

TEST_F(KeyComboBoxTest, AClickOnAnItemCommitsIt) {
    showAt(0);
    combo_->showPopup(); // as a click on the closed list does
    ASSERT_TRUE(combo_->DroppedDown());
    clickItem(combo_, 3);
    EXPECT_FALSE(combo_->DroppedDown());
    EXPECT_EQ(combo_->currentIndex(), 3);
    EXPECT_EQ(owner_.changes, std::vector<int>{3});
    EXPECT_EQ(owner_.pressed, (std::vector<ComboOwner::Press>{{kEnter, false, 3}}));

    press(Qt::Key_Return);
    press(Qt::Key_Up);
    press(Qt::Key_Escape);
    EXPECT_EQ(combo_->currentIndex(), 3);

    combo_->showPopup();
    clickItem(combo_, 3);
    EXPECT_FALSE(combo_->DroppedDown());
    EXPECT_EQ(owner_.changes.size(), 1u) << "the item already chosen: no change";
}

TEST_F(KeyComboBoxTest, SettingTheItemFromCodeRaisesNothing) {
    showAt(0);
    combo_->setCurrentIndex(2);
    EXPECT_TRUE(owner_.changes.empty());
    EXPECT_TRUE(owner_.pressed.empty());
    combo_->showPopup();
    clickItem(combo_, 2);
    EXPECT_FALSE(combo_->DroppedDown());
    EXPECT_TRUE(owner_.changes.empty()) << "clicking the item it shows changes nothing";
}

TEST_F(KeyComboBoxTest, ClosedListArrowsWalkTheChainAndLeaveTheItem) {
    auto* previous = add<TNumericEdit>();
    auto* next = add<TNumericEdit>();
    combo_->SetPrevControl(previous);
    combo_->SetNextControl(next);
    showAt(1);
    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_PageUp, Qt::Key_PageDown})
        press(key);
    EXPECT_EQ(owner_.downs, (std::vector<int>{0, 0, 0, 0}));
    press(Qt::Key_Down);
    EXPECT_EQ(focused(), next);
    combo_->setFocus();
    press(Qt::Key_Up);
    EXPECT_EQ(focused(), previous);
    EXPECT_EQ(combo_->currentIndex(), 1);
    EXPECT_TRUE(owner_.changes.empty());
    EXPECT_EQ(owner_.exited, 2);

    combo_->setFocus();
    press(Qt::Key_Escape);
    EXPECT_EQ(owner_.downs.back(), int(Qt::Key_Escape));
    EXPECT_EQ(owner_.pressed.back(), (ComboOwner::Press{27, false, 1})) << "Esc reaches the owner";
    press(Qt::Key_End);
    EXPECT_EQ(owner_.changes, std::vector<int>{3}) << "a change on the closed list commits at once";
    EXPECT_EQ(owner_.pressed.back(), (ComboOwner::Press{kEnter, false, 3}));
}

TEST_F(KeyComboBoxTest, TypeAheadChoosesByPrefixUntilAPause) {
    platform::VirtualClock clock(10000);
    platform::setClock(&clock);
    showAt(0);
    type('n');
    EXPECT_EQ(combo_->currentIndex(), 1);
    clock.advance(300);
    type('u');
    EXPECT_EQ(combo_->currentIndex(), 2) << "\"nu\"";
    EXPECT_EQ(owner_.changes, (std::vector<int>{1, 2}));
    EXPECT_EQ(owner_.pressed.back(), (ComboOwner::Press{kEnter, false, 2}));
    clock.advance(600);
    type('a');
    EXPECT_EQ(combo_->currentIndex(), 0) << "a new prefix after the pause";

    press(Qt::Key_Return);
    clock.advance(600);
    type('i');
    EXPECT_EQ(combo_->view()->currentIndex().row(), 3) << "the open list only highlights";
    EXPECT_EQ(combo_->currentIndex(), 0);
    press(Qt::Key_Return);
    EXPECT_EQ(combo_->currentIndex(), 3);
    platform::setClock(nullptr);
}

TEST_F(KeyComboBoxTest, ItsOwnListTakingTheFocusIsNotLeaving) {
    auto* other = add<TNumericEdit>();
    showAt(0);
    press(Qt::Key_Return);
    press(Qt::Key_Down);
    press(Qt::Key_Escape);
    EXPECT_TRUE(combo_->hasFocus());
    EXPECT_EQ(owner_.entered, 1);
    EXPECT_EQ(owner_.exited, 0);
    other->setFocus();
    EXPECT_EQ(owner_.exited, 1);

    // An owner that opens the list as the field is entered.
    QObject::connect(combo_, &TKeyComboBox::entered, combo_, [this] { combo_->showPopup(); });
    other->SetNextControl(combo_);
    QTest::keyClick(other, Qt::Key_Return);
    EXPECT_TRUE(combo_->DroppedDown());
    EXPECT_EQ(owner_.entered, 2);
    EXPECT_EQ(owner_.exited, 1);
}

TEST_F(KeyComboBoxTest, TheWheelChoosesOnlyInTheFocusedList) {
    auto* other = add<TNumericEdit>();
    showAt(1);
    const auto wheel = [this] {
        QWheelEvent event(QPointF(5, 5), combo_->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(combo_, &event);
    };
    other->setFocus();
    wheel();
    EXPECT_EQ(combo_->currentIndex(), 1);
    combo_->setFocus();
    wheel();
    EXPECT_EQ(combo_->currentIndex(), 2);
    EXPECT_EQ(owner_.changes, std::vector<int>{2});
    EXPECT_EQ(owner_.pressed.back(), (ComboOwner::Press{kEnter, false, 2}));
}
