// The serial message tool started from the editor: a script in a folder
// with blanks, named as the tool, records its arguments. The link is handed
// over and taken back only when it was open; a missing tool, one that does
// not start and a link that does not come back are told.
#include "gridfixture.h"

#include "formconfig.h"
#include "ui_FormConfig.h"

#include "core/messages.h"
#include "core/serialecu.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// Data-changed codes the editor window received.
class DataChanged : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == static_cast<QEvent::Type>(WM_DATACHANGED))
            codes.push_back(int(static_cast<TMessageEvent*>(e)->lParam()));
        return false;
    }
    std::vector<int> codes;
};

class SerialTool : public GridTest {
protected:
    SerialTool() : folder(root.filePath("Programma Vexano")), previous(QDir::currentPath()) {
        QDir().mkpath(folder);
        QDir::setCurrent(folder);
        editor = std::make_unique<TFormConfig>();
        editor->LoadCaptions();
        editor->installEventFilter(&changes);
        sim.setPort(2);
        sim.setReconnectDelay(0);
    }
    ~SerialTool() override { QDir::setCurrent(previous); }

    // The program folder the editor takes: the working folder.
    void UseFolder(const QString& name) {
        folder = root.filePath(name);
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(QDir::setCurrent(folder));
    }

    void PutTool(bool executable) {
        QFile tool(folder + "/Sirvatel.exe");
        ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
        tool.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args.txt\"\n");
        tool.close();
        QFile::Permissions p = QFile::ReadOwner | QFile::WriteOwner;
        if (executable)
            p |= QFile::ExeOwner;
        ASSERT_TRUE(tool.setPermissions(p));
    }
    QString Arguments() const {
        QFile f(folder + "/args.txt");
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString("none");
    }
    // The link calls around the tool, in order.
    std::vector<std::string> LinkCalls() const {
        std::vector<std::string> calls;
        for (const std::string& c : sim.callLog())
            for (const char* name : {"GetPortNumber", "IsConnected", "Disconnect", "Reconnect"})
                if (c.rfind(name, 0) == 0)
                    calls.push_back(c.substr(0, c.find('(')));
        return calls;
    }
    void Start() {
        sim.clearCallLog();
        editor->ui()->MenuComunicazioneSerialeCostruita->trigger();
        ProcessEvents();
        EXPECT_EQ(modals.pendingExpectations(), 0u);
    }

    QTemporaryDir root;
    QString folder;
    QString previous;
    ScriptedModals modals;
    DataChanged changes;
    std::unique_ptr<TFormConfig> editor;
};

using Calls = std::vector<std::string>;

TEST_F(SerialTool, TheOpenLinkIsHandedToTheToolOnItsPortAndTakenBack) {
    PutTool(true);
    ASSERT_TRUE(data->EcuLink()->Connect());
    Start();
    EXPECT_EQ(Arguments(), "2\n9600,n,8,1\n");
    EXPECT_EQ(LinkCalls(), (Calls{"GetPortNumber", "IsConnected", "Disconnect", "Reconnect"}));
    EXPECT_TRUE(sim.unitConnected());
    EXPECT_TRUE(changes.codes.empty());
}

TEST_F(SerialTool, WithoutALinkTheToolRunsAndNoLinkCallFollows) {
    PutTool(true);
    Start();
    EXPECT_EQ(Arguments(), "2\n9600,n,8,1\n");
    EXPECT_EQ(LinkCalls(), (Calls{"GetPortNumber", "IsConnected"}));
}

// A quote in the folder name once cut the path short, so "w/t" ran with the
// rest of the path as its arguments.
TEST_F(SerialTool, AQuoteInTheFolderNameRunsTheToolItselfWithItsArgumentsWhole) {
    UseFolder("w/t\"x");
    PutTool(true);
    const QString planted = root.filePath("w/t");
    const QString marker = root.filePath("w/planted-ran");
    {
        QFile f(planted);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(("#!/bin/sh\ntouch '" + marker.toStdString() + "'\n").c_str());
        f.close();
        ASSERT_TRUE(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    ASSERT_TRUE(data->EcuLink()->Connect());
    Start();
    EXPECT_FALSE(QFile::exists(marker));
    EXPECT_EQ(Arguments(), "2\n9600,n,8,1\n");
    EXPECT_TRUE(sim.unitConnected());
}

TEST_F(SerialTool, AMissingToolIsToldAndTheLinkLeftAlone) {
    ASSERT_TRUE(data->EcuLink()->Connect());
    modals.expectMessageBox(platform::IDOK, "Impossibile individuare il modulo");
    Start();
    EXPECT_EQ(modals.interactions().back().flags, platform::MB_ICONERROR);
    EXPECT_TRUE(sim.callLog().empty());
    EXPECT_TRUE(sim.unitConnected());
}

TEST_F(SerialTool, AToolThatDoesNotStartIsToldAndTheLinkComesBack) {
    PutTool(false);
    ASSERT_TRUE(data->EcuLink()->Connect());
    modals.expectMessageBox(platform::IDOK, "Impossibile eseguire il modulo");
    Start();
    EXPECT_EQ(Arguments(), "none");
    EXPECT_EQ(LinkCalls(), (Calls{"GetPortNumber", "IsConnected", "Disconnect", "Reconnect"}));
    EXPECT_TRUE(sim.unitConnected());
}

TEST_F(SerialTool, ALinkThatDoesNotComeBackIsToldAndShownClosed) {
    PutTool(true);
    for (auto refuse :
         {+[](SimUnit& s) { s.setReconnectDelay(1000000); }, +[](SimUnit& s) { s.setAbsent(); }}) {
        sim.setReconnectDelay(0);
        sim.setAbsent(false);
        ASSERT_TRUE(data->EcuLink()->Connect());
        refuse(sim);
        changes.codes.clear();
        modals.expectMessageBox(platform::IDOK, "disconnessa");
        Start();
        EXPECT_EQ(Arguments(), "2\n9600,n,8,1\n");
        EXPECT_FALSE(sim.unitConnected());
        EXPECT_EQ(changes.codes, std::vector<int>{0});
    }
}

} // namespace
