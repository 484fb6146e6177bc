// Tests run in a scratch current directory, where the program looks for its documents first, and
// what they write on stderr. Header only.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

// Writes a whole file; false if that fails.
inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// What `action` writes on stderr.
template <typename F>
std::string Stderr(F action) {
    std::fflush(stderr);
    testing::internal::CaptureStderr();
    action();
    std::fflush(stderr);
    return testing::internal::GetCapturedStderr();
}

class InScratchDirectory : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scratch_.isValid());
        previous_ = QDir::currentPath();
        QDir::setCurrent(scratch_.path());
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    QTemporaryDir scratch_;
    QString previous_;
};
