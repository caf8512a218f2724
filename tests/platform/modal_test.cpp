#include "guiapp.h"
#include "platform/gui/modal.h"
#include "tests/support/scriptedmodals.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Kind = ScriptedModals::Kind;

class ModalSeam : public ::testing::Test {
protected:
    // The real file dialog keeps its history in the user's settings: here in
    // a scratch folder, never in the real home.
    void SetUp() override {
        GuiApp();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    }
    QTemporaryDir settings;
};

TEST_F(ModalSeam, ScriptSeesEachRequestExactly) {
    ScriptedModals modals;
    modals.expectMessageBox(platform::IDNO);
    modals.expectFileDialog(std::string("/cfg/a.vx4"), "", 2);
    modals.expectInput(std::string("SN-1"));
    modals.expectModal(QDialog::Accepted);

    const unsigned flags =
        platform::MB_YESNO | platform::MB_ICONEXCLAMATION | platform::MB_DEFBUTTON2;
    EXPECT_EQ(platform::MessageBox(nullptr, "Sovrascrivere \"x\"?\ngi\xf9", "Vexano \x80", flags),
              platform::IDNO);

    platform::FileDialogRequest file;
    file.save = true;
    file.overwritePrompt = true;
    file.title = "Salva file di configurazione";
    file.filter = "Name|*.vx4|Other|*.vx8";
    file.initialDir = "/cfg";
    file.defaultExt = "vx4";
    const auto chosen = platform::RunFileDialog(file);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->fileName, "/cfg/a.vx4");
    EXPECT_EQ(chosen->filterIndex, 2);

    EXPECT_EQ(platform::InputQuery({nullptr, "Numero di serie", "Matricola:", "old", 20}), "SN-1");

    QDialog dialog;
    dialog.setObjectName("FormProva");
    dialog.setWindowTitle(QString::fromUtf8("Perchè"));
    EXPECT_EQ(platform::ShowModal(dialog), QDialog::Accepted);

    const auto& seen = modals.interactions();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].kind, Kind::MessageBox);
    EXPECT_EQ(seen[0].text, "Sovrascrivere \"x\"?\ngi\xf9");
    EXPECT_EQ(seen[0].caption, "Vexano \x80");
    EXPECT_EQ(seen[0].flags, flags);
    EXPECT_EQ(seen[1].kind, Kind::FileDialog);
    EXPECT_EQ(seen[1].caption, "Salva file di configurazione");
    EXPECT_EQ(seen[1].text, "Name|*.vx4|Other|*.vx8");
    EXPECT_EQ(seen[1].flags, ScriptedModals::kSaveDialog | ScriptedModals::kOverwritePrompt);
    ASSERT_TRUE(seen[1].file.has_value());
    EXPECT_EQ(seen[1].file->initialDir, "/cfg");
    EXPECT_EQ(seen[1].file->defaultExt, "vx4");
    EXPECT_EQ(seen[2].kind, Kind::Input);
    EXPECT_EQ(seen[2].text, "Matricola:");
    EXPECT_EQ(seen[2].caption, "Numero di serie");
    ASSERT_TRUE(seen[2].input.has_value());
    EXPECT_EQ(seen[2].input->defaultText, "old");
    EXPECT_EQ(seen[2].input->maxLength, 20);
    EXPECT_EQ(seen[3].kind, Kind::Modal);
    EXPECT_EQ(seen[3].dialogClass, "QDialog");
    EXPECT_EQ(seen[3].objectName, "FormProva");
    EXPECT_EQ(seen[3].caption, "Perch\xe8");
    for (const auto& i : seen)
        EXPECT_TRUE(i.expected);
}

TEST_F(ModalSeam, InputBoxGivesTheDefaultOnCancel) {
    ScriptedModals modals;
    modals.expectInput(std::nullopt);
    modals.expectInput(std::string("typed"));
    modals.expectInput(std::nullopt);
    EXPECT_EQ(platform::InputBox(nullptr, "Cancella riga", "Immettere la riga", "3"), "3");
    EXPECT_EQ(platform::InputBox(nullptr, "Cancella riga", "Immettere la riga", "3"), "typed");
    EXPECT_EQ(platform::InputQuery({nullptr, "c", "p", "3", 0}), std::nullopt);
}

// Without a script the real dialogs run; a stand-in user looks at them.
TEST_F(ModalSeam, RealMessageBoxShowsTextButtonsAndDefault) {
    ASSERT_EQ(platform::modalScript(), nullptr);
    QString text, caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    WhenModalShown([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        text = box->text();
        caption = box->windowTitle();
        icon = box->icon();
        buttons = box->standardButtons();
        defaultButton = box->standardButton(box->defaultButton());
        box->button(QMessageBox::Cancel)->click();
    });
    const int answer = platform::MessageBox(
        nullptr, "Salvare?\n\x80", "Vexano",
        platform::MB_YESNOCANCEL | platform::MB_ICONEXCLAMATION | platform::MB_DEFBUTTON2);
    EXPECT_EQ(answer, platform::IDCANCEL);
    EXPECT_EQ(text, QString::fromUtf8("Salvare?\n€"));
    EXPECT_EQ(caption, "Vexano");
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(defaultButton, QMessageBox::No);
}

TEST_F(ModalSeam, RealMessageBoxAnswers) {
    const struct {
        unsigned flags;
        QMessageBox::StandardButton click;
        int answer;
    } cases[] = {
        {platform::MB_OK | platform::MB_ICONERROR, QMessageBox::Ok, platform::IDOK},
        {platform::MB_YESNO | platform::MB_ICONQUESTION, QMessageBox::Yes, platform::IDYES},
        {platform::MB_YESNO | platform::MB_ICONERROR, QMessageBox::No, platform::IDNO},
        {platform::MB_OKCANCEL, QMessageBox::Cancel, platform::IDCANCEL},
    };
    for (const auto& c : cases) {
        WhenModalShown([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            ASSERT_NE(box->button(c.click), nullptr);
            box->button(c.click)->click();
        });
        EXPECT_EQ(platform::MessageBox(nullptr, "t", "c", c.flags), c.answer) << c.flags;
    }
}

TEST_F(ModalSeam, RealFileDialogTakesTheProgramsFilterText) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath("fw.po8"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QStringList filters;
    QString title, selected;
    WhenModalShown([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        title = dialog->windowTitle();
        selected = dialog->selectedNameFilter();
        dialog->selectFile(file.fileName());
        static_cast<QDialog*>(dialog)->accept(); // as the Open button does
    });
    platform::FileDialogRequest r;
    r.title = "Apri file di configurazione";
    r.filter = "Name|*.vx4|Due tipi|*.po4;*.po8";
    r.filterIndex = 2;
    r.initialDir = dir.path().toStdString();
    const auto chosen = platform::RunFileDialog(r);
    EXPECT_EQ(filters, (QStringList{"Name (*.vx4)", "Due tipi (*.po4 *.po8)"}));
    EXPECT_EQ(selected, "Due tipi (*.po4 *.po8)");
    EXPECT_EQ(title, "Apri file di configurazione");
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->fileName, file.fileName().toStdString());
    EXPECT_EQ(chosen->filterIndex, 2);

    WhenModalShown([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(platform::RunFileDialog(r), std::nullopt) << "Cancel";
}

TEST_F(ModalSeam, RealInputQueryLimitsTheTextAndReturnsIt) {
    QString label;
    int maxLength = -1;
    WhenModalShown([&](QWidget* w) {
        auto* dialog = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        auto* edit = dialog->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        maxLength = edit->maxLength();
        label = dialog->labelText();
        edit->setText(QString::fromUtf8("città"));
        dialog->accept();
    });
    EXPECT_EQ(platform::InputQuery({nullptr, "c", "Matricola:", "x", 20}), "citt\xe0");
    EXPECT_EQ(maxLength, 20);
    EXPECT_EQ(label, "Matricola:");
}

TEST_F(ModalSeam, RealShowModalRunsTheDialog) {
    QDialog dialog;
    WhenModalShown([](QWidget* w) { static_cast<QDialog*>(w)->done(5); });
    EXPECT_EQ(platform::ShowModal(dialog), 5);
}

} // namespace
