// Values typed at their field's step (tenths, hundredths, the 0.3 of the byte
// form) are stored as typed, while the worked numbers of the time, reference
// and default conversions keep their truncation.
#include "imagefixture.h"

#include "core/transfer.h"

namespace {

class TypedValueTest : public ImageTest {
protected:
    void setByteForm(bool on) {
        editImage([on](TEcuImage& m) { m.CoeffPressDiffByte = on ? 1 : 0; });
    }
};

enum class Form { Word, Byte };

struct TypedCase {
    const char* name;
    Form form; // of the pressure coefficients
    std::function<bool(TStreamDati&)> set;
    std::function<int32_t(const TEcuImage&)> get;
    int32_t raw;
};

bool setValue(TStreamDati& d, uint32_t id, double v) {
    return d.SetValue(int32_t(id), v) == 1;
}

bool loadDefaults(TStreamDati& d) {
    return d.Transfer(kTransferFileToImage, "", 0, kGroupAll, false);
}

const TypedCase kTypedCases[] = {
    // Typed at the step: 0.3 x 10 is 2.999... in extended precision.
    {"CorrenteMantenimento 0.3", Form::Word, [](TStreamDati& d) { return setValue(d, 0x38, 0.3); },
     [](const TEcuImage& m) { return m.CorrenteMantenimento; }, 3},
    {"CorrenteMantenimento 25.5", Form::Word,
     [](TStreamDati& d) { return setValue(d, 0x38, 25.5); },
     [](const TEcuImage& m) { return m.CorrenteMantenimento; }, 255},
    {"FreqHoldingCurrent 0.7", Form::Word, [](TStreamDati& d) { return setValue(d, 0x76, 0.7); },
     [](const TEcuImage& m) { return m.FreqHoldingCurrent; }, 7},
    {"FreqHoldingCurrent between steps", Form::Word,
     [](TStreamDati& d) { return setValue(d, 0x76, 0.79); },
     [](const TEcuImage& m) { return m.FreqHoldingCurrent; }, 7},
    {"CoeffPressDiff word 0.29", Form::Word,
     [](TStreamDati& d) { return d.SetCoeffPressDiff(0, 0.29); },
     [](const TEcuImage& m) { return m.CoeffPressDiff[0]; }, 29},
    {"CoeffPressDiff word -0.29", Form::Word,
     [](TStreamDati& d) { return d.SetCoeffPressDiff(1, -0.29); },
     [](const TEcuImage& m) { return m.CoeffPressDiff[1]; }, -29},
    {"CoeffPressDiff word 99.9", Form::Word,
     [](TStreamDati& d) { return d.SetCoeffPressDiff(2, 99.9); },
     [](const TEcuImage& m) { return m.CoeffPressDiff[2]; }, 9990},
    {"CoeffPressDiff byte 3.0", Form::Byte,
     [](TStreamDati& d) { return d.SetCoeffPressDiff(3, 3.0); },
     [](const TEcuImage& m) { return m.CoeffPressDiff[3]; }, 10},
    {"CoeffPressDiff byte -0.6", Form::Byte,
     [](TStreamDati& d) { return d.SetCoeffPressDiff(4, -0.6); },
     [](const TEcuImage& m) { return m.CoeffPressDiff[4]; }, -2},
    // Worked numbers that stay as they are.
    {"RifTempiK 12 ms", Form::Word, [](TStreamDati& d) { return d.SetRifTempiK(8, 12.0); },
     [](const TEcuImage& m) { return m.RifTempiK[8]; }, 4687},
    {"TInjBenzMaxCambio 12 ms", Form::Word, [](TStreamDati& d) { return setValue(d, 0x292, 12.0); },
     [](const TEcuImage& m) { return m.TInjBenzMaxCambio; }, 4687},
    {"RifPressDiff 0.59", Form::Word, [](TStreamDati& d) { return d.SetRifPressDiff(2, 0.59); },
     [](const TEcuImage& m) { return m.RifPressDiff[2]; }, 589},
    {"CoeffPressDiff byte 50.0 clamped", Form::Byte,
     [](TStreamDati& d) { return d.SetCoeffPressDiff(5, 50.0); },
     [](const TEcuImage& m) { return m.CoeffPressDiff[5]; }, 127},
    {"CoeffPressDiff word 50.0", Form::Word,
     [](TStreamDati& d) { return d.SetCoeffPressDiff(5, 50.0); },
     [](const TEcuImage& m) { return m.CoeffPressDiff[5]; }, 5000},
    // The defaults of a reset: references 0.59 x 1000 and the byte-form
    // coefficients 34.32 x 10 x (1/3), taken into the word form.
    {"defaults RifPressDiff2", Form::Word, loadDefaults,
     [](const TEcuImage& m) { return m.RifPressDiff[2]; }, 589},
    {"defaults CoeffPressDiff0", Form::Word, loadDefaults,
     [](const TEcuImage& m) { return m.CoeffPressDiff[0]; }, 114 * 30},
    {"defaults TInjBenzMaxCambio", Form::Word, loadDefaults,
     [](const TEcuImage& m) { return m.TInjBenzMaxCambio; }, 4687},
};

TEST_F(TypedValueTest, TypedAndWorkedValues) {
    for (const TypedCase& c : kTypedCases) {
        setByteForm(c.form == Form::Byte);
        EXPECT_TRUE(c.set(*dm)) << c.name;
        EXPECT_EQ(c.get(dm->Image()), c.raw) << c.name;
    }
    // The byte-form default table, each value through the setter.
    const double table[15] = {34.32, 29.89, 26.49, 23.21, 20.0,  16.94, 13.93, 11.01,
                              8.16,  5.38,  2.66,  0.0,   -3.25, -6.41, -9.51};
    const int32_t raw[15] = {114, 99, 88, 77, 66, 56, 46, 36, 27, 17, 8, 0, -10, -21, -31};
    setByteForm(true);
    for (int i = 0; i < 15; ++i) {
        ASSERT_TRUE(dm->SetCoeffPressDiff(i, table[i]));
        EXPECT_EQ(dm->Image().CoeffPressDiff[i], raw[i]) << table[i];
    }
}

// Every value a user can type at the step of these fields, as the field
// parses it (the double nearest to the decimal text).
TEST_F(TypedValueTest, EveryValueAtTheStepKeepsItsStep) {
    struct Sweep {
        const char* name;
        Form form;
        int32_t lo, hi; // raw values reachable at the step
        double step;
        std::function<bool(TStreamDati&, double)> set;
        std::function<int32_t(const TEcuImage&)> get;
    };
    const Sweep sweeps[] = {
        {"id 56", Form::Word, 0, 255, 10,
         [](TStreamDati& d, double v) { return setValue(d, 0x38, v); },
         [](const TEcuImage& m) { return m.CorrenteMantenimento; }},
        {"id 118", Form::Word, 0, 255, 10,
         [](TStreamDati& d, double v) { return setValue(d, 0x76, v); },
         [](const TEcuImage& m) { return m.FreqHoldingCurrent; }},
        {"word form", Form::Word, -9990, 9990, 100,
         [](TStreamDati& d, double v) { return d.SetCoeffPressDiff(0, v); },
         [](const TEcuImage& m) { return m.CoeffPressDiff[0]; }},
        // Steps of 0.3: the value typed is k x 3 / 10.
        {"byte form", Form::Byte, -128, 127, 0,
         [](TStreamDati& d, double v) { return d.SetCoeffPressDiff(0, v); },
         [](const TEcuImage& m) { return m.CoeffPressDiff[0]; }},
    };
    for (const Sweep& s : sweeps) {
        setByteForm(s.form == Form::Byte);
        int lost = 0;
        for (int32_t k = s.lo; k <= s.hi; ++k) {
            const double typed = s.step ? k / s.step : k * 3 / 10.0;
            ASSERT_TRUE(s.set(*dm, typed)) << s.name << " " << typed;
            lost += s.get(dm->Image()) != k;
            link.clear();
        }
        EXPECT_EQ(lost, 0) << s.name << ": " << lost << " of " << (s.hi - s.lo + 1)
                           << " typed values lost a step";
    }
}

} // namespace
