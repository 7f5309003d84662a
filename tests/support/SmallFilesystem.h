// A real, small filesystem for the full-disk tests: a tmpfs mounted in a temporary folder (root only).
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <unistd.h>

class SmallFilesystem {
public:
    // Mounts a tmpfs of sizeKiB; mounted() tells whether it worked.
    explicit SmallFilesystem(int sizeKiB = 256);
    ~SmallFilesystem();
    SmallFilesystem(const SmallFilesystem&) = delete;
    SmallFilesystem& operator=(const SmallFilesystem&) = delete;

    bool mounted() const { return m_mounted; }
    // Why mounting failed, for the test's message.
    const QString& error() const { return m_error; }
    QString path() const { return m_dir.path(); }

    qint64 freeBlocks() const;
    // Fills the filesystem with a filler file so that exactly `blocks` blocks stay free.
    void leaveFree(qint64 blocks);
    // Removes the filler again.
    void unfill();

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_error;
};

// Skips the test when it cannot mount (not root); fails when root cannot mount.
#define REQUIRE_SMALL_FILESYSTEM(fs)                                                                                   \
    do {                                                                                                               \
        if (!(fs).mounted()) {                                                                                         \
            if (::geteuid() != 0)                                                                                      \
                GTEST_SKIP() << "mounting a tmpfs needs root";                                                         \
            FAIL() << "cannot mount a tmpfs: " << (fs).error().toStdString();                                          \
        }                                                                                                              \
    } while (false)
