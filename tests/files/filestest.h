#pragma once
// Small helpers of the file-format tests: a private temporary folder (also
// the one the program takes as the user's), and whole-file bytes.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <vector>

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        oldTemp_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", dir_.path().toLocal8Bit() + "/tmp");
        ASSERT_TRUE(QDir().mkpath(dir_.path() + "/tmp"));
    }
    void TearDown() override {
        if (oldTemp_.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", oldTemp_);
    }

    std::string Path(const std::string& name) const {
        return dir_.path().toStdString() + "/" + name;
    }
    // The work copies the program left in the temporary folder.
    QStringList WorkCopies() const {
        return QDir(dir_.path() + "/tmp").entryList({"_mt*"}, QDir::Files | QDir::Hidden);
    }

    static QByteArray Read(const std::string& path) {
        QFile f(QString::fromStdString(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static void Write(const std::string& path, const QByteArray& bytes) {
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    // A payload behind its 32-bit little-endian length.
    static std::vector<uint8_t> Prefixed(const QByteArray& payload) {
        const uint32_t n = uint32_t(payload.size());
        std::vector<uint8_t> out(4 + payload.size());
        for (int b = 0; b < 4; ++b)
            out[b] = uint8_t(n >> (8 * b));
        std::copy(payload.begin(), payload.end(), out.begin() + 4);
        return out;
    }

private:
    QTemporaryDir dir_;
    QByteArray oldTemp_;
};
