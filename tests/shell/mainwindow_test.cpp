#include "shellfixture.h"

#include "core/ecuimage.h"
#include "core/messages.h"
#include "core/quarnglobaldata.h"
#include "formmain.h"
#include "language.h"
#include "qttexts.h"
#include "smallwindows.h"
#include "statuspanels.h"
#include "ui_FormMain.h"

#include "platform/cp1252.h"
#include "platform/files.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

class MainWindow : public ShellTest {
protected:
    // The window as start-up leaves it once shown: the splash gone, the
    // stored language applied, the start-up connection tried on a unit that
    // is not there (C01, then the no-connection box).
    std::unique_ptr<TFormMain> showMain(TQtTexts* qtTexts = nullptr) {
        sim.setAbsent(true);
        auto w = std::make_unique<TFormMain>(nullptr, qtTexts);
        FormMain = w.get();
        modals.expectMessageBox(platform::IDOK, "C01");
        modals.expectMessageBox(platform::IDOK, "ATTENZIONE");
        w->show();
        ProcessEvents();
        return w;
    }
    std::string label(QLabel* l) { return platform::fromUnicode(l->text()); }
    static bool highlighted(QLabel* l) {
        return l->font().underline() &&
               l->palette().color(QPalette::WindowText) == QColor(0, 255, 0);
    }

    ScriptedModals modals;
};

TEST_F(MainWindow, StartsInTheStoredLanguageAndSwitchesFromTheMenu) {
    auto w = showMain();
    auto* ui = w->ui();
    EXPECT_EQ(label(ui->LabelConfig), "CONFIGURA VETTURA");
    EXPECT_EQ(label(ui->LabelTara), "AUTOTARATURA");
    EXPECT_EQ(w->windowTitle().toStdString(), "Pellam - Tavelo Injection System");
    EXPECT_EQ(w->StatusPanels()->text(0), "Centralina non connessa");
    EXPECT_EQ(w->StatusPanels()->text(1), "Config: Standard");
    ASSERT_EQ(ui->MenuSelLingua->actions().size(), 2);
    EXPECT_EQ(ui->MenuSelLingua->actions()[1]->text().toStdString(), "&English");
    EXPECT_TRUE(ui->MenuSelLingua->actions()[0]->isChecked());

    const int top = ui->LabelConfig->y();
    ui->MenuSelLingua->actions()[1]->trigger();
    EXPECT_EQ(label(ui->LabelMenu), "MAIN MENU");
    EXPECT_EQ(label(ui->LabelConfig), "VEHICLE CONFIGURATION");
    EXPECT_EQ(label(ui->LabelDiagnosi), "DIAGNOSYS");
    EXPECT_EQ(ui->MenuConnetti->text().toStdString(), "&Connect");
    EXPECT_EQ(ui->ActionConnetti->text().toStdString(), "&Connect");
    EXPECT_EQ(w->StatusPanels()->text(0), "ECU not connected");
    EXPECT_EQ(ui->LabelConfig->y(), top);
    EXPECT_TRUE(w->FormPopupMenu()->actions()[1]->isChecked());
    EXPECT_EQ(StreamDati->QuarnGlobalData->Get(2), 1);
    EXPECT_EQ(LanguageIndex, 1);

    // Every label is centred on the widest one.
    const int left = ui->LabelConfig->x();
    for (QLabel* l : w->MenuLabels)
        EXPECT_EQ(l->x(), left);
    ui->MenuSelLingua->actions()[0]->trigger();
    EXPECT_EQ(label(ui->LabelConfig), "CONFIGURA VETTURA");
}

std::string qtText(const char* context, const char* text) {
    return QCoreApplication::translate(context, text).toStdString();
}

// The texts of the standard buttons on the box the program really shows
// (not the test script): "Yes|No|Cancel", in UTF-8.
std::string shownButtonTexts(QWidget* owner) {
    platform::ModalScript* script = platform::modalScript();
    platform::setModalScript(nullptr);
    QStringList texts;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        for (auto b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
            texts << (box->button(b) ? box->button(b)->text() : QString());
        box->done(QMessageBox::Cancel);
    });
    poll.start(5);
    platform::MessageBox(owner, "Salvare?", "Vexano",
                         platform::MB_YESNOCANCEL | platform::MB_ICONQUESTION);
    platform::setModalScript(script);
    return texts.join('|').toStdString();
}

TEST_F(MainWindow, QtsOwnTextsFollowTheProgramsLanguage) {
    if (!QFile::exists(TQtTexts::DefaultFolder() + "/qtbase_it.qm"))
        GTEST_SKIP() << "Qt's Italian catalogue is not installed (qt6-translations-l10n)";
    auto qtTexts = std::make_unique<TQtTexts>();
    auto w = showMain(qtTexts.get());
    EXPECT_EQ(shownButtonTexts(w.get()), "&Sì|&No|Annulla");
    EXPECT_EQ(qtText("QFileDialog", "Open"), "Apri");

    w->ui()->MenuSelLingua->actions()[1]->trigger();
    EXPECT_EQ(shownButtonTexts(w.get()), "&Yes|&No|Cancel");
    EXPECT_EQ(qtText("QFileDialog", "Open"), "Open");

    w->ui()->MenuSelLingua->actions()[0]->trigger();
    EXPECT_EQ(shownButtonTexts(w.get()), "&Sì|&No|Annulla");
    w.reset();
    qtTexts.reset(); // the program's end takes Qt's catalogue with it
    EXPECT_EQ(qtText("QPlatformTheme", "&Yes"), "&Yes");
}

// No catalogue for a language (none installed, or a language Qt has none
// for): Qt's English shows, never the catalogue of the language before.
TEST(QtTexts, LanguageWithoutCatalogueFallsBackToQtsEnglish) {
    ShellApp();
    QTemporaryDir empty;
    TQtTexts missing(empty.path());
    EXPECT_FALSE(missing.Apply(0));
    EXPECT_EQ(qtText("QPlatformTheme", "&Yes"), "&Yes");

    if (!QFile::exists(TQtTexts::DefaultFolder() + "/qtbase_it.qm"))
        GTEST_SKIP() << "Qt's Italian catalogue is not installed (qt6-translations-l10n)";
    TQtTexts texts;
    ASSERT_TRUE(texts.Apply(0));
    EXPECT_EQ(qtText("QPlatformTheme", "&Yes"), "&Sì");
    for (int language : {2, -1}) {
        EXPECT_FALSE(texts.Apply(language));
        EXPECT_EQ(qtText("QPlatformTheme", "&Yes"), "&Yes");
        ASSERT_TRUE(texts.Apply(0));
    }
}

// Whether the splash was still there at each paint of the menu.
class MenuPaints : public QObject {
public:
    explicit MenuPaints(TFormSplash* splash) : splash_(splash) {}
    std::vector<bool> withSplash;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            withSplash.push_back(!splash_.isNull());
        return false;
    }

private:
    QPointer<TFormSplash> splash_;
};

// The window is painted while the splash waits, even when its first show
// runs before the window system has put it on the screen; and that handler
// runs once.
TEST_F(MainWindow, IsPaintedBeforeTheSplashGoes) {
    sim.setAbsent(true);
    auto w = std::make_unique<TFormMain>();
    FormMain = w.get();
    auto* splash = w->findChild<TFormSplash*>();
    ASSERT_NE(splash, nullptr);
    MenuPaints paints(splash);
    w->ui()->centralwidget->installEventFilter(&paints);
    modals.expectMessageBox(platform::IDOK, "C01");
    modals.expectMessageBox(platform::IDOK, "ATTENZIONE");
    // Shown, hidden and shown again, the window is not on the screen until
    // the window system says so, as after a first show on a busy X server.
    w->show();
    w->hide();
    w->show();
    ASSERT_FALSE(w->testAttribute(Qt::WA_Mapped));
    w->FormShow(); // before any event is handled
    ASSERT_FALSE(paints.withSplash.empty()) << "not painted before the splash's wait";
    EXPECT_TRUE(paints.withSplash.front());
    ProcessEvents();
    EXPECT_EQ(modals.pendingExpectations(), 0) << "the start-up ran once";
    w->ui()->centralwidget->removeEventFilter(&paints);
}

TEST_F(MainWindow, LabelsInKeyboardOrderWithOneHighlight) {
    auto w = showMain();
    auto* ui = w->ui();
    const std::vector<QLabel*> expected = {
        ui->LabelConfig, ui->LabelVisualizza, ui->LabelDiagnosi,    ui->LabelTara,
        ui->LabelSalva,  ui->LabelCarica,     ui->LabelRiprogramma, ui->LabelTermina};
    EXPECT_EQ(w->MenuLabels, expected);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(expected[i]->property("Tag").toInt(), static_cast<int>(i));
    for (size_t i = 1; i < expected.size(); ++i)
        EXPECT_GT(expected[i]->y(), expected[i - 1]->y());

    auto only = [&](int index) {
        for (int i = 0; i < static_cast<int>(expected.size()); ++i)
            if (highlighted(expected[i]) != (i == index))
                return false;
        return w->CurrentLabel == index;
    };
    EXPECT_TRUE(only(0));
    QTest::keyClick(w.get(), Qt::Key_Up);
    EXPECT_TRUE(only(0));
    QTest::keyClick(w.get(), Qt::Key_Down);
    QTest::keyClick(w.get(), Qt::Key_Down);
    EXPECT_TRUE(only(2));
    w->LabelConfigMouseEnter(ui->LabelCarica);
    EXPECT_TRUE(only(5));
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(w.get(), Qt::Key_Down);
    EXPECT_TRUE(only(7));

    // Enter runs the label highlighted last: ESCI closes the window.
    QTest::keyClick(w.get(), Qt::Key_Return);
    ProcessEvents();
    EXPECT_FALSE(w->isVisible());
}

TEST_F(MainWindow, DataChangedCodesDriveTheStatusBarAndTheConnectionActions) {
    auto w = showMain();
    auto* ui = w->ui();
    auto* panels = w->StatusPanels();
    auto send = [&](int code) {
        TMessageEvent e(WM_DATACHANGED, 0, code);
        QCoreApplication::sendEvent(w.get(), &e);
    };
    EXPECT_FALSE(ui->ActionDisconnetti->isEnabled());

    sim.setAbsent(false);
    ASSERT_TRUE(StreamDati->EcuLink()->Connect());
    ASSERT_TRUE(StreamDati->ReadEcuIdentity());
    send(1);
    const uint8_t* id = StreamDati->EcuIdentity();
    EXPECT_EQ(panels->text(0), "Centralina connessa");
    EXPECT_EQ(panels->text(2),
              "Versione firmware: " + std::to_string(id[3]) + "." + std::to_string(id[2]));
    EXPECT_EQ(panels->text(3), "GPL");
    EXPECT_FALSE(ui->ActionConnetti->isEnabled());
    EXPECT_FALSE(ui->MenuConnetti->isEnabled());
    EXPECT_TRUE(ui->ActionDisconnetti->isEnabled());
    EXPECT_TRUE(ui->MenuDisconnetti->isEnabled());
    EXPECT_TRUE(ui->ActionResetCentralina->isEnabled());

    // A language change keeps the version and changes only its prefix.
    ui->MenuSelLingua->actions()[1]->trigger();
    EXPECT_EQ(panels->text(2).substr(0, 18), "Firmware version: ");
    EXPECT_EQ(panels->text(3), "LPG");
    ui->MenuSelLingua->actions()[0]->trigger();

    StreamDati->SetNomeConfigurazione("Golf");
    send(2);
    EXPECT_EQ(panels->text(1), "Config: Golf");

    StreamDati->SetFlag(1, true);
    ProcessEvents(); // the fuel change posts code 5 itself
    EXPECT_EQ(panels->text(3), "Metano");

    send(0);
    EXPECT_EQ(panels->text(0), "Centralina non connessa");
    EXPECT_EQ(panels->text(2), "");
    EXPECT_EQ(panels->text(3), "");
    EXPECT_TRUE(ui->ActionConnetti->isEnabled());
    EXPECT_FALSE(ui->ActionDisconnetti->isEnabled());
    EXPECT_FALSE(ui->ActionResetCentralina->isEnabled());

    // An empty panel stays empty when the language changes.
    ui->MenuSelLingua->actions()[1]->trigger();
    EXPECT_EQ(panels->text(2), "");
    EXPECT_EQ(panels->text(3), "");
}

TEST_F(MainWindow, MenuItemsFollowTheirActions) {
    auto w = showMain();
    auto* ui = w->ui();
    // Items of invisible actions are not shown; Disconnect starts disabled.
    EXPECT_FALSE(ui->MenuApri->isVisible());
    EXPECT_FALSE(ui->MenuResetCpu->isVisible());
    EXPECT_TRUE(ui->MenuEsci->isVisible());
    EXPECT_EQ(ui->MenuEsci->text().toStdString(), "&Esci");
    EXPECT_FALSE(ui->MenuDisconnetti->isEnabled());
    EXPECT_EQ(ui->ActionConnetti->shortcut(), QKeySequence("Ctrl+C"));
    EXPECT_EQ(ui->ActionDisconnetti->shortcut(), QKeySequence("Ctrl+D"));
    // A disabled action does nothing when run from code.
    EXPECT_FALSE(TFormMain::ExecuteAction(ui->ActionDisconnetti));
    // An action without menu item still runs from code.
    EXPECT_FALSE(TFormMain::ActionVisible(ui->ActionSalva));
    EXPECT_TRUE(ui->ActionSalva->isEnabled());
    ui->MenuEsci->trigger();
    EXPECT_FALSE(w->isVisible());
}

// Unsaved data stays when the user answers Cancel, or Yes and then cancels
// the save: the connection is not tried and the window stays open.
TEST_F(MainWindow, UnsavedDataStaysUnlessTheUserLetsItGo) {
    auto w = showMain();
    StreamDati->SetNomeConfigurazione("Edited");
    const TEcuImage edited = StreamDati->Image();
    ASSERT_TRUE(edited.Modified);
    auto answer = [&](int button) {
        modals.expectMessageBox(button, "Salvare i dati");
        if (button == platform::IDYES)
            modals.expectFileDialog(std::nullopt);
    };
    for (int button : {platform::IDCANCEL, platform::IDYES}) {
        answer(button);
        w->ui()->ActionConnetti->trigger();
        EXPECT_EQ(StreamDati->Image(), edited) << button;
        answer(button);
        w->close();
        EXPECT_TRUE(w->isVisible()) << button;
    }
    answer(platform::IDNO);
    w->close();
    EXPECT_FALSE(w->isVisible());
}

// The save action names the configuration and the vehicle after the chosen
// file, without its folder and extension; four characters or fewer leave
// no name.
TEST_F(MainWindow, SaveNamesTheConfigurationAfterItsFile) {
    auto w = showMain();
    sim.setAbsent(false);
    QTemporaryDir folder;
    const std::pair<const char*, const char*> cases[] = {{"Test.vx4", "Test"}, {".vx4", ""}};
    for (const auto& [file, name] : cases) {
        const QString path = folder.path() + "/" + file;
        modals.expectFileDialog(path.toStdString(), "Configurazione 3-4 cilindri |*.vx4");
        EXPECT_TRUE(w->ActionSalvaExecute()) << file;
        EXPECT_TRUE(QFile::exists(path)) << file;
        EXPECT_EQ(StreamDati->GetNomeConfigurazione(), name);
        EXPECT_EQ(StreamDati->GetDescrizione(1), name);
        EXPECT_FALSE(StreamDati->IsModified());
    }
}

TEST_F(MainWindow, AboutBoxShowsTitleAndVersion) {
    auto w = showMain();
    modals.expectModal(
        [](QDialog& box) {
            EXPECT_EQ(box.windowTitle().toStdString(), "Pellam - Tavelo Injection System");
            EXPECT_EQ(box.findChild<QLabel*>("Version")->text().toStdString(), "Versione 1.0.0");
            EXPECT_EQ(box.findChild<QLabel*>("ProductName")->text().toStdString(),
                      "Pellam - Tavelo Injection System");
            return 1;
        },
        "AboutBox");
    w->ui()->MenuAbout->trigger();
}

TEST_F(MainWindow, StartupNamesTheMissingConnectionOnce) {
    auto w = showMain();
    ASSERT_EQ(modals.interactions().size(), 2u);
    const auto& box = modals.interactions()[1];
    EXPECT_EQ(box.text, "ATTENZIONE: non \xe8 stata rilevata la connessione con la centralina\n\n"
                        "- le modifiche apportate non avranno effetto in centralina\n"
                        "- prima di modificare i parametri stabilire la connessione (CTRL+C)");
    EXPECT_EQ(box.caption, "Pellam - Tavelo Injection System");
    EXPECT_EQ(box.flags, 16u);
    // The two-second splash ran on the virtual clock and is gone.
    EXPECT_GE(clock.sleptTotal(), 2000u);
    EXPECT_EQ(w->findChildren<QWidget*>("FormSplash").size(), 0);
}

TEST_F(MainWindow, StartClearsTheProgramsLeftoverWorkFiles) {
    QTemporaryDir temp;
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    const QString dir = temp.path() + "/";
    for (const char* name : {"_mp12.tmp", "_mtA1.tmp", "_mtB2.tmp", "other.tmp", "_mt.txt"}) {
        QFile f(dir + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QFile::setPermissions(dir + "_mtB2.tmp", QFileDevice::ReadOwner);
    TFormMain w;
    qunsetenv("TMPDIR");
    const QStringList left = QDir(temp.path()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(left, QStringList({"_mt.txt", "other.tmp"}));
    EXPECT_EQ(w.ProgramFolder, platform::fromUnicode(QDir::currentPath()));
}

} // namespace

namespace {

TEST_F(MainWindow, CalibrationNeedsALinkAndDiagnosisOpensWithItsCaption) {
    auto w = showMain();
    modals.expectMessageBox(platform::IDOK, "impossibile eseguire la taratura");
    EXPECT_TRUE(TFormMain::ExecuteAction(w->ui()->ActionTara));
    EXPECT_EQ(modals.interactions().back().flags, unsigned(platform::MB_ICONERROR));
    modals.expectModal(1, "Diagnosi centralina - Config: Standard");
    EXPECT_TRUE(TFormMain::ExecuteAction(w->ui()->ActionDiagnosi));
    EXPECT_EQ(modals.interactions().back().dialogClass, "TFormDiagnosi");
}

} // namespace
