// The auto-calibration window against the simulated unit's own calibration.
#include "servicefixture.h"

#include "formcalibratar.h"
#include "ui_FormCalibraTar.h"

#include "platform/numbers.h"

#include <QTest>
#include <functional>

namespace {

class Calibration : public ServiceTest {
protected:
    Calibration() {
        sim.setCalibrationStep(1000);
        clock.advance(7000); // the idling engine is on gas by now
    }
    ~Calibration() override {
        if (window)
            window->close();
    }
    TFormCalibraTar& open() {
        window = std::make_unique<TFormCalibraTar>(nullptr);
        window->show();
        ProcessEvents();
        return *window;
    }
    void enter() { QTest::keyClick(window.get(), Qt::Key_Return); }
    // One tick of the window at `ms` after the start of the calibration.
    void tickAt(uint32_t ms) {
        const uint32_t target = started + ms;
        if (int32_t(target - clock.tickCount()) > 0)
            clock.advance(target - clock.tickCount());
        window->TimerBlinkTimer();
    }
    void start() {
        enter();
        started = clock.tickCount();
    }
    std::string operation() const { return text(window->ui()->LabelOperazione->text()); }
    bool atPrompt() const {
        return window->CalibState == 0 && !window->ui()->LabelMessaggio->isHidden() &&
               window->ui()->ProgressBarCalibra->isHidden();
    }
    // Index of the first call from `from` on that starts with prefix; -1 none.
    int callIndex(const std::string& prefix, int from = 0) const {
        const auto log = sim.callLog();
        for (int i = from; i < int(log.size()); ++i)
            if (log[size_t(i)].rfind(prefix, 0) == 0)
                return i;
        return -1;
    }

    std::unique_ptr<TFormCalibraTar> window;
    uint32_t started = 0;
};

TEST_F(Calibration, RunsToItsEndWithTheNewMapInTheImage) {
    open();
    EXPECT_EQ(text(window->ui()->LabelMessaggio->text()), "Premere INVIO per iniziare la TARATURA");
    EXPECT_TRUE(window->ui()->LabelOperazione->isHidden());
    tickAt(0);
    EXPECT_EQ(text(window->ui()->LabelCarb->text()), "Gas") << "the live values run at once";
    start();
    EXPECT_EQ(window->CalibState, 1);
    EXPECT_TRUE(window->ui()->LabelMessaggio->isHidden());

    const struct {
        uint32_t at;
        const char* text;
        int progress;
    } states[] = {
        {500, "Attesa per verifica parametri...", 0},
        {2100, "Portarsi a 2800 giri in folle...", 15},
        {5100, "Taratura in corso... \nNon accelerare o decelerare...", 38},
        {10100, "Verifica... \nNon accelerare o decelerare...", 76},
        {11100, "Taratura completata. \nTrasferimento dati in corso...", 84},
    };
    for (const auto& s : states) {
        tickAt(s.at);
        EXPECT_EQ(operation(), s.text) << s.at;
        EXPECT_EQ(window->ui()->ProgressBarCalibra->value(), s.progress) << s.at;
        if (s.progress == 38) {
            EXPECT_NEAR(std::stoi(text(window->ui()->LabelGiri->text())), 2800, 30)
                << "the unit holds the engine at the calibration speed";
        }
    }

    sim.clearCallLog();
    tickAt(12100);
    const int query = callIndex("SendCommand(20,");
    const int store = callIndex("SendCommand(18,[0],2)=1");
    const int wait = callIndex("Disconnect(", store);
    const int ready = callIndex("ReadParam(0x2)", wait);
    const int read = callIndex("ReadParam(0x2303)", ready);
    EXPECT_TRUE(query >= 0 && query < store && store < wait && wait < ready && ready < read)
        << query << " " << store << " " << wait << " " << ready << " " << read;

    EXPECT_EQ(operation(), "Taratura terminata correttamente.");
    EXPECT_EQ(window->CalibState, 2);
    EXPECT_TRUE(window->ui()->ProgressBarCalibra->isHidden());
    EXPECT_EQ(data->GetMappaK(1, 1), sim.peek(0x54, 1 * 6 + 1)) << "the new map in the image";
    EXPECT_EQ(data->GetMappaCorrAutotaratura(0, 1), sim.peek(0x95, 1));
    EXPECT_TRUE(data->IsModified()) << "the read marks the image";
    const std::string note = text(window->ui()->LabelNota->text());
    EXPECT_NE(note.find("NB: La centralina si comporta"), std::string::npos);
    EXPECT_NE(note.find("\n(Default =" +
                        platform::FloatToStrF(data->GetMappaK(1, 1) * 0.0078125 * 100,
                                              platform::TFloatFormat::ffFixed, 5, 2) +
                        "%)"),
              std::string::npos)
        << note;
    EXPECT_FALSE(window->ui()->LabelNota->isHidden());

    sim.clearCallLog();
    enter();
    tickAt(13000);
    EXPECT_EQ(sim.countCalls("SendCommand"), 0) << "after the end, Enter starts nothing";
    window->close();
    EXPECT_EQ(sim.countCalls("SendCommand(21"), 0);
}

TEST_F(Calibration, StateCodesOutsideTheTableKeepTheText) {
    open();
    start();
    tickAt(2100);
    const std::string shown = operation();
    for (int code : {13, -1}) {
        sim.setCalibrationStateCode(code);
        tickAt(3100 + uint32_t(code + 1) * 10);
        EXPECT_EQ(operation(), shown) << code;
        EXPECT_EQ(window->ui()->ProgressBarCalibra->value(), code < 0 ? 0 : 100) << code;
        EXPECT_EQ(window->CalibState, 1);
    }
}

// What goes wrong, how the window tells it and where it leaves the image.
struct Failure {
    const char* name;
    std::function<void(SimUnit&)> fault;
    uint32_t at;        // tick after the start that meets it
    const char* told;   // the box's text, "" for the transfer's own text, null for no box
    bool atPrompt;      // back at the Enter prompt
    bool imageAsBefore; // the map of before the calibration
};

class CalibrationFailure : public Calibration, public ::testing::WithParamInterface<Failure> {};

TEST_P(CalibrationFailure, IsToldAndLeavesTheImageAndItsMarkAsTheyWere) {
    const Failure& f = GetParam();
    data->SetModified(true); // an edit not yet in a file
    const int32_t cellBefore = data->GetMappaK(1, 1);
    open();
    f.fault(sim);
    if (f.told)
        modals.expectMessageBox(platform::IDOK, f.told);
    start();
    if (window->CalibState == 1)
        tickAt(f.at);
    ASSERT_EQ(modals.pendingExpectations(), 0u);
    if (f.told && !*f.told) {
        EXPECT_EQ(modals.interactions().back().text, data->LastTransferError());
    }
    if (f.told) {
        EXPECT_EQ(modals.interactions().back().flags, unsigned(platform::MB_ICONERROR));
    }
    EXPECT_EQ(atPrompt(), f.atPrompt);
    EXPECT_TRUE(data->IsModified()) << "the save question stays";
    if (f.imageAsBefore) {
        EXPECT_EQ(data->GetMappaK(1, 1), cellBefore);
    }
    EXPECT_TRUE(window->ui()->LabelNota->isHidden());
}

INSTANTIATE_TEST_SUITE_P(
    Ends, CalibrationFailure,
    ::testing::Values(Failure{"Refusal", [](SimUnit& s) { s.setCalibrationRefusal(0x0c); }, 500,
                              nullptr, true, true},
                      Failure{"StartRefused", [](SimUnit& s) { s.refuseCommand(19); }, 0,
                              "Impossibile avviare la taratura. Riprovare.", true, true},
                      Failure{"StateQueryFails", [](SimUnit& s) { s.failCalibrationQueries(1); },
                              500, "Errore di comunicazione.", false, true},
                      Failure{"StoreRefused", [](SimUnit& s) { s.refuseCommand(18); }, 12100,
                              "Errore di comunicazione.", true, true},
                      Failure{"UnitNotBack", [](SimUnit& s) { s.setNeverReady(); }, 12100,
                              "non risponde correttamente", true, true},
                      // The link lost in the read, once the first rows of the new map are in.
                      Failure{"ReadFails", [](SimUnit& s) { s.dropAfter(30); }, 12100, "", true,
                              true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Calibration, RefusalFlagsAreToldInTheirOrder) {
    sim.setCalibrationRefusal(0x0c);
    open();
    start();
    tickAt(500);
    EXPECT_EQ(operation(), "Impossibile procedere.Sotto chiave mancante.Segnale giri mancante.");
    EXPECT_TRUE(atPrompt());
    sim.setCalibrationRefusal(0);
    start();
    EXPECT_EQ(window->CalibState, 1) << "Enter starts anew";
}

TEST_F(Calibration, ClosingWhileRunningStopsTheUnitAndKeepsTheSaveQuestion) {
    data->SetModified(true);
    open();
    start();
    tickAt(3100);
    sim.clearCallLog();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(sim.countCalls("SendCommand(21,[],2)=1"), 1);
    EXPECT_GE(callIndex("Disconnect("), 1) << "then waits for the unit";
    EXPECT_TRUE(data->IsModified());
    EXPECT_EQ(sim.calibrationState(), 0);
    window->close();
    EXPECT_EQ(sim.countCalls("SendCommand(21"), 1) << "once";
}

TEST_F(Calibration, ATickFiredFromInsideABoxIsLetGo) {
    open();
    start();
    sim.failCalibrationQueries(2);
    sim.clearCallLog();
    modals.expectMessageBox(platform::IDOK, "Errore di comunicazione.", [this] {
        window->TimerBlinkTimer(); // the timer keeps running under the box
    });
    tickAt(500);
    EXPECT_EQ(sim.countCalls("SendCommand(20"), 1) << "the inner tick asked nothing";
    modals.expectMessageBox(platform::IDOK, "Errore di comunicazione.");
    tickAt(650);
    EXPECT_EQ(window->CalibState, 1);
    tickAt(800);
    EXPECT_EQ(operation(), "Attesa per verifica parametri...");
}

} // namespace
