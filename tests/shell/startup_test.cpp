#include "shellfixture.h"

#include "core/basario.h"
#include "core/edition.h"
#include "formmain.h"
#include "language.h"
#include "qttexts.h"
#include "startup.h"

#include "platform/gui/singleinstance.h"
#include "platform/namedmutex.h"
#include "tests/support/userfolders.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <functional>

namespace {

TEST(ExceptionBox, AddsAFullStopAfterACharacterThatComesAfterIt) {
    const std::pair<std::string, std::string> cases[] = {
        {"Out of memory", "Out of memory."},
        {"again.", "again."},
        {"Errore!", "Errore!"},
        {"code 7", "code 7."},
        {"Continuare?", "Continuare?."},
        {"", ""},
    };
    for (const auto& [message, shown] : cases)
        EXPECT_EQ(shell::ExceptionBoxText(message), shown) << message;
}

// The program started as a child process from a folder that holds the
// given libraries beside a copy of it; boxes are answered unattended and
// written to a log.
class ProgramProcess : public ::testing::Test {
protected:
    ProgramProcess() { ShellApp(); }

    void install(const QStringList& libraries, const QString& from = {}) {
        const QString bin = QCoreApplication::applicationDirPath();
        ASSERT_TRUE(QFile::copy(bin + "/Vexano", dir.path() + "/Vexano"));
        QFile::setPermissions(dir.path() + "/Vexano", QFile::permissions(bin + "/Vexano"));
        for (const QString& lib : QStringList{"libvexano_platform.so"} + libraries)
            ASSERT_TRUE(QFile::copy(bin + "/" + lib, dir.path() + "/" + lib)) << lib.toStdString();
        if (!from.isEmpty()) {
            ASSERT_TRUE(QFile::copy(from + "/Basario.so", dir.path() + "/Basario.so"));
        }
    }

    void start(QProcess& p, const QString& unitFaults = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("SERQUARN_SIM_FAULTS", unitFaults);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VEXANO_VIRTUAL_CLOCK", "1");
        env.insert("VEXANO_MODAL_LOG", log());
        env.insert("VEXANO_STARTUP_TRACE", trace());
        env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
        env.insert("HOME", own.home.path());
        env.insert("XDG_RUNTIME_DIR", own.runtime.path());
        env.insert("TMPDIR", own.runtime.path());
        env.insert("SERQUARN_SIM_MEMORY", dir.path() + "/unit.mem");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(dir.path() + "/Vexano", {});
        EXPECT_TRUE(p.waitForStarted());
    }

    // Waits until the process ends or done() holds.
    static void waitFor(QProcess& p, const std::function<bool()>& done, int timeoutMs = 20000) {
        while (p.state() != QProcess::NotRunning && !done() && timeoutMs > 0) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            p.waitForFinished(10);
            timeoutMs -= 20;
        }
    }

    int run() {
        QProcess p;
        start(p);
        waitFor(p, [] { return false; });
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        return p.exitCode();
    }

    QString log() const { return dir.path() + "/modals.log"; }
    QString trace() const { return dir.path() + "/trace"; }
    static QStringList lines(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    QStringList logLines() const { return lines(log()); }

    QTemporaryDir dir;
    OwnUserFolders own;
};

const QString kMissingFilesBox =
    "messagebox\t16\tPellam - Tavelo Injection System\tIt is not possible to start the "
    "program,\\n      very important files missing.\\nReinstall the program and tray again.";

TEST_F(ProgramProcess, WithoutTheDefaultConfigurationsItSaysSoAndEnds) {
    install({"SerQuarnDL.so", "Languages.so"});
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(logLines(), QStringList{kMissingFilesBox});
}

TEST_F(ProgramProcess, ALibraryWithoutOneOfItsExportsCountsAsMissing) {
    install({"SerQuarnDL.so", "Languages.so"},
            QCoreApplication::applicationDirPath() + "/badbasario");
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(logLines(), QStringList{kMissingFilesBox});
}

// A second start finds the first copy by the program title, asks it to come
// forward and ends at once, without a window or a box of its own.
TEST_F(ProgramProcess, ASecondCopyBringsTheFirstForwardAndEnds) {
    install({"SerQuarnDL.so", "Languages.so", "Basario.so"});
    SetupEditionProfile(128);
    int raised = 0;
    {
        platform::NamedMutex first(GetProductTitle());
        ASSERT_FALSE(first.alreadyExists());
        platform::InstanceListener listener(GetProductTitle(), [&] { ++raised; });
        ASSERT_TRUE(listener.listening());
        EXPECT_EQ(run(), 0);
        for (int i = 0; i < 50 && raised == 0; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_EQ(raised, 1);
    EXPECT_TRUE(logLines().isEmpty());
}

// A first start under a script: the settings box is answered, the start-up
// connection sets up the fresh simulated unit, the trace says when that is
// over, and the system's request to end closes the program cleanly (the
// settings written, exit code 0), also with data in memory that a save
// question would otherwise hold open.
TEST_F(ProgramProcess, AFirstStartSaysWhenConnectedAndEndsWhenTheSystemAsks) {
    const QString settingsBox =
        QString::fromLatin1("messagebox\t16\t\tIl programma non \xe8 in grado di rilevare");
    const struct {
        const char* faults;
        QStringList boxes; // the start of each box answered
    } cases[] = {
        {"", {settingsBox}},
        {"refuse_writes",
         {settingsBox, "messagebox\t16\tPellam - Tavelo Injection System\t"
                       "Impossibile connettersi."}},
    };
    install({"SerQuarnDL.so", "Languages.so", "Basario.so"});
    const QString settings = dir.path() + "/config/Pellam/3307K.conf";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults);
        QFile::remove(settings);
        QFile::remove(log());
        QFile::remove(trace());
        QFile::remove(dir.path() + "/unit.mem");
        QProcess p;
        start(p, c.faults);
        const auto connectEnded = [&] {
            const QStringList events = lines(trace());
            return !events.isEmpty() && events.last().startsWith("connect_end ");
        };
        waitFor(p, connectEnded);
        ASSERT_TRUE(connectEnded()) << lines(trace()).join(", ").toStdString();
        EXPECT_FALSE(QFile::exists(settings));
        p.terminate();
        waitFor(p, [] { return false; });
        EXPECT_EQ(p.state(), QProcess::NotRunning);
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_TRUE(QFile::exists(settings));
        const QStringList boxes = logLines();
        ASSERT_EQ(boxes.size(), c.boxes.size()) << boxes.join("\n").toStdString();
        for (int i = 0; i < boxes.size(); ++i)
            EXPECT_TRUE(boxes[i].startsWith(c.boxes[i])) << boxes[i].toStdString();
    }
}

// The whole start in this process: the data module and the main window are
// made, the start-up connection is tried, and closing the window ends the
// run with both libraries freed and every window gone.
class StartUp : public ShellTest {
protected:
    // Runs the program until the user closes the main window once the
    // start-up boxes were answered (first those that expectFirst queues);
    // true when the window was seen.
    bool runUntilClosed(const std::function<void(ScriptedModals&)>& expectFirst = {}) {
        data.reset(); // the program makes its own data module
        StreamDati = nullptr;
        ScriptedModals modals;
        bool sawWindow = false;
        sim.setAbsent(true);
        if (expectFirst)
            expectFirst(modals);
        modals.expectMessageBox(platform::IDOK, "C01");
        modals.expectMessageBox(platform::IDOK, "ATTENZIONE");
        int ticks = 0;
        QTimer::singleShot(0, [&] {
            auto* closer = new QTimer;
            QObject::connect(closer, &QTimer::timeout, [&, closer] {
                if ((modals.pendingExpectations() != 0 || !FormMain) && ++ticks < 2000)
                    return;
                if (!FormMain)
                    return;
                sawWindow = FormMain->isVisible() && StreamDati && LanguagesModule && BasarioModule;
                closer->stop();
                closer->deleteLater();
                FormMain->close();
            });
            closer->start(5);
        });
        char name[] = "Vexano";
        char* argv[] = {name, nullptr};
        EXPECT_EQ(WinMain(1, argv), 0);
        return sawWindow;
    }
    OwnUserFolders own;
};

TEST_F(StartUp, RunsUntilTheMainWindowClosesThenFreesEverything) {
    EXPECT_TRUE(runUntilClosed());
    EXPECT_EQ(FormMain, nullptr);
    EXPECT_EQ(StreamDati, nullptr);
    EXPECT_EQ(LanguagesModule, nullptr);
    EXPECT_EQ(BasarioModule, nullptr);
    BindLanguageLibrary(); // the other tests read the library's strings
}

// What the standard buttons of any box read now: "OK|Yes|No|Cancel".
std::string StandardButtonTexts() {
    const QDialogButtonBox::StandardButton kinds[] = {QDialogButtonBox::Ok, QDialogButtonBox::Yes,
                                                      QDialogButtonBox::No,
                                                      QDialogButtonBox::Cancel};
    QDialogButtonBox box;
    QStringList texts;
    for (QDialogButtonBox::StandardButton kind : kinds)
        texts << box.addButton(kind)->text();
    return texts.join('|').toStdString();
}

// Settings that cannot be read are told before the main window exists, in
// the language the start then keeps: that box already has Qt's buttons in
// Italian.
TEST_F(StartUp, TheSettingsWarningHasQtsButtonsInItalian) {
    if (!QFile::exists(TQtTexts::DefaultFolder() + "/qtbase_it.qm"))
        GTEST_SKIP() << "Qt's Italian catalogue is not installed (qt6-translations-l10n)";
    data.reset(); // it writes the settings back
    StreamDati = nullptr;
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Pellam", "3307K").clear();
    std::string buttons;
    EXPECT_TRUE(runUntilClosed([&](ScriptedModals& modals) {
        modals.expectMessageBox(platform::IDOK, "impostazioni essenziali",
                                [&] { buttons = StandardButtonTexts(); });
    }));
    EXPECT_EQ(buttons, "OK|&Sì|&No|Annulla");
    BindLanguageLibrary();
}

// Another local user's runtime folder holding a lock of the program's name,
// and a lock in the shared temporary folder where the program used to keep
// it: the program starts all the same.
TEST_F(StartUp, LocksOfAnotherUserDoNotKeepItFromStarting) {
    SetupEditionProfile(128);
    const QString file =
        QString::fromStdString(platform::NamedMutex::safeName(GetProductTitle())) + ".lock";
    QTemporaryDir foreign("/tmp/vexano-foreign-XXXXXX");
    QLockFile theirs(foreign.path() + "/" + file);
    QLockFile oldPlace(QDir::tempPath() + "/" + file);
    ASSERT_TRUE(theirs.tryLock(0));
    ASSERT_TRUE(oldPlace.tryLock(0));
    ASSERT_TRUE(MakeForeign(foreign.path()));
    ScopedEnv runtime("XDG_RUNTIME_DIR", foreign.path());
    EXPECT_TRUE(runUntilClosed());
    BindLanguageLibrary();
}

} // namespace
