#pragma once
// The unit's real-time blocks as the windows' timers read them: the one
// receive buffer of block 1 the whole program shares, the live read that
// waits for a lost link to come back, and the decode of block 1 into values.
//
//   const TLiveRead r = ReadLiveBlock1(*StreamDati->EcuLink());
//   if (r.status == TLiveReadStatus::Read && r.length >= kBlock1Bank1Bytes)
//       DecodeBlock1(RealTimeBuffer1(), r.length, *StreamDati, true, values);
#include <array>
#include <cstdint>

class TSerialEcuLink;
class TStreamDati;

constexpr int kBlock1Size = 34;
// Bytes a read must deliver for the first bank's values (bytes 0..16) and
// for all of the second bank's (up to byte 29).
constexpr int kBlock1Bank1Bytes = 17;
constexpr int kBlock1Bank2Bytes = 30;

// The program-wide receive buffer of block 1. Bytes a read does not deliver
// keep what an earlier read left there.
std::array<uint8_t, kBlock1Size>& RealTimeBuffer1();

enum class TLiveReadStatus {
    NotConnected, // the link reports no connection: nothing was read
    Read,         // the block arrived, at once or after the link came back
    Lost,         // the link did not come back, or its second read failed
};

struct TLiveRead {
    TLiveReadStatus status = TLiveReadStatus::NotConnected;
    int length = 0;           // bytes delivered by the read that counted
    bool reconnected = false; // the block came on the read after the link came back
};

// Time the live read waits for a lost link, and the pause between its polls.
constexpr uint32_t kLiveReconnectMs = 4000;
constexpr uint32_t kLiveReconnectPollMs = 500;

// Whether the link answers Reconnect, at once or polled every 500 ms for up
// to 4 s on the platform clock (the wait of a window's timer).
bool PollReconnect(TSerialEcuLink& link);

// One live read of a real-time block of at most `capacity` bytes. A failed
// read polls Reconnect every 500 ms for up to 4 s on the platform clock; when
// the link answers, the block is asked for again with the full capacity and
// only a read that succeeds counts: a block left over from before is never
// taken for a new one.
TLiveRead ReadLiveBlock(TSerialEcuLink& link, int block, uint8_t* buffer, int capacity);
// Block 1 into the program-wide buffer.
TLiveRead ReadLiveBlock1(TSerialEcuLink& link);

// Values of block 1.
struct TBlock1Values {
    int rpm = 0;            // bytes 0-1
    double lambda1 = 0;     // byte 2, volts
    int mapByte = 0;        // byte 3, raw
    double gasTime1 = 0;    // bytes 6-7, ms
    double petrolTime1 = 0; // bytes 8-9, ms
    int status = 0;         // byte 11
    double reducerTemp = 0; // byte 12, degrees C
    int reducerRaw = 0;     // byte 12 as the sensor gave it (0: none)
    int pressure = 0;       // bytes 14-15, mbar, signed
    double engineTemp = 0;  // byte 16, degrees C
    int engineRaw = 0;      // byte 16 as the sensor gave it (0: none)
    double lambda2 = 0;     // byte 21, volts
    double gasTime2 = 0;    // bytes 24-25, ms
    double petrolTime2 = 0; // bytes 28-29, ms
};

// Status bits of byte 11.
constexpr int kStatusOpenLoop = 0x02;
constexpr int kStatusCutOff = 0x04;
constexpr int kStatusOnGas = 0x10;
constexpr int kStatusLambda1Coloured = 0x20;
constexpr int kStatusLambda2Coloured = 0x40;

// Decodes what `length` bytes cover: each field only when all its bytes were
// delivered, the others keep their values. The second bank's fields are
// decoded only with secondBank. Times follow the image's clock, temperatures
// its sensor curves (a raw 0 is 0 degrees C).
void DecodeBlock1(const uint8_t* bytes, int length, const TStreamDati& data, bool secondBank,
                  TBlock1Values& values);

// Block 2, which only the pressure-sensor search reads: the speed, the
// status, the unit's own pressure reading and the external MAP sensor's.
constexpr int kBlock2Size = 30;
constexpr int kBlock2SearchBytes = 5;

struct TBlock2Values {
    int rpm = 0;       // bytes 0-1
    int status = 0;    // byte 2
    int pressure = 0;  // byte 3, raw, the unit's own sensor
    int mapSensor = 0; // byte 4, raw, the external MAP sensor
};
constexpr int kBlock2StatusRunning = 0x80;

// False, values untouched, when fewer than kBlock2SearchBytes were delivered.
bool DecodeBlock2(const uint8_t* bytes, int length, TBlock2Values& values);
// The unit's own pressure scale in mbar: raw 0 is 100 mbar, raw 255 2600.
double UnitPressureMbar(int raw);
// A raw sensor byte in volts, 5 V full scale.
double SensorVolts(int raw);

// The MAP value in bar from the raw MAP byte: the internal sensor (option
// bit 12) has a fixed law, an external one the calibration offset and slope
// of the image.
double MapBar(const TStreamDati& data, int mapByte);

// The last ten pressure samples, in units of 10 mbar, and their mean.
class TPressureRing {
public:
    // Adds the sample of a pressure in mbar (cut toward zero to 10 mbar).
    void Add(int millibar);
    // Mean of the ten slots in units of 10 mbar, slots not yet filled as 0.
    int Average() const;

private:
    std::array<int, 10> slots_{};
    int next_ = 0;
};

// Marks a timer tick as running, so a tick fired from inside it (from a
// message box it shows or a wait it runs) is let go at once.
class TTickLatch {
public:
    bool Running() const { return running_; }

    class Scope {
    public:
        explicit Scope(TTickLatch& latch) : latch_(latch), entered_(!latch.running_) {
            latch_.running_ = true;
        }
        ~Scope() {
            if (entered_)
                latch_.running_ = false;
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        // False when another tick already runs: this one must not go on.
        bool Entered() const { return entered_; }

    private:
        TTickLatch& latch_;
        bool entered_;
    };

private:
    bool running_ = false;
};
