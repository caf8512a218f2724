#include "platform/namedmutex.h"

#include <QProcess>
#include <QUuid>
#include <gtest/gtest.h>

namespace {

// A name no other run of the tests uses.
std::string freshName() {
    return "Vexano test " + QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
}

// The helper program holding the mutex in a process of its own.
class Holder {
public:
    explicit Holder(const std::string& name) {
        process_.start(VEXANO_MUTEX_HOLDER, {QString::fromStdString(name)});
    }
    ~Holder() {
        if (process_.state() != QProcess::NotRunning) {
            process_.closeWriteChannel();
            process_.waitForFinished(5000);
        }
    }
    // "new" or "exists", as the helper saw the name.
    std::string answer() {
        if (!process_.waitForReadyRead(5000))
            return "no answer";
        return process_.readLine().trimmed().toStdString();
    }
    void kill() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    void release() {
        process_.closeWriteChannel();
        process_.waitForFinished(5000);
    }

private:
    QProcess process_;
};

TEST(NamedMutex, SecondHolderInAnotherProcessSeesItExists) {
    const std::string name = freshName();
    platform::NamedMutex mine(name);
    EXPECT_FALSE(mine.alreadyExists());
    Holder other(name);
    EXPECT_EQ(other.answer(), "exists");
}

TEST(NamedMutex, NameHeldByAnotherProcessExistsHereAndIsFreeAfterIt) {
    const std::string name = freshName();
    Holder other(name);
    ASSERT_EQ(other.answer(), "new");
    EXPECT_TRUE(platform::NamedMutex(name).alreadyExists());
    EXPECT_FALSE(platform::NamedMutex(freshName()).alreadyExists()) << "another name is free";
    other.release();
    EXPECT_FALSE(platform::NamedMutex(name).alreadyExists());
}

TEST(NamedMutex, LockOfAKilledHolderIsTakenOver) {
    const std::string name = freshName();
    Holder crashed(name);
    ASSERT_EQ(crashed.answer(), "new");
    crashed.kill();
    platform::NamedMutex mine(name);
    EXPECT_FALSE(mine.alreadyExists());
    Holder next(name);
    EXPECT_EQ(next.answer(), "exists") << "the taken-over lock guards again";
}

TEST(NamedMutex, SafeNamesDifferPerTitleAndAreFileNames) {
    const std::string a = platform::NamedMutex::safeName("Pellam - Tavelo Injection System");
    EXPECT_EQ(a.find('/'), std::string::npos);
    EXPECT_EQ(a.find(' '), std::string::npos);
    EXPECT_NE(a, platform::NamedMutex::safeName("Other Title"));
}

} // namespace
