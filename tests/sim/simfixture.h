#pragma once
// A fresh simulated unit on a virtual clock, with one link object straight
// from the library.
#include "platform/clock.h"
#include "tests/support/simunit.h"

#include <QFile>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setClock(&clock);
        sim.reset();
        sim.setBaud(0); // line time only where a test asks for it
        link = sim.createLink();
        ASSERT_NE(link, nullptr);
    }
    void TearDown() override {
        sim.destroyLink(link);
        platform::setClock(nullptr);
    }

    // A link object on the unit as its memory file now holds it.
    void reopenLink() {
        sim.destroyLink(link);
        link = sim.createLink();
    }
    int32_t read1(uint32_t id) {
        int32_t v = -99999;
        EXPECT_TRUE(link->ReadParam(id, &v)) << std::hex << id;
        return v;
    }
    struct Answer {
        bool ok;
        std::vector<uint8_t> bytes;
    };
    // A command as the program sends it: `length` data bytes (the first one
    // given), an answer of at most `capacity` bytes.
    Answer command(int cmd, int length, int capacity, uint8_t first = 0) {
        std::vector<uint8_t> b(size_t(std::max({length, capacity, 1})), 0);
        b[0] = first;
        const bool ok = link->SendCommand(cmd, b.data(), length, capacity);
        return {ok, b};
    }
    // A new link object on a memory file that holds `content`.
    void reopenLinkWithFile(const QByteArray& content) {
        sim.destroyLink(link);
        QFile f(QString::fromStdString(sim.memoryPath()));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        link = sim.createLink();
    }
    QByteArray memoryFile() const {
        QFile f(QString::fromStdString(sim.memoryPath()));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    platform::VirtualClock clock{5000};
    SimUnit sim;
    TSerialEcuLink* link = nullptr;
};
