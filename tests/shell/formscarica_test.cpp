// The firmware dialog: the kinds it offers, the file it remembers, the name
// and date it shows.
#include "shellfixture.h"

#include "formscarica.h"
#include "ui_FormScarica.h"

#include "tests/support/samplefirmware.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>

namespace {

constexpr char kBothKinds[] =
    "Files programmazione 3-4 cilindri|*.po4|Files programmazione 5-6-8 cilindri|*.po8";

class FirmwareDialog : public ShellTest {
protected:
    FirmwareDialog() : dialog(nullptr) {}
    std::string sample(int model) { return MakeSampleFirmware(folder.path(), model).path; }
    // The dialog shown: its labels then, and Programma clicked.
    void expectDialogAndProgram() {
        modals.expectModal(
            [this](QDialog& d) {
                shownName = dialog.ui()->LabelN->text().toStdString();
                shownDate = dialog.ui()->LabelD->text().toStdString();
                static_cast<TFormScarica&>(d).ui()->ButtonRiprogr->click();
                return d.result();
            },
            "FormScarica");
    }

    QTemporaryDir folder;
    ScriptedModals modals;
    TFormScarica dialog;
    std::string shownName, shownDate;
};

TEST_F(FirmwareDialog, CancellingTheOpenDialogTheFirstTimeShowsNothing) {
    modals.expectFileDialog(std::nullopt, "Seleziona file di programmazione");
    dialog.Execute();
    EXPECT_EQ(dialog.ModalResult, 2);
    EXPECT_EQ(modals.interactions().size(), 1u);
    EXPECT_TRUE(dialog.OpenDialogFile.fileName.empty());
}

TEST_F(FirmwareDialog, OfflineBothKindsAreOfferedConnectedOnlyTheUnitsOwn) {
    struct Case {
        bool connected;
        int model;
        const char* filter;
        int index;
    };
    const Case cases[] = {
        {false, 30, kBothKinds, 1},
        {false, 31, kBothKinds, 2},
        {true, 30, "Files programmazione 3-4 cilindri|*.po4", 1},
        {true, 31, "Files programmazione 5-6-8 cilindri|*.po8", 1},
    };
    for (const Case& c : cases) {
        if (c.connected)
            ASSERT_TRUE(StreamDati->EcuLink()->Connect());
        else
            StreamDati->EcuLink()->Disconnect();
        StreamDati->SetEcuIdentity(uint8_t(c.model));
        dialog.OpenDialogFile.fileName.clear();
        modals.expectFileDialog(std::nullopt);
        dialog.Execute();
        const auto& asked = modals.interactions().back();
        ASSERT_TRUE(asked.file.has_value());
        EXPECT_EQ(asked.file->filter, c.filter) << c.model << c.connected;
        EXPECT_EQ(asked.file->filterIndex, c.index) << c.model << c.connected;
        EXPECT_EQ(asked.file->title, "Seleziona file di programmazione");
    }
}

TEST_F(FirmwareDialog, ShowsTheChosenFileAndRemembersIt) {
    const std::string path = sample(30);
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2026, 12, 9), QTime(10, 0)),
                                 QFileDevice::FileModificationTime));
    file.close();
    modals.expectFileDialog(path);
    expectDialogAndProgram();
    dialog.Execute();
    EXPECT_EQ(dialog.ModalResult, 1);
    EXPECT_EQ(shownName, "Vexano-sim-30-v2.8.po4");
    // Day, month and year without leading zeros, between the system's separators.
    EXPECT_TRUE(QRegularExpression(R"(^9(\D)12\g{1}2026$)")
                    .match(QString::fromStdString(shownDate))
                    .hasMatch())
        << shownDate;
    EXPECT_EQ(dialog.windowTitle(), "RIPROGRAMMA CENTRALINA");
    EXPECT_EQ(dialog.ui()->ButtonCambia->text(), "&Cambia file");
    EXPECT_EQ(dialog.FileModel(), 30);

    // The next time the dialog shows the same file at once; Annulla cancels.
    modals.expectModal(
        [](QDialog& d) {
            static_cast<TFormScarica&>(d).ui()->ButtonAnnulla->click();
            return d.result();
        },
        "FormScarica");
    dialog.Execute();
    EXPECT_EQ(dialog.ModalResult, 2);
    EXPECT_EQ(dialog.ui()->LabelN->text(), "Vexano-sim-30-v2.8.po4");
    EXPECT_EQ(modals.pendingExpectations(), 0u);
}

TEST_F(FirmwareDialog, ARememberedFileOfAKindNoLongerOfferedIsDropped) {
    ASSERT_TRUE(StreamDati->EcuLink()->Connect());
    StreamDati->SetEcuIdentity(30);
    // Letter case does not count: an upper-case extension is of the kind.
    dialog.OpenDialogFile.fileName = folder.filePath("UNIT.PO4").toStdString();
    expectDialogAndProgram();
    dialog.Execute();
    EXPECT_EQ(dialog.ModalResult, 1);

    dialog.OpenDialogFile.fileName = sample(31);
    modals.expectFileDialog(std::nullopt);
    dialog.Execute();
    EXPECT_EQ(dialog.ModalResult, 2);
    EXPECT_TRUE(dialog.OpenDialogFile.fileName.empty());
    EXPECT_TRUE(dialog.ui()->LabelN->text().isEmpty());
}

TEST_F(FirmwareDialog, AFileWhoseDateCannotBeReadSaysSo) {
    dialog.OpenDialogFile.fileName = folder.filePath("gone.po8").toStdString();
    dialog.ShowFileInfo();
    EXPECT_EQ(dialog.ui()->LabelN->text(), "gone.po8");
    EXPECT_EQ(dialog.ui()->LabelD->text(), "not avaible");
    EXPECT_EQ(dialog.FileModel(), 31);
}

TEST_F(FirmwareDialog, ChangeFileTakesTheNewChoice) {
    dialog.OpenDialogFile.fileName = sample(30);
    const std::string other = sample(31);
    modals.expectFileDialog(other);
    dialog.ButtonCambiaClick();
    EXPECT_EQ(dialog.OpenDialogFile.fileName, other);
    EXPECT_EQ(dialog.ui()->LabelN->text(), "Vexano-sim-31-v2.8.po8");
    modals.expectFileDialog(std::nullopt);
    dialog.ButtonCambiaClick();
    EXPECT_EQ(dialog.OpenDialogFile.fileName, other) << "a cancelled choice keeps the file";
}

} // namespace
