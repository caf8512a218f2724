#include "shellfixture.h"

#include "core/basario.h"
#include "core/edition.h"
#include "formfile.h"
#include "formmain.h"
#include "ui_FormFile.h"

#include "platform/cp1252.h"
#include "tests/support/fullfolder.h"
#include "tests/support/specialfiles.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPaintEngine>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

namespace {

// A surface that keeps the texts painted on it, in the order they come.
class TextRecorder : public QPaintDevice {
public:
    explicit TextRecorder(QSize size) : size_(size) {}
    QPaintEngine* paintEngine() const override { return &engine_; }
    QStringList texts() const { return engine_.texts; }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth:
            return size_.width();
        case PdmHeight:
            return size_.height();
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        case PdmDepth:
            return 32;
        default:
            return 0;
        }
    }

private:
    class Engine : public QPaintEngine {
    public:
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override { texts << item.text(); }
        Type type() const override { return User; }
        QStringList texts;
    };
    QSize size_;
    mutable Engine engine_;
};

// The texts a widget paints, as it paints them (cut where they do not fit).
QStringList PaintedTexts(QWidget& widget) {
    TextRecorder recorder(widget.size());
    widget.render(&recorder);
    return recorder.texts();
}

// The dialog on a data module that is not connected, in a program folder of
// its own; the main window exists for the save it may be asked for.
class FileDialog : public ShellTest {
protected:
    FileDialog() {
        previous = QDir::currentPath();
        QDir::setCurrent(folder.path());
        main = std::make_unique<TFormMain>();
        FormMain = main.get();
        // The image as any connect attempt leaves it: the default configuration.
        EXPECT_TRUE(BindBasarioLibrary());
        data->SetEcuIdentity(GetModelCodeA());
        EXPECT_TRUE(data->Transfer(kTransferFileToImage, "", 18, kGroupAll, false));
    }
    ~FileDialog() override {
        FreeBasarioLibrary();
        main.reset();
        QDir::setCurrent(previous);
    }
    std::string programFolder() const { return folder.path().toStdString(); }
    QString lpg(const QString& name) const { return folder.path() + "/ConfigLPG/" + name; }
    void touch(const QString& path, const QByteArray& bytes = "x") {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void save(const char* typed) {
        TFormFile d(main.get(), nullptr, TFormFile::kSave, programFolder());
        d.ui()->EditName->setText(typed);
        d.ButtonOkClick();
    }
    // The dialog's result: 1 once the file was loaded.
    int load(const char* name) {
        TFormFile d(main.get(), nullptr, TFormFile::kOpen, programFolder());
        d.ui()->EditName->setText(name);
        d.ButtonOkClick();
        return d.result();
    }

    QTemporaryDir folder;
    QString previous;
    std::unique_ptr<TFormMain> main;
    ScriptedModals modals;
};

TEST_F(FileDialog, SaveNamesTheFileInTheFuelFolderWithTheModelsExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"Test", "Test.vx4"},
        {"Test.txt", "Test.txt.vx4"},
    };
    for (const auto& [typed, file] : cases) {
        save(typed);
        EXPECT_TRUE(QFile::exists(lpg(file))) << typed;
    }
    // The working folder went back to the program folder when it closed.
    EXPECT_EQ(QDir::currentPath(), folder.path());
}

// Letter case tells no two files apart, as in the folder's list: a file
// copied in as Golf.VX4 loads as Golf, and a save as GOLF or golf.vx4 is a
// save over it, after the question.
TEST_F(FileDialog, NamesDifferingOnlyInLetterCaseAreOneFile) {
    save("Golf");
    ASSERT_TRUE(QFile::rename(lpg("Golf.vx4"), lpg("Golf.VX4")));
    data->SetNomeConfigurazione("Other");
    data->SetModified(false);
    EXPECT_EQ(load("Golf"), 1);
    EXPECT_EQ(data->GetNomeConfigurazione(), "Golf");
    modals.expectMessageBox(platform::IDNO, "esiste gi");
    save("GOLF");
    modals.expectMessageBox(platform::IDYES, "esiste gi");
    save("golf.vx4");
    EXPECT_EQ(QDir(lpg("")).entryList(QDir::Files), QStringList{"Golf.VX4"});
}

TEST_F(FileDialog, ATypedNameCannotLeaveTheFuelFolder) {
    for (const char* typed : {"../Escape", "sub/Name", "..", "a\\b"}) {
        modals.expectMessageBox(platform::IDOK, "non pu");
        save(typed);
    }
    EXPECT_TRUE(QDir(folder.path()).entryList({"*.vx4"}, QDir::Files).isEmpty());
    EXPECT_TRUE(QDir(lpg("")).entryList(QDir::Files).isEmpty());
}

TEST_F(FileDialog, AnExistingFileIsOverwrittenOnlyWhenTheUserSaysSo) {
    touch(lpg("Golf.vx4"), "old");
    modals.expectMessageBox(platform::IDNO, "esiste gi");
    save("Golf");
    QFile f(lpg("Golf.vx4"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "old");
    EXPECT_EQ(modals.interactions().back().flags, 0x134u);
}

// A save over a file on a full disk is told, and the file keeps every byte.
TEST_F(FileDialog, ASaveOntoAFullDiskKeepsTheOldFileAndSaysSo) {
    FullFolder disk(lpg(""));
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    save("Golf");
    const QByteArray old = read(lpg("Golf.vx4"));
    ASSERT_GT(old.size(), 4096);
    ASSERT_EQ(data->SetValue(5, 1.0), 1); // the file would change
    ASSERT_TRUE(disk.fill());

    modals.expectMessageBox(platform::IDYES, "esiste gi");
    modals.expectMessageBox(platform::IDOK, "Impossibile salvare i dati nel file impostato");
    TFormFile d(main.get(), nullptr, TFormFile::kSave, programFolder());
    d.ui()->EditName->setText("Golf");
    d.ButtonOkClick();
    EXPECT_NE(d.result(), 1);
    EXPECT_EQ(modals.pendingExpectations(), 0);
    EXPECT_EQ(read(lpg("Golf.vx4")), old);
    EXPECT_EQ(QDir(lpg("")).entryList(QDir::Files), (QStringList{FullFolder::kFiller, "Golf.vx4"}));
    EXPECT_TRUE(data->IsModified());
}

TEST_F(FileDialog, OnlyASaveShowsTheNameAndItsPrompt) {
    for (int mode : {TFormFile::kSave, TFormFile::kOpen}) {
        const bool save = mode == TFormFile::kSave;
        TFormFile d(main.get(), nullptr, mode, programFolder());
        EXPECT_EQ(d.ui()->LabelFile->isHidden(), !save) << mode;
        EXPECT_EQ(d.ui()->EditName->isHidden(), !save) << mode;
        EXPECT_EQ(platform::fromUnicode(d.ui()->LabelFile->text()),
                  save ? "Nome del file da salvare" : "File da caricare");
    }
}

// The copies made before programming and before a write name the unit's
// serial number and end with the date: a name too long for its column is
// cut in the middle, so that the whole date shows, in both dialogs.
TEST_F(FileDialog, ANameThatDoesNotFitTheListKeepsItsDate) {
    const QString names[] = {"PrimaDellaProgrammazione_ABCDEFGHIJ0123456789_2026-12-11_2",
                             "PrimaDellaScrittura_ABCDEFGHIJ0123456789_2026-12-11"};
    const QString ends[] = {"_2026-12-11_2", "_2026-12-11"};
    for (const QString& name : names)
        touch(lpg(name + ".vx4"));
    for (int mode : {TFormFile::kOpen, TFormFile::kSave}) {
        SCOPED_TRACE(mode);
        TFormFile d(main.get(), nullptr, mode, programFolder());
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        QStringList shown;
        for (const QString& text : PaintedTexts(*d.ui()->ListFile->viewport()))
            if (text.startsWith("PrimaDella"))
                shown << text;
        ASSERT_EQ(shown.size(), 2) << shown.join(", ").toStdString();
        for (int i = 0; i < 2; ++i) {
            EXPECT_NE(shown[i], names[i]) << "the name fits: nothing to see";
            EXPECT_TRUE(shown[i].endsWith(ends[i])) << shown[i].toStdString();
        }
        d.hide();
    }
}

// The copy of a unit with a serial number of 20 characters has a name
// longer than a typed one may be: chosen from the list it still loads, and
// a save over it writes that file.
TEST_F(FileDialog, AFileWithANameLongerThanTheFieldLoadsAndSavesOverItself) {
    data->SetNomeConfigurazione("Lunga");
    save("Lunga");
    const QString name = "PrimaDellaProgrammazione_ABCDEFGHIJ0123456789_2026-12-11_2";
    ASSERT_TRUE(QFile::rename(lpg("Lunga.vx4"), lpg(name + ".vx4")));
    data->SetNomeConfigurazione("Other");
    data->SetModified(false);
    {
        TFormFile d(main.get(), nullptr, TFormFile::kOpen, programFolder());
        d.FormActivate();
        EXPECT_EQ(d.ui()->EditName->text(), name);
        d.ButtonOkClick();
        EXPECT_EQ(d.result(), 1);
    }
    EXPECT_EQ(data->GetNomeConfigurazione(), "Lunga");
    const QByteArray before = read(lpg(name + ".vx4"));
    data->SetNomeConfigurazione("Nuova");
    modals.expectMessageBox(platform::IDYES, "esiste gi");
    TFormFile d(main.get(), nullptr, TFormFile::kSave, programFolder());
    d.FormActivate();
    d.ListFileSelectItem(d.ui()->ListFile->topLevelItem(0));
    d.ButtonOkClick();
    EXPECT_NE(read(lpg(name + ".vx4")), before);
    EXPECT_EQ(QDir(lpg("")).entryList(QDir::Files).size(), 1);
}

TEST_F(FileDialog, TheProposedNameDropsWhatAFileNameCannotHold) {
    data->SetNomeConfigurazione("a.b/c\\d\"e,f;g");
    TFormFile d(main.get(), nullptr, TFormFile::kSave, programFolder());
    EXPECT_EQ(d.ui()->EditName->text().toStdString(), "abcdefg");
}

TEST_F(FileDialog, OpenListsTheFilesOfTheExtensionWithoutIt) {
    bool found = true;
    {
        TFormFile empty(main.get(), &found, TFormFile::kOpen, programFolder());
        EXPECT_FALSE(found);
    }
    save("Golf");
    save("Alfa");
    touch(lpg("Other.txt"));
    TFormFile d(main.get(), &found, TFormFile::kOpen, programFolder());
    EXPECT_TRUE(found);
    d.ScanFolder();
    ASSERT_EQ(d.ui()->ListFile->topLevelItemCount(), 2);
    EXPECT_EQ(d.ui()->ListFile->topLevelItem(0)->text(0).toStdString(), "Alfa");
    EXPECT_EQ(d.ui()->ListFile->topLevelItem(1)->text(0).toStdString(), "Golf");
    EXPECT_FALSE(d.ui()->EditName->isEnabled());
}

// A name that holds the extension somewhere else still gets it appended.
TEST_F(FileDialog, ALoadAppendsTheExtensionUnlessTheNameEndsWithIt) {
    data->SetNomeConfigurazione("Golfvx4x");
    save("Golfvx4x");
    data->SetNomeConfigurazione("Other");
    data->SetModified(false);
    EXPECT_EQ(load("Golfvx4x"), 1);
    EXPECT_EQ(data->GetNomeConfigurazione(), "Golfvx4x");
}

TEST_F(FileDialog, OfflineLoadTakesTheModelOfTheChosenCylinderClass) {
    save("V8");
    TFormFile d(main.get(), nullptr, TFormFile::kOpen, programFolder());
    ASSERT_FALSE(d.ui()->Radio34568Cilindri->isHidden());
    d.ui()->EditName->setText("V8");
    d.ui()->Radio34568Cilindri->setChecked(true);
    d.ButtonOkClick();
    EXPECT_EQ(data->EcuIdentity()[1], GetModelCodeB());
}

// Yes to saving first, then Cancel in the save dialog: nothing unsaved is
// lost, the load does not happen.
TEST_F(FileDialog, ACancelledSaveBeforeALoadStopsTheLoad) {
    save("Golf");
    data->SetNomeConfigurazione("Edited");
    ASSERT_TRUE(data->IsModified());
    modals.expectMessageBox(platform::IDYES, "Salvare");
    modals.expectFileDialog(std::nullopt);
    EXPECT_NE(load("Golf"), 1);
    EXPECT_EQ(data->GetNomeConfigurazione(), "Edited");
}

// The list sorts as the folder does, without regard to letter case, and
// the first name is the one chosen.
TEST_F(FileDialog, TheListSortsWithoutRegardToLetterCase) {
    for (const char* name : {"B", "a", "C"})
        save(name);
    TFormFile d(main.get(), nullptr, TFormFile::kOpen, programFolder());
    d.FormActivate();
    auto* list = d.ui()->ListFile;
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "a");
    EXPECT_EQ(list->topLevelItem(1)->text(0), "B");
    EXPECT_EQ(list->topLevelItem(2)->text(0), "C");
    EXPECT_EQ(d.ui()->EditName->text(), "a");
}

// Files of earlier versions lack sections: a file of the section Lambda
// alone loads, every other item taking its default, with no message.
TEST_F(FileDialog, AFileOfTheSectionLambdaAloneLoadsWithDefaultsElsewhere) {
    data->SetModified(false);
    touch(lpg("Lambda.vx4"), "DECRYPTED_MLTP_FILE\r\n[Lambda]\r\nRifLambda=40\r\n");
    EXPECT_EQ(load("Lambda"), 1);
    EXPECT_EQ(data->Image().RifLambda, 40);
    EXPECT_EQ(data->Image().GiriPerCambio, 1600);
    EXPECT_EQ(data->GetNomeConfigurazione(), "Standard");
    EXPECT_TRUE(modals.interactions().empty());
}

// A key out of range takes its default, the load succeeds, and an
// information box names the key afterwards.
TEST_F(FileDialog, AKeyOutOfRangeLoadsWithItsDefaultAndIsNamed) {
    data->SetModified(false);
    touch(lpg("Range.vx4"), "DECRYPTED_MLTP_FILE\r\n[Lambda]\r\nRifLambda=-129\r\n"
                            "[Accensione-Cambio]\r\nGiriPerCambio=1700\r\n");
    modals.expectMessageBox(platform::IDOK, "RifLambda");
    EXPECT_EQ(load("Range"), 1);
    EXPECT_EQ(data->Image().RifLambda, 28);
    EXPECT_EQ(data->Image().GiriPerCambio, 1700);
    ASSERT_EQ(modals.interactions().size(), 1u);
    EXPECT_EQ(modals.interactions()[0].flags, platform::MB_OK | platform::MB_ICONINFORMATION);
    EXPECT_EQ(modals.interactions()[0].text.find("GiriPerCambio"), std::string::npos);
}

TEST_F(FileDialog, AMissingFileIsToldAndTheImageStays) {
    modals.expectMessageBox(platform::IDOK, "problemi nell'apertura");
    const TEcuImage before = data->Image();
    EXPECT_NE(load("Nowhere"), 1);
    EXPECT_EQ(data->Image(), before);
}

// A configuration name that holds no file is told as one that cannot be
// opened, at once: it is neither read without end nor waited on.
TEST_F(FileDialog, ADeviceAFifoOrAFolderIsToldAndTheImageStays) {
    ASSERT_TRUE(QDir().mkpath(lpg("")));
    const TEcuImage before = data->Image();
    for (const SpecialCase& c : SpecialCases()) {
        SCOPED_TRACE(c.what);
        const std::string name = "Special" + std::to_string(int(c.kind));
        ASSERT_TRUE(PlantSpecial(c.kind, lpg(QString::fromStdString(name) + ".vx4")));
        modals.expectMessageBox(platform::IDOK, "problemi nell'apertura");
        EXPECT_NE(load(name.c_str()), 1);
        EXPECT_EQ(modals.pendingExpectations(), 0u);
        EXPECT_EQ(data->Image(), before);
    }
}

} // namespace
