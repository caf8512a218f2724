// Values by parameter id: each conversion both ways, the code lists, the bit
// fields of the TPS word and the arrays written by element.
#include "imagefixture.h"

namespace {

class ValueTest : public ImageTest {};

struct ValueCase {
    uint32_t id;
    int32_t raw;  // the image element
    double value; // what GetValue gives for raw
    double set;   // a value SetValue turns into setRaw
    int32_t setRaw;
};

// Raw -> value and value -> raw at the default clock 2560.
const ValueCase kValues[] = {
    {0x05, 28, 28 * 5.0 / 255, 0.55, 28}, // volts
    {0x47, 255, 5.0, 4.9, 250},
    {0x06, 7, 7, 7.9, 7},         // plain
    {0x0f, 127, 25.0, 25.0, 127}, // gas curve
    {0x75, 88, 40.0, 40.0, 88},   // engine curve
    {0x90, 255, -55 - 5 * 3 / 1.0, -100.0, 255},
    {0x34, 2, 3, 3, 2},       // shown as value + 1
    {0x38, 15, 1.5, 1.5, 15}, // tenths
    {0x76, 7, 0.7, 0.79, 7},
    {0x6d, 25, 0.5, 0.3, 15},            // units of 0.02, rounded
    {0x24b, 1599, 1599, 1598.6, 1599},   // rounded
    {0x218, 4687, 11.99872, 12.0, 4687}, // clock time
    {0x280, 781, 1.99936, 2.0, 781},
    {0x28e, 117, 0.29952, 0.3, 117},
    {0x292, 430, 1.1008, 1.1, 430},
    {0x293, 11719, 30.00064, 30.0, 11719},
    {0x23b, 8, 102.4, 100.0, 8}, // slow clock
    {0x28d, 3, 3, 3.99, 3},
    {0x296, 2500, 2500, 2500.7, 2500},
};

TEST_F(ValueTest, ConversionsBothWays) {
    for (const ValueCase& c : kValues) {
        int32_t* element = dm->GetParamAddress(c.id);
        ASSERT_NE(element, nullptr) << std::hex << c.id;
        *element = c.raw;
        link.reads[c.id] = {c.raw}; // re-read ids answer with the same raw value
        EXPECT_NEAR(double(dm->GetValue(c.id)), c.value, 1e-9) << std::hex << c.id;
        link.clear();
        EXPECT_EQ(dm->SetValue(int32_t(c.id), c.set), 1) << std::hex << c.id;
        ASSERT_EQ(link.calls.size(), 1u) << std::hex << c.id;
        EXPECT_EQ(link.calls[0].op, "WriteParam");
        EXPECT_EQ(link.calls[0].id, c.id);
        EXPECT_EQ(link.calls[0].args[0], c.setRaw) << std::hex << c.id;
        EXPECT_EQ(*element, c.setRaw);
    }
}

TEST_F(ValueTest, ReReadIdsAskTheUnitFirst) {
    link.reads[0x43] = {77};
    EXPECT_EQ(dm->GetValue(0x43), 77);
    EXPECT_EQ(dm->Image().Param43, 77);
    link.reads.clear(); // a refused read keeps what the image had
    EXPECT_EQ(dm->GetValue(0x43), 77);
    EXPECT_EQ(dm->GetValue(0x06), 0);
    EXPECT_EQ(link.log(), (std::vector<std::string>{"ReadParam 0x43", "ReadParam 0x43"}));
}

TEST_F(ValueTest, ChangeOverRpmKeepsTheDecelerationBit) {
    editImage([](TEcuImage& m) { m.GiriPerCambio = 2401; });
    EXPECT_EQ(dm->GetValue(0x210), 2400);
    EXPECT_EQ(dm->SetValue(0x210, 3000), 1);
    EXPECT_EQ(link.log(), std::vector<std::string>{"WriteParam 0x210 3001"});
}

TEST_F(ValueTest, CodeListsKeepOrDropTheirOptionBit) {
    editImage([](TEcuImage& m) {
        m.NumeroCilindri = 0x44;
        m.TipoDiLambda = 0x42;
    });
    EXPECT_EQ(dm->GetValue(0x14), 3);
    EXPECT_EQ(dm->GetValue(0x04), 0);
    EXPECT_EQ(dm->SetValue(0x14, 3), 1); // code 4 with bit 6 kept
    EXPECT_EQ(dm->SetValue(0x04, 1), 1); // code 40, bit 6 dropped
    EXPECT_EQ(dm->SetValue(0x14, 6.9), 1);
    EXPECT_EQ(link.log(), (std::vector<std::string>{"WriteParam 0x14 68", "WriteParam 0x4 40",
                                                    "WriteParam 0x14 72"}));
    // Positions outside a list are refused, nothing is written.
    link.clear();
    for (double bad : {-1.0, 8.0, 1e12})
        EXPECT_EQ(dm->SetValue(0x14, bad), 0) << bad;
    for (double bad : {-0.5 - 1, 6.0})
        EXPECT_EQ(dm->SetValue(0x04, bad), 0) << bad;
    EXPECT_TRUE(link.calls.empty());
    editImage([](TEcuImage& m) { m.NumeroCilindri = 7; });
    EXPECT_EQ(dm->GetValue(0x14), -1);
}

TEST_F(ValueTest, BitFieldsOfTheTpsWord) {
    editImage([](TEcuImage& m) { m.TipoDiTps = 0xbf; }); // 1011 1111
    EXPECT_EQ(dm->GetValue(0x300001a), 7);
    EXPECT_EQ(dm->GetValue(0x230001a), 3);
    EXPECT_EQ(dm->GetValue(0x150001a), 1);
    EXPECT_EQ(dm->GetValue(0x170001a), 1);
    EXPECT_EQ(dm->GetParamAddress(0x170001a), dm->GetParamAddress(0x1a));
    EXPECT_TRUE(dm->TestTpsTypeBit0());

    // The whole new word goes to the link under the field's id; a value wider
    // than the field is masked to it, a negative one refused.
    EXPECT_EQ(dm->SetValue(0x230001a, 5), 1);
    EXPECT_EQ(dm->SetValue(0x150001a, 0), 1);
    EXPECT_EQ(dm->SetValue(0x300001a, 0x7fffffff), 1);
    EXPECT_EQ(dm->SetValue(0x170001a, -1), 0);
    EXPECT_EQ(link.log(),
              (std::vector<std::string>{"WriteParam 0x230001a 175", "WriteParam 0x150001a 143",
                                        "WriteParam 0x300001a 143"}));
    EXPECT_EQ(dm->Image().TipoDiTps, 0x8f);
}

TEST_F(ValueTest, UnknownAndNegativeIds) {
    EXPECT_EQ(dm->GetValue(0x999), 800000.0L);
    EXPECT_EQ(dm->GetParamAddress(0x0c), nullptr); // RifGiri is an array
    EXPECT_EQ(dm->SetValue(0x999, 1), 0);
    EXPECT_TRUE(dm->IsModified()); // set on every call
    dm->SetModified(false);
    EXPECT_EQ(dm->SetValue(-1, 1), -1);
    EXPECT_TRUE(dm->IsModified());
    EXPECT_TRUE(link.calls.empty());
}

TEST_F(ValueTest, RefusedOrUnchangedValues) {
    makeOfficial();
    link.acceptWrite = [](const LinkCall&) { return false; };
    EXPECT_EQ(dm->SetValue(0x06, 9), 0);
    EXPECT_EQ(dm->Image().RitardoLetturaSonda, 0);
    EXPECT_TRUE(dm->IsModified());
    link.acceptWrite = [](const LinkCall&) { return true; };
    // The value the image already holds: done, and the configuration stays official.
    EXPECT_EQ(dm->SetValue(0x06, 0), 1);
    EXPECT_TRUE(dm->IsUfficiale());
    EXPECT_EQ(dm->SetValue(0x06, 9), 1);
    EXPECT_FALSE(dm->IsUfficiale());
}

TEST_F(ValueTest, ArraysByElement) {
    EXPECT_EQ(dm->SetTableValue(25, 9, 200.7), 1);
    EXPECT_EQ(dm->SetTableValue(151, 2, 3), 1);
    // Times round like every other time setter: 3 ms is 1171.9.. raw.
    EXPECT_EQ(dm->SetTableValue(586, 1, 3.0), 1);
    EXPECT_EQ(link.log(),
              (std::vector<std::string>{"WriteParamItem 0x19 9 200", "WriteParamItem 0x97 2 3",
                                        "WriteParamItem 0x24a 1 1172"}));
    EXPECT_EQ(dm->GetTableValue(25, 9), 200);
    EXPECT_EQ(dm->GetTableValue(151, 2), 3);
    EXPECT_NEAR(double(dm->GetTableValue(586, 1)), 3.00032, 1e-9);
    // Round trip: the raw time value stays.
    EXPECT_EQ(dm->SetTableValue(586, 1, double(dm->GetTableValue(586, 1))), 1);
    EXPECT_EQ(dm->Image().TempoMaxCorrente[1], 1172);

    link.clear();
    EXPECT_EQ(dm->SetTableValue(25, 10, 1), 0);
    EXPECT_EQ(dm->SetTableValue(586, -1, 1), 0);
    EXPECT_EQ(dm->SetTableValue(26, 0, 1), 0);
    EXPECT_EQ(dm->SetTableValue(-5, 0, 1), -1);
    EXPECT_TRUE(link.calls.empty());
    EXPECT_EQ(dm->GetTableValue(26, 0), 800000.0L);
    EXPECT_EQ(dm->GetTableValue(151, 3), 0);
}

TEST_F(ValueTest, EveryKnownIdHasAnElement) {
    const uint32_t ids[] = {4,     5,         6,         7,         8,        9,     10,    11,
                            15,    17,        20,        23,        26,       52,    56,    62,
                            67,    68,        71,        72,        109,      117,   118,   119,
                            122,   135,       136,       137,       144,      0x210, 0x212, 0x218,
                            0x23b, 0x23c,     0x24b,     0x280,     0x28d,    0x28e, 0x292, 0x293,
                            0x296, 0x300001a, 0x230001a, 0x150001a, 0x170001a};
    for (uint32_t id : ids) {
        EXPECT_NE(dm->GetParamAddress(id), nullptr) << std::hex << id;
        EXPECT_NE(dm->GetValue(id), 800000.0L) << std::hex << id;
    }
}

} // namespace
