// The settings component over the registry layer, and what the data module
// does with it at construction.
#include "imagefixture.h"

#include "core/quarnconnectecu.h"
#include "core/quarnglobaldata.h"
#include "platform/registry.h"

#include <QCoreApplication>

namespace {

const char kKey[] = "\\Software\\Pellam\\3307K";

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() {
        EnsureTestApplication();
        ResetSettings();
    }
    static void store(const std::function<void(platform::Registry&)>& write) {
        platform::Registry r;
        ASSERT_TRUE(r.OpenKey(kKey, true));
        write(r);
        r.CloseKey();
    }
};

TEST_F(SettingsTest, FirstRunKeepsDefaultsAndWritesThemAtExit) {
    {
        TQuarnGlobalData settings;
        settings.StrKey = kKey;
        EXPECT_FALSE(settings.LoadStrKey());
        EXPECT_EQ(settings.ComPort(), 1);
        EXPECT_EQ(settings.Language(), 0);
        EXPECT_TRUE(settings.CanStart);
        EXPECT_EQ(settings.Set(2, 1), 1);
    }
    TQuarnGlobalData next;
    next.StrKey = kKey;
    EXPECT_TRUE(next.LoadStrKey());
    EXPECT_EQ(next.Language(), 1);
    EXPECT_EQ(next.ComPort(), 1);
}

TEST_F(SettingsTest, ValuesReadUpToTheFirstMissingOne) {
    store([](platform::Registry& r) {
        r.WriteInteger("ComPort", 4);
        r.WriteString("MainPath", "C:\\Officina");
    });
    TQuarnGlobalData settings;
    settings.StrKey = kKey;
    EXPECT_FALSE(settings.LoadStrKey());
    EXPECT_EQ(settings.ComPort(), 4);
    EXPECT_EQ(settings.MainPath(), "C:\\Officina");
    EXPECT_EQ(settings.Language(), 0);

    store([](platform::Registry& r) {
        r.WriteString("ComPort", "not a number");
        r.WriteInteger("Language", 1);
    });
    TQuarnGlobalData wrongType;
    wrongType.StrKey = kKey;
    EXPECT_FALSE(wrongType.LoadStrKey());
    EXPECT_EQ(wrongType.ComPort(), 1);
    EXPECT_EQ(wrongType.Language(), 0);
}

TEST_F(SettingsTest, GetAndSetByIndex) {
    TQuarnGlobalData s;
    EXPECT_EQ(s.Set(1, 3), 1);
    EXPECT_EQ(s.Get(1), 3);
    EXPECT_EQ(s.Set(0, 9), 0);
    EXPECT_EQ(s.Set(3, 9), 0);
    EXPECT_EQ(s.Get(3), 0);
    EXPECT_EQ(s.Get(0), 0);
    std::string path = "untouched";
    EXPECT_EQ(s.Get(1, path), 0);
    EXPECT_EQ(path, "untouched");
    EXPECT_EQ(s.Set(1, std::string("x")), 0);
    EXPECT_EQ(s.Set(0, std::string(200, 'p')), 1);
    EXPECT_EQ(s.Get(0, path), 1);
    EXPECT_EQ(path, std::string(149, 'p'));
    s.StrKey = kKey; // written back at exit, read by the next one
}

TEST_F(SettingsTest, DataModuleWarnsOnceWhenSettingsAreMissing) {
    TScreen screen;
    std::vector<std::pair<std::string, unsigned>> shown;
    screen.SetMessageHandler([&](const std::string& text, const std::string& caption, unsigned f) {
        EXPECT_EQ(caption, "");
        shown.emplace_back(text, f);
    });
    FakeLink link;
    {
        TStreamDati dm(nullptr, &screen, &link);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].first,
                  "Il programma non \xe8 in grado di rilevare alcune impostazioni essenziali.\n"
                  "Queste verranno ora resettate: controllarne la correttezza.\n"
                  "In caso di ulteriori problemi ripetere l'installazione del software.");
        EXPECT_EQ(shown[0].second, kMessageIconError);
        EXPECT_EQ(dm.QuarnGlobalData->StrKey, kKey);
        EXPECT_EQ(dm.QuarnGlobalData->objectName(), "QuarnGlobalData");
        EXPECT_EQ(dm.QuarnConnectEcu->objectName(), "QuarnConnectEcu");
        EXPECT_EQ(dm.QuarnGlobalData->parent(), &dm);
        EXPECT_EQ(dm.QuarnConnectEcu->parent(), &dm);
        EXPECT_EQ(dm.EcuLink(), &link);
        // A fresh image: named "Standard" over the link, not modified.
        EXPECT_EQ(dm.GetNomeConfigurazione(), "Standard");
        EXPECT_EQ(link.calls.size(), 9u);
        EXPECT_FALSE(dm.IsModified());
        EXPECT_EQ(dm.ConfigFileName(), "default");
        EXPECT_EQ(dm.ProgressTotal(), 642u);
        EXPECT_FALSE(dm.ScrambleKey().empty());
        EXPECT_FALSE(dm.SetScrambleKey(std::string(50, 'k')));
        EXPECT_FALSE(dm.SetScrambleKey(""));
        EXPECT_TRUE(dm.SetScrambleKey(std::string(49, 'k')));
        // Both curves convert before any transfer built them.
        EXPECT_DOUBLE_EQ(double(dm.ConvertRawToTempGas(127)), 25.0);
        EXPECT_EQ(dm.ConvertTempMotoreToRaw(25.0f), 127);
        dm.QuarnGlobalData->Set(2, 1);
    }
    QCoreApplication::sendPostedEvents();
    // The next start finds what the last one wrote.
    shown.clear();
    TStreamDati again(nullptr, &screen, &link);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(again.QuarnGlobalData->Language(), 1);
}

// Without the link library every link call is refused; nothing breaks.
TEST_F(SettingsTest, DataModuleWithoutTheLinkLibrary) {
    TScreen screen;
    screen.SetMessageHandler([](const std::string&, const std::string&, unsigned) {});
    TStreamDati dm(nullptr, &screen, &NullEcuLink());
    EXPECT_EQ(dm.GetNomeConfigurazione(), "");
    EXPECT_FALSE(dm.SetMappaK(0, 0, 1));
    EXPECT_FALSE(dm.WaitEcuReady(0));
}

} // namespace
