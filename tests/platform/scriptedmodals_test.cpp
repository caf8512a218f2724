#include "guiapp.h"
#include "tests/support/scriptedmodals.h"

#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

class ScriptedModalsTest : public ::testing::Test {
protected:
    void SetUp() override { GuiApp(); }
};

// A small window of the kind the program runs modally: an edit, OK and
// Cancel, and an accept that refuses an empty edit.
class EditDialog : public QDialog {
    Q_OBJECT
public:
    EditDialog() {
        setObjectName("FormNumero");
        setWindowTitle("Numero");
        edit = new QLineEdit(this);
        ok = new QPushButton("OK", this);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(edit);
        layout->addWidget(ok);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
    void accept() override {
        if (!edit->text().isEmpty())
            QDialog::accept();
    }
    void showEvent(QShowEvent* e) override {
        shownBeforeAction = true;
        QDialog::showEvent(e);
    }
    QLineEdit* edit;
    QPushButton* ok;
    bool shownBeforeAction = false;
};

TEST_F(ScriptedModalsTest, InstallsItselfAndPutsThePreviousScriptBack) {
    ASSERT_EQ(platform::modalScript(), nullptr);
    {
        ScriptedModals outer;
        EXPECT_EQ(platform::modalScript(), &outer);
        {
            ScriptedModals inner;
            EXPECT_EQ(platform::modalScript(), &inner);
        }
        EXPECT_EQ(platform::modalScript(), &outer);
    }
    EXPECT_EQ(platform::modalScript(), nullptr);
}

TEST_F(ScriptedModalsTest, MatchesBySubstringInQueueOrder) {
    ScriptedModals modals;
    modals.expectMessageBox(platform::IDYES, "Salvare");
    modals.expectMessageBox(platform::IDOK, "Vexano"); // matched by the caption
    modals.expectFileDialog(std::string("/f.vx8"), "*.vx8");
    modals.expectInput(std::string("12"), "riga");
    EXPECT_EQ(platform::MessageBox(nullptr, "Salvare i dati?", "Vexano", platform::MB_YESNO),
              platform::IDYES);
    EXPECT_EQ(platform::MessageBox(nullptr, "Completato", "Vexano", platform::MB_OK),
              platform::IDOK);
    platform::FileDialogRequest r;
    r.filter = "Config|*.vx8";
    r.filterIndex = 1;
    const auto chosen = platform::RunFileDialog(r);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->fileName, "/f.vx8");
    EXPECT_EQ(chosen->filterIndex, 1) << "the dialog's own index when none is given";
    EXPECT_EQ(platform::InputQuery({nullptr, "Inserisci", "Immettere la riga", "", 0}), "12");
    EXPECT_EQ(modals.pendingExpectations(), 0u);
}

TEST_F(ScriptedModalsTest, ActionFillsTheShownWindowAndClicksItsButton) {
    ScriptedModals modals;
    modals.expectModal(
        [](QDialog& d) {
            auto& dialog = static_cast<EditDialog&>(d);
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_TRUE(dialog.shownBeforeAction);
            dialog.ok->click(); // refused: the edit is empty
            EXPECT_TRUE(dialog.isVisible());
            dialog.edit->setText("42");
            dialog.ok->click();
            return 99; // the window closed itself: its own result counts
        },
        "FormNumero");
    EditDialog dialog;
    EXPECT_EQ(platform::ShowModal(dialog), QDialog::Accepted);
    EXPECT_EQ(dialog.edit->text(), "42");
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ScriptedModalsTest, WindowLeftOpenClosesWithTheReturnedValue) {
    ScriptedModals modals;
    modals.expectModal([](QDialog&) { return 7; }, "EditDialog");
    modals.expectModal(QDialog::Accepted, "Numero");
    EditDialog first, second;
    EXPECT_EQ(platform::ShowModal(first), 7);
    EXPECT_FALSE(first.isVisible());
    EXPECT_EQ(platform::ShowModal(second), QDialog::Accepted);
    EXPECT_TRUE(second.shownBeforeAction) << "a plain answer still shows the window";
}

TEST_F(ScriptedModalsTest, UnexpectedInteractionFailsAndAnswersNo) {
    const struct {
        unsigned flags;
        int answer;
    } refusals[] = {
        {platform::MB_OK, platform::IDOK},
        {platform::MB_YESNO, platform::IDNO},
        {platform::MB_YESNOCANCEL, platform::IDCANCEL},
        {platform::MB_OKCANCEL, platform::IDCANCEL},
    };
    ScriptedModals modals;
    for (const auto& r : refusals) {
        int answer = 0;
        EXPECT_NONFATAL_FAILURE(answer = platform::MessageBox(nullptr, "Sorpresa", "c", r.flags),
                                "unexpected message box \"Sorpresa\"");
        EXPECT_EQ(answer, r.answer);
    }
    std::optional<platform::FileDialogResult> file;
    EXPECT_NONFATAL_FAILURE(file = platform::RunFileDialog({}), "unexpected file dialog");
    EXPECT_EQ(file, std::nullopt);
    std::string input;
    EXPECT_NONFATAL_FAILURE(input = platform::InputBox(nullptr, "c", "p", "default"),
                            "unexpected input box");
    EXPECT_EQ(input, "default");
    EditDialog dialog;
    int result = -1;
    EXPECT_NONFATAL_FAILURE(result = platform::ShowModal(dialog), "class \"EditDialog\"");
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_FALSE(dialog.shownBeforeAction) << "an unexpected window is never shown";
    ASSERT_EQ(modals.interactions().size(), 7u);
    for (const auto& i : modals.interactions())
        EXPECT_FALSE(i.expected);
}

TEST_F(ScriptedModalsTest, WrongKindOrTextDoesNotConsumeTheExpectation) {
    ScriptedModals modals;
    modals.expectMessageBox(platform::IDYES, "Salvare");
    int answer = 0;
    EXPECT_NONFATAL_FAILURE(
        answer = platform::MessageBox(nullptr, "Completato", "c", platform::MB_YESNO),
        "expected message box matching \"Salvare\"");
    EXPECT_EQ(answer, platform::IDNO);
    EXPECT_NONFATAL_FAILURE(platform::InputBox(nullptr, "Salvare", "p", ""),
                            "unexpected input box");
    EXPECT_EQ(modals.pendingExpectations(), 1u);
    EXPECT_EQ(platform::MessageBox(nullptr, "Salvare?", "c", platform::MB_YESNO), platform::IDYES);
}

TEST_F(ScriptedModalsTest, ExpectationNeverMetFailsAtTheEnd) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedModals modals;
            modals.expectMessageBox(platform::IDOK);
            modals.expectModal(QDialog::Accepted, "FormAttesa");
            platform::MessageBox(nullptr, "t", "c", platform::MB_OK);
        },
        "expected modal window matching \"FormAttesa\" was never shown");
}

} // namespace

#include "scriptedmodals_test.moc"
