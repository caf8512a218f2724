#include "clock.h"

#include <QElapsedTimer>
#include <QThread>
#include <cstdlib>
#include <cstring>

namespace platform {

void VirtualClock::sleep(uint32_t ms) {
    now_ += ms;
    slept_ += ms;
    ++sleeps_;
}

namespace {

class RealClock : public Clock {
public:
    RealClock() { timer_.start(); }
    uint32_t tickCount() override { return static_cast<uint32_t>(timer_.elapsed()); }
    void sleep(uint32_t ms) override { QThread::msleep(ms); }

private:
    QElapsedTimer timer_;
};

Clock& defaultClock() {
    static Clock* c = []() -> Clock* {
        const char* v = std::getenv("VEXANO_VIRTUAL_CLOCK");
        if (v && std::strcmp(v, "1") == 0)
            return new VirtualClock(0);
        return new RealClock;
    }();
    return *c;
}

Clock* installed = nullptr;

} // namespace

Clock& clock() {
    return installed ? *installed : defaultClock();
}

void setClock(Clock* c) {
    installed = c;
}

} // namespace platform
