// The editor's writes of values that belong together (the emulation rpm
// references, the map's rpm columns and time rows, the external MAP
// sensor's two words) with the link dropped and with a refusal at their
// first, a middle and their last write: what the user is told, whether the
// unit ends as before or holding old and new values mixed, and that the
// image holds what the unit holds. Each operation first runs once without a
// fault; its call log tells which exchanges are its writes. The search's
// reads, which fail before anything is written, are pressuresearch_test's.
#include "gridfixture.h"

#include "formcentricelle.h"
#include "formcentricellek.h"
#include "formconfig.h"
#include "pagecontrol.h"
#include "ui_FormCentriCelle.h"
#include "ui_FormCentriCelleK.h"
#include "ui_FormConfig.h"

#include "controls/numericedit.h"

namespace {

enum class Fault { DropFirst, DropMiddle, DropLast, RefuseFirst, RefuseMiddle, RefuseLast };
enum class Ends { Before, Mixed };

const char* FaultName(Fault f) {
    static const char* names[] = {"drop at the first",     "drop in the middle",
                                  "drop at the last",      "refusal at the first",
                                  "refusal in the middle", "refusal at the last"};
    return names[int(f)];
}

// Elements first..first+count-1 of a unit item and of the image's copy.
struct Item {
    int param;
    int first;
    int count;
    std::function<int32_t(const TEcuImage&, int)> image;
};
using Held = std::vector<int>;

struct Expect {
    Ends ends;
    std::vector<std::string> says;
    std::vector<std::string> saysNot = {};
};

class EditorWrites;

struct Operation {
    const char* name;
    std::vector<Item> items;
    // Runs the operation with its new values; a message is answered when
    // one is expected.
    std::function<void(EditorWrites&, bool told)> run;
    // What a run without a fault says, if anything.
    std::optional<std::string> cleanSays = std::nullopt;
    std::map<Fault, Expect> expect;
};

void PrintTo(const Operation& op, std::ostream* os) {
    *os << op.name;
}

class EditorWrites : public GridTest, public ::testing::WithParamInterface<Operation> {
protected:
    EditorWrites() {
        sim.poke(0x78, 2, 100);
        sim.poke(0x78, 3, 500);
        LoadUnit(6, 8);
    }

public:
    Held UnitHeld(const Operation& op) const {
        Held held;
        for (const Item& item : op.items)
            for (int i = item.first; i < item.first + item.count; ++i)
                held.push_back(sim.peek(item.param, i).value_or(-1));
        return held;
    }
    Held ImageHeld(const Operation& op) const {
        Held held;
        for (const Item& item : op.items)
            for (int i = item.first; i < item.first + item.count; ++i)
                held.push_back(item.image(data->Image(), i));
        return held;
    }

    // The message boxes the run showed.
    std::vector<std::string> Run(const Operation& op, bool told) {
        ScriptedModals script;
        modals = &script;
        op.run(*this, told);
        modals = nullptr;
        std::vector<std::string> texts;
        for (const auto& i : script.interactions())
            if (i.kind == ScriptedModals::Kind::MessageBox)
                texts.push_back(i.text);
        return texts;
    }
    void ExpectBox(bool told) {
        if (told)
            modals->expectMessageBox(platform::IDOK);
    }

    // The unit, the link and the image as they were before the run.
    void PutBack(const Operation& op, const Held& unit, const TEcuImage& image) {
        sim.failCall(0);
        sim.dropAfter(-1);
        sim.freezeRealTime(2, {});
        size_t k = 0;
        for (const Item& item : op.items) {
            for (int i = item.first; i < item.first + item.count; ++i) {
                ASSERT_TRUE(sim.poke(item.param, i, unit[k++]));
            }
        }
        if (!data->EcuLink()->IsConnected()) {
            ASSERT_TRUE(data->EcuLink()->Connect());
        }
        data->RestoreImage(image);
        if (editor)
            editor->Timer1->stop(); // no live read between the runs
        sim.clearCallLog();
    }

    TFormConfig& Editor() {
        if (!editor) {
            editor = std::make_unique<TFormConfig>();
            editor->LoadCaptions();
            editor->ui()->PageControl->SetActivePage(editor->ui()->TabPressione);
        }
        return *editor;
    }

    // The operations, with the new values each writes.
    static void EmulationReferences(EditorWrites& f, bool told) {
        f.modals->expectModal(
            [&](QDialog& d) {
                auto& dialog = dynamic_cast<TFormCentriCelle&>(d);
                for (int i = 0; i < 12; ++i)
                    dialog.EditRifGiri(i)->SetInt(1100 + 600 * i);
                f.ExpectBox(told);
                dialog.ui()->ButtonOk->click();
                return 2;
            },
            "TFormCentriCelle");
        TFormCentriCelle dialog(f.window.get());
        platform::ShowModal(dialog);
    }

    static void MapReferences(EditorWrites& f, bool told) {
        f.modals->expectModal(
            [&](QDialog& d) {
                auto& dialog = dynamic_cast<TFormCentriCelleK&>(d);
                for (int i = 0; i < 6; ++i)
                    dialog.EditRifGiri(i)->SetInt(1000 + 600 * i);
                for (int i = 0; i < 8; ++i)
                    dialog.NumEditRifMap(i)->SetDouble(double(StreamDati->GetRifTempiK(i)) + 0.2);
                f.ExpectBox(told);
                dialog.ui()->ButtonOk->click();
                return 2;
            },
            "TFormCentriCelleK");
        TFormCentriCelleK dialog(f.window.get());
        platform::ShowModal(dialog);
    }

    // P0 1100 mbar at 1 V, P1 600 mbar at 3 V: offset 1350, slope -250.
    static void PressureSearch(EditorWrites& f, bool) {
        f.sim.queueRealTime(2, SimUnit::Block2(0, 0, 102, 51));
        for (int i = 0; i < 10; ++i)
            f.sim.queueRealTime(2, SimUnit::Block2(2000, 0x80, 51, 153));
        f.ExpectBox(true);
        f.Editor().ui()->ButtonRicercaParametri->click();
    }

    ScriptedModals* modals = nullptr;
    std::unique_ptr<TFormConfig> editor;
};

// The writes of a run, each by its place among every exchange (as
// SimUnit::failCall counts them, from 1).
std::vector<int> WritesOf(const std::vector<std::string>& log) {
    std::vector<int> writes;
    int all = 0;
    for (const std::string& entry : log) {
        if (!SimUnit::IsExchange(entry))
            continue;
        ++all;
        if (entry.rfind("Write", 0) == 0)
            writes.push_back(all);
    }
    return writes;
}

TEST_P(EditorWrites, ToldWhatTheUnitMayHoldMixedAndTheImageHoldsWhatTheUnitHolds) {
    const Operation& op = GetParam();
    const Held before = UnitHeld(op);
    const TEcuImage image = data->Image();
    ASSERT_EQ(ImageHeld(op), before);

    const std::vector<std::string> cleanTold = Run(op, bool(op.cleanSays));
    ASSERT_EQ(cleanTold.size(), op.cleanSays ? 1u : 0u);
    if (op.cleanSays) {
        EXPECT_NE(cleanTold[0].find(*op.cleanSays), std::string::npos) << cleanTold[0];
    }
    const Held after = UnitHeld(op);
    EXPECT_NE(after, before);
    EXPECT_EQ(ImageHeld(op), after);
    const std::vector<int> writes = WritesOf(sim.callLog());
    ASSERT_GE(writes.size(), 2u);
    PutBack(op, before, image);

    for (const auto& [fault, expect] : op.expect) {
        SCOPED_TRACE(FaultName(fault));
        const bool drop = fault <= Fault::DropLast;
        const int point = int(fault) % 3;
        const int k = point == 0   ? writes.front()
                      : point == 2 ? writes.back()
                                   : writes[writes.size() / 2];
        if (drop)
            sim.dropAfter(k - 1);
        else
            sim.failCall(k);
        const std::vector<std::string> told = Run(op, true);
        ASSERT_EQ(told.size(), 1u);
        for (const std::string& s : expect.says)
            EXPECT_NE(told[0].find(s), std::string::npos) << s << " in\n" << told[0];
        for (const std::string& s : expect.saysNot)
            EXPECT_EQ(told[0].find(s), std::string::npos) << s << " in\n" << told[0];
        const Held unit = UnitHeld(op);
        EXPECT_EQ(ImageHeld(op), unit);
        if (expect.ends == Ends::Before) {
            EXPECT_EQ(unit, before);
        } else {
            EXPECT_NE(unit, before);
            EXPECT_NE(unit, after);
        }
        PutBack(op, before, image);
    }
}

constexpr char kCommunication[] = "Errore di comunicazione.";
constexpr char kKept[] = "La centralina ha ancora i valori precedenti.";
constexpr char kCheckThem[] = "Ricollegare la centralina e controllare questi valori.";
constexpr char kRpmMixed[] = "I riferimenti dei giri in centralina possono essere in parte";
constexpr char kColumnsMixed[] = "Le colonne dei giri della mappa in centralina possono";
constexpr char kRowsMixed[] = "Le righe dei tempi della mappa in centralina possono";
constexpr char kNoSearch[] = "Impossibile effettuare la ricerca dei parametri";
constexpr char kWordsMixed[] = "l'offset del MAP esterno pu\xf2 essere gi\xe0 nuovo e la pendenza";

const Expect kPutBack{Ends::Before, {kCommunication, kKept}, {kCheckThem}};
const Expect kNoSearchPutBack{Ends::Before, {kNoSearch, kKept}, {kCheckThem}};

int32_t RifGiri(const TEcuImage& m, int i) {
    return m.RifGiri[i];
}
int32_t RifGiriK(const TEcuImage& m, int i) {
    return m.RifGiriK[i];
}
int32_t RifTempiK(const TEcuImage& m, int i) {
    return m.RifTempiK[i];
}
int32_t MapSensorWord(const TEcuImage& m, int i) {
    return m.OffsetPendenzaMap[i];
}

// A write lost with the link is not applied by the simulated unit, so a
// drop at the first write leaves it as before; the user is still told that
// it may hold the first value, since no answer came.
const Operation kOperations[] = {
    {.name = "EmulationReferences",
     .items = {{0x0c, 0, 12, RifGiri}},
     .run = &EditorWrites::EmulationReferences,
     .expect = {{Fault::DropFirst, {Ends::Before, {kCommunication, kRpmMixed, kCheckThem}}},
                {Fault::DropMiddle, {Ends::Mixed, {kCommunication, kRpmMixed, kCheckThem}}},
                {Fault::DropLast, {Ends::Mixed, {kCommunication, kRpmMixed, kCheckThem}}},
                {Fault::RefuseFirst, kPutBack},
                {Fault::RefuseMiddle, kPutBack},
                {Fault::RefuseLast, kPutBack}}},
    // Six columns go first, then the eight rows: a loss among the rows leaves
    // the columns new and whole.
    {.name = "MapReferences",
     .items = {{0x3d, 0, 6, RifGiriK}, {0x37, 0, 8, RifTempiK}},
     .run = &EditorWrites::MapReferences,
     .expect = {{Fault::DropFirst, {Ends::Before, {kColumnsMixed, kCheckThem}, {kRowsMixed}}},
                {Fault::DropMiddle, {Ends::Mixed, {kRowsMixed, kCheckThem}, {kColumnsMixed}}},
                {Fault::DropLast, {Ends::Mixed, {kRowsMixed, kCheckThem}, {kColumnsMixed}}},
                {Fault::RefuseFirst, kPutBack},
                {Fault::RefuseMiddle, kPutBack},
                {Fault::RefuseLast, kPutBack}}},
    // Two writes: the middle one is the last, the slope.
    {.name = "PressureSearch",
     .items = {{0x78, 2, 2, MapSensorWord}},
     .run = &EditorWrites::PressureSearch,
     .cleanSays = "correttamente calcolati",
     .expect = {{Fault::DropFirst, {Ends::Before, {kNoSearch, kWordsMixed, kCheckThem}}},
                {Fault::DropLast, {Ends::Mixed, {kNoSearch, kWordsMixed, kCheckThem}}},
                {Fault::RefuseFirst, kNoSearchPutBack},
                {Fault::RefuseLast, kNoSearchPutBack}}},
};

INSTANTIATE_TEST_SUITE_P(Editor, EditorWrites, ::testing::ValuesIn(kOperations),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
