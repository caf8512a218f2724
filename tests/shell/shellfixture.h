#pragma once
// The program's windows on the offscreen platform: one application object,
// settings in a scratch folder, the virtual clock, the language library and a
// data module on the simulated unit.
#include "core/iodata.h"
#include "platform/clock.h"
#include "tests/support/scriptedmodals.h"
#include "tests/support/simunit.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

QApplication& ShellApp();

class ShellTest : public ::testing::Test {
protected:
    ShellTest();
    ~ShellTest() override;
    // Runs the event loop until nothing is pending (posted messages, single
    // shots of zero delay).
    static void ProcessEvents();

    QTemporaryDir settings;
    platform::VirtualClock clock;
    SimUnit sim;
    std::unique_ptr<TStreamDati> data;
};
