#include "support/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pelkora;

namespace {

struct SplitCase {
    const char* text;
    char separator;
    const char* left;
    const char* right;
};

QStringList entriesBelow(const QString& root)
{
    QStringList all;
    QDir dir(root);
    for (const QFileInfo& info : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        all << info.fileName();
        if (info.isDir())
            for (const QString& below : entriesBelow(info.filePath()))
                all << info.fileName() + u'/' + below;
    }
    return all;
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Runs a block with the current folder set to `dir`, then restores it.
template <typename Fn> void inCurrentDir(const QString& dir, Fn fn)
{
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir));
    fn();
    QDir::setCurrent(before);
}

} // namespace

class SplitAtLastTable : public ::testing::TestWithParam<SplitCase> { };

TEST_P(SplitAtLastTable, GivesBothParts)
{
    const SplitCase& c = GetParam();
    const QString text = QString::fromLatin1(c.text);
    EXPECT_EQ(SplitAtLast(text, false, QChar::fromLatin1(c.separator)), QString::fromLatin1(c.left)) << c.text;
    EXPECT_EQ(SplitAtLast(text, true, QChar::fromLatin1(c.separator)), QString::fromLatin1(c.right)) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Table, SplitAtLastTable,
    ::testing::Values(SplitCase{"data\\art\\tree.tga", '\\', "data\\art", "tree.tga"},
        SplitCase{"tree.tga", '\\', "", "tree.tga"}, SplitCase{"tree.tga", '.', "tree", "tga"},
        SplitCase{"readme", '.', "", "readme"}, SplitCase{"\\tree.tga", '\\', "", "tree.tga"},
        SplitCase{"C:\\out\\data\\", '\\', "C:\\out\\data", ""}, SplitCase{"archive.tar.gz", '.', "archive.tar", "gz"},
        SplitCase{"", '\\', "", ""}, SplitCase{"\\", '\\', "", ""}, SplitCase{"a\\\\b", '\\', "a\\", "b"}));

TEST(SplitAtLast, SeparatorIsCaseSensitiveAndExact)
{
    EXPECT_EQ(SplitAtLast(QStringLiteral("fooXbarxbaz"), true, u'x'), "baz");
    EXPECT_EQ(SplitAtLast(QStringLiteral("fooXbar"), true, u'x'), "fooXbar");
    EXPECT_EQ(SplitAtLast(QStringLiteral("a/b\\c"), false, u'/'), "a");
}

TEST(MakeDirs, CreatesNestedFoldersOutermostFirst)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString target = native(tmp.path() + "/out/data/art");
    MakeDirs(target);
    EXPECT_TRUE(QFileInfo(tmp.path() + "/out/data/art").isDir());
    EXPECT_EQ(entriesBelow(tmp.path()), (QStringList{"out", "out/data", "out/data/art"}));
}

TEST(MakeDirs, TrailingSeparatorMakesTheSameFolders)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    MakeDirs(native(tmp.path() + "/out/data/art/"));
    EXPECT_EQ(entriesBelow(tmp.path()), (QStringList{"out", "out/data", "out/data/art"}));
}

TEST(MakeDirs, ExistingFolderIsLeftAlone)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    ASSERT_TRUE(QDir(tmp.path()).mkpath("keep/inner"));
    ASSERT_TRUE(QFile(tmp.path() + "/keep/inner/file.txt").open(QIODevice::WriteOnly));
    MakeDirs(native(tmp.path() + "/keep"));
    MakeDirs(native(tmp.path() + "/keep/inner/"));
    EXPECT_EQ(entriesBelow(tmp.path()), (QStringList{"keep", "keep/inner", "keep/inner/file.txt"}));
}

TEST(MakeDirs, FileInTheWayCreatesNothingAndDoesNotFail)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    {
        QFile blocker(tmp.path() + "/blocker");
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.write("x");
    }
    MakeDirs(native(tmp.path() + "/blocker"));
    MakeDirs(native(tmp.path() + "/blocker/below/deeper/"));
    EXPECT_EQ(entriesBelow(tmp.path()), QStringList{"blocker"});
    EXPECT_TRUE(QFileInfo(tmp.path() + "/blocker").isFile());
}

TEST(MakeDirs, EmptyPathDoesNothing)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    inCurrentDir(tmp.path(), [] { MakeDirs(QString()); });
    EXPECT_TRUE(entriesBelow(tmp.path()).isEmpty());
}

TEST(MakeDirs, RelativePathIsCreatedUnderTheCurrentFolder)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    inCurrentDir(tmp.path(), [] { MakeDirs(native("rel/sub/leaf/")); });
    EXPECT_EQ(entriesBelow(tmp.path()), (QStringList{"rel", "rel/sub", "rel/sub/leaf"}));
}

TEST(MakeDirs, UnwritablePlaceCreatesNothingAndDoesNotFail)
{
    // Nobody, not even root, may create folders in /proc.
    if (!QFileInfo(QStringLiteral("/proc")).isDir())
        GTEST_SKIP() << "no /proc";
    MakeDirs(native(QStringLiteral("/proc/pelkora-nowhere/a/b/")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/proc/pelkora-nowhere")));
}
