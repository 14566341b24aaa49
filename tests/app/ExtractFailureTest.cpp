// The extraction routine when the disk says no: a destination that cannot be
// written, a name longer than the file system takes. The entry fails with a
// clear error and nothing outside the destination changes.

#include "BigWriter.h"
#include "ExtractTestSupport.h"
#include "app/ExtractEntry.h"
#include "archive/cBig.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace pelkora;
using namespace pelkora::testsupport;

namespace {

// Every path below `root` with its size and time, to see that nothing changed.
QStringList Snapshot(const QString& root)
{
    QStringList lines;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        lines << QStringLiteral("%1 %2 %3").arg(path).arg(info.isDir() ? -1 : info.size()).arg(ModifiedSeconds(path));
    }
    lines.sort();
    return lines;
}

struct FailureCase {
    const char* what;
    QString destination;  // relative to the temporary folder unless absolute
    QString name;         // the entry's full name
    const char* expected; // a part of the description
};

} // namespace

TEST(ExtractFailure, EntryFailsClearlyAndNothingOutsideChanges)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    ASSERT_TRUE(WriteFile(tmp.filePath("a-file"), "NOT A FOLDER"));
    ASSERT_TRUE(QDir().mkpath(tmp.filePath("dest")));
    ASSERT_TRUE(WriteFile(tmp.filePath("dest/keep.txt"), "KEEP"));
    ASSERT_TRUE(SetModifiedSeconds(tmp.filePath("dest/keep.txt"), 4242));

    const QString longName = QString(300, u'n') + QStringLiteral(".txt");
    // 32,000 nested folders in a 64 KB name: refused before any folder is
    // made, in time and memory linear in the name.
    QString deepName;
    for (int level = 0; level < 32000; ++level)
        deepName += QStringLiteral("a\\");
    deepName += u'f';
    const std::vector<FailureCase> cases = {
        {"destination is a file", "a-file", "x.txt", "cannot"},
        {"destination below a file", "a-file/sub", "x.txt", "cannot"},
        {"destination the system does not let anyone write", "/proc/pelkora-test/dest", "x.txt", "cannot"},
        {"name longer than the file system takes", "dest", longName, "cannot be created"},
        {"folder name longer than the file system takes", "dest", longName + QStringLiteral("\\x.txt"),
            "cannot be created"},
        {"path longer than the file system takes", "dest", deepName, "longer than the file system takes"},
    };

    std::vector<TestEntry> entries;
    for (const FailureCase& c : cases)
        entries.push_back({.name = c.name, .data = "DATA", .timestamp = 1000});
    const QString archive = tmp.filePath("archive.big");
    ASSERT_TRUE(WriteBigArchive(archive, entries));
    cBig big;
    ASSERT_TRUE(big.Load(archive));

    for (std::size_t i = 0; i < cases.size(); ++i) {
        const FailureCase& c = cases[i];
        SCOPED_TRACE(c.what);
        const QStringList before = Snapshot(tmp.path());
        const QString destination = QDir::isAbsolutePath(c.destination) ? c.destination : tmp.filePath(c.destination);
        const Failure r = ExtractEntry(big, static_cast<std::int32_t>(i), destination, c.name);
        EXPECT_FALSE(r.ok());
        EXPECT_TRUE(r.description.contains(QLatin1String(c.expected))) << r.description.toStdString();
        EXPECT_TRUE(r.description.contains(c.name.left(20))) << "names the entry: " << r.description.toStdString();
        EXPECT_TRUE(r.description.contains(destination)) << "names the path: " << r.description.toStdString();
        EXPECT_EQ(Snapshot(tmp.path()), before);
    }
    EXPECT_EQ(ReadAll(tmp.filePath("dest/keep.txt")), "KEEP");
    EXPECT_EQ(ModifiedSeconds(tmp.filePath("dest/keep.txt")), 4242);
}

// Permission bits stop only an ordinary user; root writes anyway.
TEST(ExtractFailure, DestinationWithoutWritePermission)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root, whom permission bits do not stop";
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dest = tmp.filePath("locked");
    ASSERT_TRUE(QDir().mkpath(dest));
    ASSERT_TRUE(QFile::setPermissions(dest, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const QString archive = tmp.filePath("archive.big");
    ASSERT_TRUE(WriteBigArchive(archive, {{.name = "sub\\x.txt", .data = "DATA"}}));
    cBig big;
    ASSERT_TRUE(big.Load(archive));
    const Failure r = ExtractEntry(big, 0, dest, QStringLiteral("sub\\x.txt"));
    QFile::setPermissions(dest, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.description.contains("sub")) << r.description.toStdString();
    EXPECT_TRUE(QDir(dest).isEmpty());
}
