#pragma once
// A data module on the simulated unit (connected, zero latency, the virtual
// clock), the default-configuration library bound by name, a private
// temporary folder (also the user's temporary folder) and a wait window that
// records the progress it receives.
#include "core/iodata.h"
#include "core/messages.h"
#include "platform/clock.h"
#include "tests/support/simunit.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class ProgressRecorder : public QObject {
public:
    std::vector<intptr_t> percents;

protected:
    bool event(QEvent* e) override;
};

// Each call of the log begins with its expected prefix, and there are as many.
void ExpectCallsBeginWith(const std::vector<std::string>& calls,
                          const std::vector<std::string>& prefixes);

class TransferTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    TransferTest();
    ~TransferTest() override;
    void SetUp() override;

    // A new data module on the same unit, as a second start of the program.
    std::unique_ptr<TStreamDati> NewImage();
    std::string Path(const std::string& name) const;
    static QByteArray Read(const std::string& path);
    static void Write(const std::string& path, const QByteArray& bytes);
    // A configuration file as the program stores it: headed and scrambled.
    void WriteConfig(const std::string& path, const std::string& plain) const;
    // The plain text of a stored configuration file.
    std::string PlainText(const std::string& path) const;
    // The work copies the engine left in the temporary folder.
    QStringList WorkCopies() const;
    // The unit's calls since the last clearCallLog that begin with one of
    // the prefixes (all calls when none is given).
    std::vector<std::string> Calls(const std::vector<std::string>& prefixes = {}) const;

    platform::VirtualClock clock{1000};
    SimUnit sim;
    TScreen screen;
    ProgressRecorder progress;
    std::unique_ptr<TStreamDati> dm;

private:
    QTemporaryDir dir_;
    QByteArray oldTemp_;
};
