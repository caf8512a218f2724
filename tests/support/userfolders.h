#pragma once
// Folders for the single-instance tests: an environment variable set for one
// test, and a folder as another local user would leave it. The tests run as
// root, so "another user" is a folder owned by nobody; without root the
// nearest is a folder of this user that others may write into.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

class ScopedEnv {
public:
    ScopedEnv(const char* name, const QString& value) : name_(name) {
        if (qEnvironmentVariableIsSet(name))
            old_ = qgetenv(name);
        qputenv(name, value.toLocal8Bit());
    }
    ~ScopedEnv() {
        if (old_)
            qputenv(name_, *old_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<QByteArray> old_;
};

constexpr uid_t kNobody = 65534;

inline bool RunsAsRoot() {
    return geteuid() == 0;
}

// Hands path to nobody (as root) or opens it to everybody; true when done.
inline bool MakeForeign(const QString& path) {
    const QByteArray p = QFile::encodeName(path);
    if (RunsAsRoot())
        return ::chown(p.constData(), kNobody, kNobody) == 0 && ::chmod(p.constData(), 0700) == 0;
    return ::chmod(p.constData(), 0777) == 0;
}

// A fresh home folder and runtime folder of this user for one test, so the
// tests leave nothing in the real ones; short, as real ones are, wherever the
// tests' temporary folder lies.
struct OwnUserFolders {
    QTemporaryDir home{"/tmp/vexano-home-XXXXXX"};
    QTemporaryDir runtime{"/tmp/vexano-run-XXXXXX"};
    ScopedEnv homeEnv{"HOME", home.path()};
    ScopedEnv runtimeEnv{"XDG_RUNTIME_DIR", runtime.path()};
    QString privateFolder() const { return home.path() + "/.cache/vexano"; }
};
