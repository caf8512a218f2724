#pragma once
// Tick count and sleep of the program. Every wait of the program and of the
// libraries it loads asks this one clock, so tests can swap in a virtual clock
// and a 20-second wait runs in no real time.
#include <cstdint>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since some start, wrapping at 2^32 like the system tick count.
    virtual uint32_t tickCount() = 0;
    virtual void sleep(uint32_t ms) = 0;
};

// Clock whose sleeps only move its own time forward.
class VirtualClock : public Clock {
public:
    explicit VirtualClock(uint32_t start = 0) : now_(start) {}
    uint32_t tickCount() override { return static_cast<uint32_t>(now_); }
    void sleep(uint32_t ms) override;
    void advance(uint32_t ms) { now_ += ms; }
    uint64_t sleptTotal() const { return slept_; }
    uint64_t sleepCount() const { return sleeps_; }

private:
    uint64_t now_;
    uint64_t slept_ = 0;
    uint64_t sleeps_ = 0;
};

// The clock in use. Real time unless VEXANO_VIRTUAL_CLOCK=1 is set in the
// environment or a test installed its own.
Clock& clock();
// Installs a clock (not owned); nullptr returns to the default one.
void setClock(Clock* c);

inline uint32_t GetTickCount() {
    return clock().tickCount();
}
inline void Sleep(uint32_t ms) {
    clock().sleep(ms);
}

} // namespace platform
