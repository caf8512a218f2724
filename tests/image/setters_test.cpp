// The write-through setters: what reaches the link, what the image keeps, and
// how the modified flag and the official mark follow the link's answer.
#include "imagefixture.h"

#include "core/messages.h"
#include "core/transfer.h"
#include "settercases.h"

namespace {

class SetterClassTest : public ImageTest, public ::testing::WithParamInterface<SetterCase> {};

// Accepted: the value is stored, the image is modified, the official mark is
// withdrawn over the link (the weak-rpm signal alone leaves it).
TEST_P(SetterClassTest, AcceptedStoresAndWithdrawsTheMark) {
    const SetterCase& c = GetParam();
    makeOfficial();
    EXPECT_TRUE(c.set(*dm));
    ASSERT_FALSE(link.calls.empty());
    EXPECT_EQ(link.calls.front().text(), c.call);
    EXPECT_EQ(c.get(dm->Image()), c.raw);
    EXPECT_TRUE(dm->IsModified());
    EXPECT_EQ(dm->IsUfficiale(), c.cls == Cls::Signal);
}

// Refused: the image keeps its value; class A and B still mark the image
// modified, class B also withdraws the mark, class C changes nothing.
TEST_P(SetterClassTest, RefusedKeepsTheImage) {
    const SetterCase& c = GetParam();
    makeOfficial();
    const int32_t before = c.get(dm->Image());
    ASSERT_NE(before, c.raw);
    link.acceptWrite = [&](const LinkCall& call) { return call.text() != c.call; };
    EXPECT_FALSE(c.set(*dm));
    ASSERT_FALSE(link.calls.empty());
    EXPECT_EQ(link.calls.front().text(), c.call);
    EXPECT_EQ(c.get(dm->Image()), before);
    EXPECT_EQ(dm->IsModified(), c.cls == Cls::A || c.cls == Cls::B);
    EXPECT_EQ(dm->IsUfficiale(), c.cls != Cls::B);
}

INSTANTIATE_TEST_SUITE_P(Setters, SetterClassTest, ::testing::ValuesIn(kSetters),
                         [](const auto& info) { return CaseName(info.param); });

class SetterTest : public ImageTest {};

TEST_F(SetterTest, MapAndTableIndexesStayInsideTheGeometry) {
    // Geometry 12 x 6: map rows 0..12, columns 0..5, RifTempiK rows 0..11.
    const std::function<bool()> outside[] = {
        [&] { return dm->SetMappaK(13, 0, 1); },
        [&] { return dm->SetMappaK(0, 6, 1); },
        [&] { return dm->SetMappaK(-1, 0, 1); },
        [&] { return dm->SetMappaK(0, -1, 1); },
        [&] { return dm->SetRifGiriK(6, 1); },
        [&] { return dm->SetRifTempiK(12, 1.0); },
        [&] { return dm->SetTOpenLoop(6, 1.0); },
        [&] { return dm->SetRifTempiK(-1, 1.0); },
        [&] { return dm->SetMappaCorrAutotaratura(0, 4, 1); },
        [&] { return dm->SetMappaCorrAutotaratura(4, 0, 1); },
        [&] { return dm->SetRifGiri(12, 1); },
        [&] { return dm->SetRif(10, 1); },
        [&] { return dm->SetDiagnosi(0, 3, 1); },
        [&] { return dm->SetTempoIniettore(5, 1.0); },
        [&] { return dm->SetTempoIniettore(0, 1.0); },
    };
    for (size_t i = 0; i < std::size(outside); ++i)
        EXPECT_FALSE(outside[i]()) << "case " << i;
    EXPECT_TRUE(link.calls.empty());
    EXPECT_FALSE(dm->IsModified());
    EXPECT_EQ(dm->GetMappaK(13, 0), 0);
    EXPECT_EQ(dm->GetMappaK(0, 6), 0);
    EXPECT_EQ(dm->GetRifTempiK(12), 0);

    // A narrower geometry narrows the accessors with it.
    ASSERT_TRUE(dm->SetMappaK(3, 5, 9));
    ASSERT_TRUE(dm->SetMapGeometry(2, 4));
    EXPECT_EQ(dm->GetMappaK(3, 5), 0);
    EXPECT_FALSE(dm->SetMappaK(3, 0, 9));
    EXPECT_FALSE(dm->SetRifTempiK(2, 1.0));
    EXPECT_TRUE(dm->SetRifTempiK(1, 1.0));
}

TEST_F(SetterTest, GeometryOutsideTheStorageKeepsThePreviousOne) {
    struct Case {
        int32_t rows, cols;
        bool taken;
    };
    const Case cases[] = {{0, 1, true},  {12, 12, true}, {13, 6, false},   {-1, 6, false},
                          {5, 0, false}, {5, 13, false}, {255, 255, false}};
    for (const Case& c : cases) {
        ASSERT_TRUE(dm->SetMapGeometry(7, 5));
        EXPECT_EQ(dm->SetMapGeometry(c.rows, c.cols), c.taken) << c.rows << " x " << c.cols;
        EXPECT_EQ(dm->GetNumeroRighe(), c.taken ? c.rows : 7);
        EXPECT_EQ(dm->GetNumeroColonne(), c.taken ? c.cols : 5);
    }
    ASSERT_TRUE(dm->SetMapGeometry(12, 6));
    EXPECT_EQ(dm->RifTempiKId(), 0xc737u);
    EXPECT_EQ(dm->RifGiriKId(), 0x673du);
    EXPECT_EQ(dm->TOpenLoopId(), 0x637fu);
    EXPECT_EQ(dm->MappaKRowId(), 0x6154u);
}

TEST_F(SetterTest, ValueBoundsOfTheSetters) {
    // Map cells outside 0..255 are refused, not stored as 255.
    EXPECT_FALSE(dm->SetMappaK(0, 0, -1));
    EXPECT_FALSE(dm->SetMappaK(0, 0, 256));
    EXPECT_FALSE(dm->SetRifGiri(0, 10001));
    EXPECT_FALSE(dm->SetRifSensore(0, 256));
    EXPECT_TRUE(link.calls.empty());
    EXPECT_FALSE(dm->IsModified());
    EXPECT_TRUE(dm->SetMappaK(0, 0, 255));
    EXPECT_TRUE(dm->SetMappaK(0, 1, 0));

    link.clear();
    const double nan = std::nan("");
    EXPECT_TRUE(dm->SetTOpenLoop(0, -1.0));
    EXPECT_TRUE(dm->SetTOpenLoop(1, nan));
    EXPECT_TRUE(dm->SetRiferimentiSondaLambda(0, 7.0));
    EXPECT_TRUE(dm->SetRiferimentiSondaLambda(1, nan));
    EXPECT_TRUE(dm->SetCoeffPressDiff(0, 150.0));
    EXPECT_TRUE(dm->SetMappaCorrAutotaratura(0, 0, 300));
    EXPECT_EQ(link.log(), (std::vector<std::string>{
                              "WriteParamItem 0x27f 0 0", "WriteParamItem 0x27f 1 0",
                              "WriteParamItem 0x82 0 255", "WriteParamItem 0x82 1 0",
                              "WriteParamItem 0x67c 0 9990", "WriteParamCell 0x495 0 0 127"}));
}

TEST_F(SetterTest, PressureCoefficientsInByteForm) {
    editImage([](TEcuImage& m) { m.CoeffPressDiffByte = 1; });
    EXPECT_TRUE(dm->SetCoeffPressDiff(0, 50.0));  // 166 clamped
    EXPECT_TRUE(dm->SetCoeffPressDiff(1, -50.0)); // -166 clamped
    // Ten steps of 0.3, though 3 x 10 x (1/3) is 9.99.. in extended precision.
    EXPECT_TRUE(dm->SetCoeffPressDiff(2, 3.0));
    EXPECT_EQ(link.log(),
              (std::vector<std::string>{"WriteParamItem 0x47c 0 127", "WriteParamItem 0x47c 1 -128",
                                        "WriteParamItem 0x47c 2 10"}));
    EXPECT_NEAR(double(dm->GetCoeffPressDiff(2)), 3.0, 1e-12);
    editImage([](TEcuImage& m) { m.CoeffPressDiffByte = 0; });
    EXPECT_NEAR(double(dm->GetCoeffPressDiff(2)), 0.1, 1e-12);
}

TEST_F(SetterTest, LevelSensorTypeBringsItsThresholds) {
    EXPECT_TRUE(dm->SetTipoSensoreLivello(0)); // 129: inverted
    EXPECT_TRUE(dm->IsLevelSensorInverted());
    EXPECT_EQ(dm->GetTipoSensoreLivello(), 0);
    EXPECT_EQ(link.log(),
              (std::vector<std::string>{"WriteParam 0x24 129", "WriteParamItem 0x25 0 56",
                                        "WriteParamItem 0x25 1 115", "WriteParamItem 0x25 2 162",
                                        "WriteParamItem 0x25 3 216"}));
    EXPECT_EQ(dm->GetRifSensore(0), 199);
    EXPECT_EQ(dm->GetRifSensore(3), 39);

    EXPECT_TRUE(dm->SetTipoSensoreLivello(1));
    EXPECT_EQ(dm->Image().RifSensore[3], 100);
    link.clear();
    EXPECT_TRUE(dm->SetTipoSensoreLivello(7)); // 195 keeps the thresholds
    EXPECT_EQ(link.log(), std::vector<std::string>{"WriteParam 0x24 195"});
    EXPECT_EQ(dm->GetRifSensore(3), 155);

    EXPECT_FALSE(dm->SetTipoSensoreLivello(9));
    editImage([](TEcuImage& m) { m.TipoSensore = 17; });
    EXPECT_EQ(dm->GetTipoSensoreLivello(), -1);
}

TEST_F(SetterTest, ChangeOverModeRemembersTheRpm) {
    editImage([](TEcuImage& m) { m.GiriPerCambio = 2401; });
    EXPECT_EQ(dm->GetModoCambio(), 1);
    EXPECT_TRUE(dm->SetModoCambio(2));
    EXPECT_EQ(dm->GetModoCambio(), 2);
    EXPECT_TRUE(dm->SetModoCambio(2)); // a repeated start on gas keeps 2401
    link.acceptWrite = [](const LinkCall&) { return false; };
    EXPECT_FALSE(dm->SetModoCambio(0)); // refused: still held
    link.acceptWrite = [](const LinkCall&) { return true; };
    EXPECT_TRUE(dm->SetModoCambio(0));
    EXPECT_TRUE(dm->SetModoCambio(1)); // nothing held any more: from the image
    EXPECT_FALSE(dm->SetModoCambio(3));
    EXPECT_EQ(link.log(), (std::vector<std::string>{
                              "WriteParam 0x210 0", "WriteParam 0x210 0", "WriteParam 0x210 2400",
                              "WriteParam 0x210 2400", "WriteParam 0x210 2401"}));
    EXPECT_EQ(dm->Image().GiriPerCambio, 2401);
}

// The remembered rpm belongs to the image it was taken from: whatever brings
// another change-over rpm into the image drops it.
TEST_F(SetterTest, RememberedRpmGoesWithTheImage) {
    struct Case {
        const char* name;
        std::function<void(TStreamDati&, FakeLink&)> replace;
        int32_t leaveWith; // what SetModoCambio(0) then writes
    };
    auto read = [](int32_t unitRpm) {
        return [unitRpm](TStreamDati& d, FakeLink& l) {
            l.reads[0x210] = {unitRpm};
            d.Transfer(kTransferUnitToImage, "", 0, kGroupAll, false);
        };
    };
    auto load = [](uint32_t groups) {
        return [groups](TStreamDati& d, FakeLink&) {
            d.Transfer(kTransferFileToImage, "", 0, groups, false);
        };
    };
    const Case cases[] = {
        {"read of a unit at 3001", read(3001), 3000},
        {"read of a unit that starts on gas", read(0), 1600},
        {"reset to the defaults", load(kGroupAll), 1600},
        {"defaults of the calibration only", load(kGroupCalibration), 2400},
        {"snapshot of another image that starts on gas",
         [](TStreamDati& d, FakeLink&) {
             TEcuImage other = d.Image();
             other.RememberedGiriPerCambio.reset();
             d.RestoreImage(other);
         },
         1600},
        {"snapshot taken while starting on gas",
         [](TStreamDati& d, FakeLink&) {
             const TEcuImage snapshot = d.Image();
             d.SetModoCambio(1);
             d.RestoreImage(snapshot);
         },
         2400},
        {"rpm typed while starting on gas",
         [](TStreamDati& d, FakeLink&) { d.SetValue(0x210, 3000); }, 3000},
        {"nothing", [](TStreamDati&, FakeLink&) {}, 2400},
    };
    for (const Case& c : cases) {
        editImage([](TEcuImage& m) {
            m.GiriPerCambio = 2401;
            m.RememberedGiriPerCambio.reset();
        });
        ASSERT_TRUE(dm->SetModoCambio(2));
        c.replace(*dm, link);
        link.clear();
        link.reads.clear();
        EXPECT_TRUE(dm->SetModoCambio(0)) << c.name;
        ASSERT_FALSE(link.calls.empty()) << c.name;
        EXPECT_EQ(link.calls.front().text(), "WriteParam 0x210 " + std::to_string(c.leaveWith))
            << c.name;
        EXPECT_EQ(dm->Image().GiriPerCambio, c.leaveWith) << c.name;
    }
}

TEST_F(SetterTest, LeavingStartOnGasWithNothingHeldUses1600) {
    EXPECT_EQ(dm->GetModoCambio(), 2);
    EXPECT_TRUE(dm->SetModoCambio(0));
    EXPECT_EQ(dm->Image().GiriPerCambio, 1600);
    EXPECT_EQ(dm->GetModoCambio(), 0);
}

TEST_F(SetterTest, NameIsWrittenCharacterByCharacter) {
    makeOfficial();
    EXPECT_TRUE(dm->SetNomeConfigurazione("Ab\xe8"));
    EXPECT_EQ(link.log(),
              (std::vector<std::string>{"WriteParamItem 0x35 2 65", "WriteParamItem 0x35 3 98",
                                        "WriteParamItem 0x35 4 -24", "WriteParamItem 0x35 5 0",
                                        "WriteParamItem 0x35 0 0"}));
    EXPECT_EQ(dm->Image().Identificazione[4], -24); // code 232 widened from signed char
    EXPECT_EQ(dm->GetNomeConfigurazione(), "Ab\xe8");
    EXPECT_TRUE(dm->IsModified());
    EXPECT_FALSE(dm->IsUfficiale());
    deliverPosted();
    const MessageRecorder::Message changed{WM_DATACHANGED, 0, 2};
    EXPECT_EQ(form1.received, std::vector<MessageRecorder::Message>{changed});
    EXPECT_EQ(form2.received, std::vector<MessageRecorder::Message>{changed});

    // 40 characters: the first 28 and no terminating zero.
    link.clear();
    const std::string longName(40, 'x');
    EXPECT_TRUE(dm->SetNomeConfigurazione(longName));
    EXPECT_EQ(link.calls.size(), 28u);
    EXPECT_EQ(dm->GetNomeConfigurazione(), longName.substr(0, 28));
}

TEST_F(SetterTest, NameRefusedHalfWayIsPutBack) {
    // The image holds "Standard"; the unit refuses the fourth character.
    link.acceptWrite = [](const LinkCall& c) { return !(c.id == 0x35 && c.args[0] == 5); };
    EXPECT_FALSE(dm->SetNomeConfigurazione("Hello"));
    // The three characters written go back, last first.
    EXPECT_EQ(link.log(),
              (std::vector<std::string>{"WriteParamItem 0x35 2 72", "WriteParamItem 0x35 3 101",
                                        "WriteParamItem 0x35 4 108", "WriteParamItem 0x35 5 108",
                                        "WriteParamItem 0x35 4 97", "WriteParamItem 0x35 3 116",
                                        "WriteParamItem 0x35 2 83"}));
    EXPECT_EQ(dm->GetNomeConfigurazione(), "Standard");
    EXPECT_FALSE(dm->IsModified());
    deliverPosted();
    EXPECT_TRUE(form1.received.empty());
}

TEST_F(SetterTest, NameWhoseWayBackIsRefusedMirrorsWhatTheUnitHolds) {
    // From the fourth character on the unit takes nothing: "Hel" stays.
    int writes = 0;
    link.acceptWrite = [&](const LinkCall&) { return ++writes <= 3; };
    EXPECT_FALSE(dm->SetNomeConfigurazione("Hello"));
    EXPECT_EQ(writes, 5); // the refused character and the first way back
    EXPECT_EQ(dm->GetNomeConfigurazione(), "Helndard");
    EXPECT_TRUE(dm->IsModified());
    deliverPosted();
    EXPECT_EQ(form1.received.size(), 1u);

    // Refused before anything changed: no message, not modified.
    dm->SetModified(false);
    form1.received.clear();
    link.acceptWrite = [](const LinkCall&) { return false; };
    EXPECT_FALSE(dm->SetNomeConfigurazione("Other"));
    EXPECT_EQ(dm->GetNomeConfigurazione(), "Helndard");
    EXPECT_FALSE(dm->IsModified());
    deliverPosted();
    EXPECT_TRUE(form1.received.empty());
}

TEST_F(SetterTest, SerialNumberZeroFillsAndIsPutBackWhenCutShort) {
    EXPECT_TRUE(dm->SetSerialNumber("AB"));
    ASSERT_EQ(link.calls.size(), 20u);
    EXPECT_EQ(link.calls[0].text(), "WriteParamItem 0x0 0 65");
    EXPECT_EQ(link.calls[19].text(), "WriteParamItem 0x0 19 0");
    EXPECT_EQ(dm->GetSerialNumber(), "AB");

    EXPECT_TRUE(dm->SetSerialNumber("SerialNumberNotInEcu"));
    dm->SetModified(false);
    deliverPosted();
    form1.received.clear();
    link.clear();
    // The unit refuses the zero of element 10: the ten characters go back.
    link.acceptWrite = [](const LinkCall& c) { return !(c.args[0] == 10 && c.args[1] == 0); };
    EXPECT_FALSE(dm->SetSerialNumber("0123456789"));
    EXPECT_EQ(link.calls.size(), 21u);
    EXPECT_EQ(link.calls.back().text(), "WriteParamItem 0x0 0 83");
    EXPECT_EQ(dm->GetSerialNumber(), "SerialNumberNotInEcu");
    EXPECT_FALSE(dm->IsModified());
    deliverPosted();
    EXPECT_TRUE(form1.received.empty());
}

TEST_F(SetterTest, OfficialMarkAndDescription) {
    link.acceptWrite = [](const LinkCall&) { return false; };
    EXPECT_FALSE(dm->SetUfficiale(true));
    EXPECT_FALSE(dm->IsUfficiale());
    link.acceptWrite = [](const LinkCall&) { return true; };
    makeOfficial();
    EXPECT_FALSE(dm->IsModified());
    EXPECT_EQ(dm->Image().Identificazione[0], 0x80);

    dm->SetDescrizione(2, "Euro 4 plus extra text");
    EXPECT_EQ(dm->GetDescrizione(2), "Euro 4 plu");
    dm->SetDescrizione(1, std::string(60, 'd'));
    EXPECT_EQ(dm->GetDescrizione(1).size(), 50u);
    EXPECT_TRUE(dm->IsModified());
    EXPECT_FALSE(dm->IsUfficiale());
    EXPECT_EQ(link.log(), std::vector<std::string>{"WriteParamItem 0x35 0 0"});
    dm->SetDescrizione(6, "nothing");
    EXPECT_EQ(dm->GetDescrizione(6), "");
}

TEST_F(SetterTest, OptionFlags) {
    EXPECT_TRUE(dm->SetFlag(1, true));
    EXPECT_TRUE(dm->SetFlag(15, true));
    EXPECT_TRUE(dm->SetFlag(11, true));
    EXPECT_TRUE(dm->SetFlag(0, true)); // unknown: both words again, unchanged
    EXPECT_EQ(link.log(), (std::vector<std::string>{
                              "WriteParamArray 0x2303 2 0", "WriteParamArray 0x2303 2 16",
                              "WriteParamArray 0x2303 2 24", "WriteParamArray 0x2303 2 24"}));
    EXPECT_TRUE(dm->GetFlag(1));
    EXPECT_TRUE(dm->GetFlag(11));
    EXPECT_FALSE(dm->GetFlag(2));
    EXPECT_FALSE(dm->GetFlag(16));
    EXPECT_EQ(dm->GetNumeroSonde(), 2);
    EXPECT_TRUE(dm->HasSecondBank());
    EXPECT_TRUE(dm->SetNumeroSonde(3));
    EXPECT_EQ(dm->GetNumeroSonde(), 1);
    EXPECT_FALSE(dm->HasSecondBank());
    EXPECT_TRUE(dm->SetNumeroSonde(2));
    EXPECT_EQ(dm->Image().Flag[0], 2);
}

// The fuel option tells every window before the words are written, with the
// fuel as it was.
TEST_F(SetterTest, FuelChangeIsPostedToEveryForm) {
    link.acceptWrite = [](const LinkCall&) { return false; };
    EXPECT_FALSE(dm->SetFlag(1, true));
    link.acceptWrite = [](const LinkCall&) { return true; };
    EXPECT_TRUE(dm->SetFlag(1, true));
    EXPECT_TRUE(dm->SetFlag(1, false));
    EXPECT_TRUE(dm->SetFlag(3, true));
    deliverPosted();
    const std::vector<MessageRecorder::Message> expected = {
        {WM_DATACHANGED, 0, 5}, {WM_DATACHANGED, 0, 5}, {WM_DATACHANGED, 1, 5}};
    EXPECT_EQ(form1.received, expected);
    EXPECT_EQ(form2.received, expected);
    EXPECT_TRUE(waitWindow.received.empty());
}

// A new gas sensor keeps the change-over temperature and the points in
// degrees; the raw bytes follow the sensor.
TEST_F(SetterTest, GasSensorChangeReExpressesTemperatures) {
    ASSERT_EQ(dm->SetValue(0x0f, 40.0), 1); // 88 on the 4k7 sensor
    for (int i = 1; i <= 8; ++i)
        ASSERT_TRUE(dm->SetRif(i, 20 + 5 * i));
    ASSERT_TRUE(dm->SetRif(9, 0));
    link.clear();
    EXPECT_TRUE(dm->SetTipoSensoreTemperaturaGas(1));
    EXPECT_EQ(dm->Image().TemperaturaCambio, 93); // 40 C on the 1k sensor
    EXPECT_NEAR(double(dm->GetValue(0x0f)), 40.0, 0.5);
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(dm->GetRif(i), 20 + 5 * i) << "point " << i;
    EXPECT_EQ(dm->Image().Rif[0], 0);
    EXPECT_EQ(dm->Image().Rif[9], 255);
    EXPECT_EQ(link.calls.size(), 12u); // type, TemperaturaCambio, ten points

    // The same sensor again, or option 9, leaves the curve and the temperatures.
    link.clear();
    EXPECT_TRUE(dm->SetTipoSensoreTemperaturaGas(1));
    EXPECT_TRUE(dm->SetFlag(9, true));
    EXPECT_EQ(link.log(),
              (std::vector<std::string>{"WriteParam 0x86 1", "WriteParamArray 0x2303 0 2"}));
}

TEST_F(SetterTest, EngineCurveOptionReExpressesTemperatures) {
    const int32_t params[5] = {18, 92, 5, -20, 30};
    const int32_t points[30] = {231, 224, 216, 206, 195, 183, 170, 156, 142, 128,
                                114, 101, 89,  78,  68,  59,  51,  44,  38,  33,
                                29,  25,  22,  19,  16,  14,  12,  11,  10,  8};
    editImage([&](TEcuImage& m) {
        std::copy(std::begin(params), std::end(params), m.ParametriTempMotore);
        std::copy(std::begin(points), std::end(points), m.EcuTempMotore);
    });
    ASSERT_EQ(dm->SetValue(0x75, 40.0), 1);
    ASSERT_EQ(dm->SetValue(0x90, 25.0), 1);
    ASSERT_TRUE(dm->SetRifMot(3, 60));
    EXPECT_EQ(dm->Image().TemperaturaMotoreCambio, 88);
    link.clear();
    EXPECT_TRUE(dm->SetFlag(10, true));
    EXPECT_EQ(dm->Image().TemperaturaMotoreCambio, 89); // point 12 of the unit curve
    EXPECT_NEAR(double(dm->GetValue(0x75)), 40.0, 0.5);
    EXPECT_EQ(dm->Image().TemperaturaAutotaratura, 128);
    EXPECT_EQ(dm->GetRifMot(3), 60);
    EXPECT_EQ(link.calls.size(), 13u); // flags, two temperatures, ten points
    link.clear();
    EXPECT_TRUE(dm->SetFlag(10, true));
    EXPECT_EQ(link.calls.size(), 1u);
    // The unit's curve is unusable: option 10 falls back to the default curve.
    editImage([](TEcuImage& m) { m.ParametriTempMotore[4] = 40; });
    EXPECT_TRUE(dm->EngineCurve().SameAs(TTempCurve::DefaultEngine()));
}

TEST_F(SetterTest, DiagnosisStatesAreReReadWhenAsked) {
    link.reads[0x5139] = {1, 2, 3, 4, 5};
    EXPECT_EQ(dm->GetDiagnosi(2, 1), 3);
    EXPECT_EQ(link.log(), std::vector<std::string>{"ReadParam 0x5139"});
    link.reads.clear(); // a failed read leaves the image
    EXPECT_EQ(dm->GetDiagnosi(4, 1), 5);
    EXPECT_EQ(dm->GetDiagnosi(4, 2), 0);
    EXPECT_EQ(dm->GetDiagnosi(4, 3), 0);
    EXPECT_EQ(dm->GetDiagnosi(5, 1), 0);
}

TEST_F(SetterTest, DegreeGettersRoundHalfAwayFromZero) {
    // An engine curve of 2 raw per degree: odd raw bytes fall on half degrees.
    editImage([](TEcuImage& m) {
        const int32_t params[5] = {0, 0, 1, -10, 30};
        std::copy(std::begin(params), std::end(params), m.ParametriTempMotore);
        for (int i = 0; i < 30; ++i)
            m.EcuTempMotore[i] = 100 - 2 * i;
        m.Flag[1] = 0x4; // option 10: the unit's own curve
    });
    struct Case {
        int32_t raw;
        int32_t degrees;
    };
    const Case cases[] = {{99, -10}, {101, -11}, {100, -10}, {79, 1}, {59, 11}, {61, 10}};
    for (const Case& k : cases) {
        editImage([&](TEcuImage& m) { m.RifMot[3] = k.raw; });
        EXPECT_EQ(dm->GetRifMot(3), k.degrees) << "raw " << k.raw;
    }
    // On the gas curve the whole-degree points read back exactly, below 0 too.
    for (int degrees : {-55, -25, 0, 25, 70}) {
        ASSERT_TRUE(dm->SetRif(3, degrees));
        EXPECT_EQ(dm->GetRif(3), degrees);
    }
    editImage([](TEcuImage& m) {
        m.Rif[0] = 17;
        m.Rif[9] = 200;
    });
    EXPECT_EQ(dm->GetRif(0), 17);
    EXPECT_EQ(dm->GetRif(9), 200);
    EXPECT_EQ(dm->GetRif(10), 0);
}

} // namespace
