#include "platform/namedmutex.h"
#include "tests/support/userfolders.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
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

// Each test keeps its locks in folders of its own.
class NamedMutexTest : public ::testing::Test {
protected:
    OwnUserFolders own;
};

TEST_F(NamedMutexTest, SecondHolderInAnotherProcessSeesItExists) {
    const std::string name = freshName();
    platform::NamedMutex mine(name);
    EXPECT_FALSE(mine.alreadyExists());
    Holder other(name);
    EXPECT_EQ(other.answer(), "exists");
}

TEST_F(NamedMutexTest, NameHeldByAnotherProcessExistsHereAndIsFreeAfterIt) {
    const std::string name = freshName();
    Holder other(name);
    ASSERT_EQ(other.answer(), "new");
    EXPECT_TRUE(platform::NamedMutex(name).alreadyExists());
    EXPECT_FALSE(platform::NamedMutex(freshName()).alreadyExists()) << "another name is free";
    other.release();
    EXPECT_FALSE(platform::NamedMutex(name).alreadyExists());
}

TEST_F(NamedMutexTest, LockOfAKilledHolderIsTakenOver) {
    const std::string name = freshName();
    Holder crashed(name);
    ASSERT_EQ(crashed.answer(), "new");
    crashed.kill();
    platform::NamedMutex mine(name);
    EXPECT_FALSE(mine.alreadyExists());
    Holder next(name);
    EXPECT_EQ(next.answer(), "exists") << "the taken-over lock guards again";
}

// Where the lock goes: the runtime folder only when it is this user's own with
// mode 0700, however long, else one under the home folder.
TEST(PrivateRuntimeFolder, IsTheRuntimeFolderOnlyWhenItIsPrivate) {
    enum class Runtime { Own, OpenToOthers, OfAnotherUser, Unset, Long };
    const std::pair<Runtime, bool> cases[] = {
        {Runtime::Own, true},    {Runtime::OpenToOthers, false}, {Runtime::OfAnotherUser, false},
        {Runtime::Unset, false}, {Runtime::Long, true},
    };
    for (auto [kind, usesRuntime] : cases) {
        OwnUserFolders own;
        QString runtime = own.runtime.path();
        if (kind == Runtime::OpenToOthers) {
            ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0755), 0);
        } else if (kind == Runtime::OfAnotherUser) {
            ASSERT_TRUE(MakeForeign(runtime));
        } else if (kind == Runtime::Long) {
            runtime += "/" + QString(100, 'd');
            ASSERT_TRUE(QDir().mkpath(runtime));
            ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0700), 0);
        }
        std::optional<ScopedEnv> env;
        if (kind == Runtime::Unset)
            qunsetenv("XDG_RUNTIME_DIR");
        else
            env.emplace("XDG_RUNTIME_DIR", runtime);
        const QString folder = QString::fromStdString(platform::PrivateRuntimeFolder());
        SCOPED_TRACE(static_cast<int>(kind));
        EXPECT_EQ(folder, usesRuntime ? runtime : own.privateFolder());
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0700u);
    }
}

// A home folder whose private folder another user made first gives no folder
// at all: the program then runs without the guard rather than trusting it.
TEST(PrivateRuntimeFolder, NoneWhenTheHomeOneIsNotThisUsersOwn) {
    OwnUserFolders own;
    qunsetenv("XDG_RUNTIME_DIR");
    ASSERT_TRUE(QDir().mkpath(own.privateFolder()));
    ASSERT_TRUE(MakeForeign(own.privateFolder()));
    EXPECT_EQ(platform::PrivateRuntimeFolder(), "");
    const std::string name = freshName();
    platform::NamedMutex mine(name);
    EXPECT_FALSE(mine.alreadyExists());
    EXPECT_FALSE(platform::NamedMutex(name).alreadyExists()) << "no lock, so nothing is held";
}

// Locks held where the program used to keep them, or in a runtime folder of
// another user, keep nobody out; the program's own lock still does.
TEST_F(NamedMutexTest, ALockOfAnotherUserDoesNotStopIt) {
    const std::string name = freshName();
    const QString file = QString::fromStdString(platform::NamedMutex::safeName(name)) + ".lock";
    QTemporaryDir foreign("/tmp/vexano-foreign-XXXXXX");
    QLockFile oldPlace(QDir::tempPath() + "/" + file);
    QLockFile foreignRuntime(foreign.path() + "/" + file);
    ASSERT_TRUE(oldPlace.tryLock(0));
    ASSERT_TRUE(foreignRuntime.tryLock(0));
    ASSERT_TRUE(MakeForeign(foreign.path()));
    ScopedEnv runtime("XDG_RUNTIME_DIR", foreign.path());

    platform::NamedMutex mine(name);
    EXPECT_FALSE(mine.alreadyExists());
    EXPECT_TRUE(QFileInfo::exists(own.privateFolder() + "/" + file));
    Holder second(name);
    EXPECT_EQ(second.answer(), "exists");
}

// Runtime folders too long for a socket beside the lock, under one home: each
// keeps its own copy, and a copy of the same session is still kept out.
TEST_F(NamedMutexTest, DeepRuntimeFoldersOfOneHomeDoNotShareTheLock) {
    const std::string name = freshName();
    QString deep[2];
    for (int i = 0; i < 2; ++i) {
        deep[i] = own.runtime.path() + "/" + QString(100, QChar('a' + i));
        ASSERT_TRUE(QDir().mkpath(deep[i]));
        ASSERT_EQ(::chmod(QFile::encodeName(deep[i]).constData(), 0700), 0);
    }
    std::optional<ScopedEnv> session;
    session.emplace("XDG_RUNTIME_DIR", deep[0]);
    Holder first(name);
    ASSERT_EQ(first.answer(), "new");
    session.emplace("XDG_RUNTIME_DIR", deep[1]);
    Holder second(name);
    EXPECT_EQ(second.answer(), "new") << "another session's copy is not a second copy";
    session.emplace("XDG_RUNTIME_DIR", deep[0]);
    EXPECT_TRUE(platform::NamedMutex(name).alreadyExists());
}

// A socket's path beside the lock where it fits, else in a short folder of
// this user, named after the lock's folder too; none where that folder is
// someone else's or too deep itself.
TEST(LocalSocketPath, BesideTheLockOrInAShortFolderOfThisUser) {
    const std::string name = freshName();
    OwnUserFolders own;
    const std::string base = own.home.path().toStdString();
    const std::string shortFolder = base + "/vexano-" + std::to_string(geteuid());
    const std::string shallow = own.runtime.path().toStdString();
    const std::string deep[] = {shallow + "/" + std::string(90, 'a'),
                                shallow + "/" + std::string(90, 'b')};

    EXPECT_EQ(platform::LocalSocketPath(shallow, name, base),
              shallow + "/" + platform::LocalSocketFileName(name));
    const std::string first = platform::LocalSocketPath(deep[0], name, base);
    EXPECT_EQ(first.rfind(shortFolder + "/", 0), 0u) << first;
    EXPECT_LE(first.size(), platform::kMaxLocalSocketPath);
    EXPECT_EQ(platform::LocalSocketPath(deep[0], name, base), first) << "the same each time";
    EXPECT_NE(platform::LocalSocketPath(deep[1], name, base), first);
    EXPECT_NE(platform::LocalSocketPath(deep[0], freshName(), base), first);
    struct stat st {};
    ASSERT_EQ(::lstat(shortFolder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0700u);

    EXPECT_EQ(platform::LocalSocketPath(deep[0], name, base + "/" + std::string(90, 'c')), "");
    ASSERT_TRUE(MakeForeign(QString::fromStdString(shortFolder)));
    EXPECT_EQ(platform::LocalSocketPath(deep[0], name, base), "");
}

TEST(NamedMutex, SafeNamesDifferPerTitleAndAreFileNames) {
    const std::string a = platform::NamedMutex::safeName("Pellam - Tavelo Injection System");
    EXPECT_EQ(a.find('/'), std::string::npos);
    EXPECT_EQ(a.find(' '), std::string::npos);
    EXPECT_NE(a, platform::NamedMutex::safeName("Other Title"));
}

} // namespace
