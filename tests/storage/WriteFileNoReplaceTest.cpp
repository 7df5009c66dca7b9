// Writing a new file that holds secrets: owner-only, never over an existing
// file or link, nothing left behind when it fails.
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "platform/Files.h"
#include "support/TempDir.h"

namespace {

class WriteFileNoReplaceTest : public TempDirTest {};

TEST_F(WriteFileNoReplaceTest, NewFileIsOwnerOnlyAndNothingExistingIsReplaced)
{
    const mode_t oldMask = ::umask(0);  // the mode must not depend on the umask
    QString why;
    EXPECT_TRUE(platform::WriteFileNoReplace(file("a.csv"), "x,y\r\n", &why)) << why.toStdString();
    ::umask(oldMask);
    struct stat st {};
    ASSERT_EQ(::stat(file("a.csv").toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, mode_t(0600));
    QFile a(file("a.csv"));
    ASSERT_TRUE(a.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), "x,y\r\n");

    EXPECT_FALSE(platform::WriteFileNoReplace(file("a.csv"), "other", &why));
    EXPECT_FALSE(why.isEmpty());
    ASSERT_TRUE(QFile::link(file("nowhere"), file("link.csv")));
    EXPECT_FALSE(platform::WriteFileNoReplace(file("link.csv"), "other", &why));
    EXPECT_FALSE(QFile::exists(file("nowhere")));
    EXPECT_FALSE(platform::WriteFileNoReplace(file("no/such/folder.csv"), "other", &why));
    EXPECT_EQ(QDir(path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList({"a.csv", "link.csv"}));
    a.seek(0);
    EXPECT_EQ(a.readAll(), "x,y\r\n");
}

TEST_F(WriteFileNoReplaceTest, NewFilesAndCopiesKeepNoDescriptorOpen)
{
    // Each temporary file is held open while it is written: one left open per
    // export or backup would run the program out of descriptors.
    const auto openDescriptors = [] { return QDir("/proc/self/fd").entryList(QDir::AllEntries | QDir::System).size(); };
    const qsizetype before = openDescriptors();
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(platform::WriteFileNoReplace(file(QString("w%1").arg(i)), "data"));
        EXPECT_TRUE(platform::CopyFileNoReplace(file("w0"), file(QString("c%1").arg(i))));
        EXPECT_FALSE(platform::WriteFileNoReplace(file("no/such/folder"), "data"));
    }
    EXPECT_EQ(openDescriptors(), before);
}

} // namespace
