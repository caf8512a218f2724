#pragma once
// The guided search of an external MAP sensor's two calibration words: the
// sensor's voltage against the unit's own pressure reading with the key on
// and the engine stopped, then with the engine held at 2000 rpm.
#include "core/realtime.h"

#include <cstdint>
#include <functional>
#include <optional>

class TSerialEcuLink;

// One operating point: pressure in mbar, sensor voltage in volts.
struct TSensorPoint {
    long double Pressure = 0;
    long double Volts = 0;
};

// The unit's words of the law P = offset + slope x V.
struct TMapSensorWords {
    int32_t Offset = 0;
    int32_t Slope = 0;
};

// Through both points; nothing when the voltages are equal or a word is not
// a finite number within the unit's 16 bits. Fractions are cut toward zero.
std::optional<TMapSensorWords> MapSensorWords(const TSensorPoint& reference,
                                              const TSensorPoint& average);

class TPressureSearch {
public:
    struct Hooks {
        std::function<void(int rpm)> ShowSpeed;
        // The instruction of a step, by its language string.
        std::function<void(int text)> ShowStep;
        // Repaints the window; true when the user asked to stop.
        std::function<bool()> Update;
    };

    // Speeds that count as 2000 rpm.
    static constexpr int kLowRpm = 1900;
    static constexpr int kHighRpm = 2100;
    static constexpr int kSamples = 10;
    static constexpr uint32_t kPauseMs = 100;

    TPressureSearch(TSerialEcuLink& link, Hooks hooks);
    // Nothing when a read failed or was short, the user stopped the search
    // or the points give no words.
    std::optional<TMapSensorWords> Run();
    int Reads() const { return reads_; }

private:
    // A failed or short read, or a stop, is false.
    bool Step(TBlock2Values& values);
    bool Pause();
    static TSensorPoint PointOf(const TBlock2Values& v);

    TSerialEcuLink& link_;
    Hooks hooks_;
    uint8_t buffer_[kBlock2Size] = {};
    int reads_ = 0;
};
