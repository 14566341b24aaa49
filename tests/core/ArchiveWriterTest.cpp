// The archive writer on its own: the names and sizes it refuses before
// writing, and a failed write that leaves nothing behind.

#include "archive/ArchiveNames.h"
#include "archive/ArchiveWriter.h"
#include "archive/BigRuntimeError.h"
#include "archive/cBig.h"
#include "lzss/UnLZSS.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace pelkora;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// The number a call raises, or 0.
template <typename Call> int raised(Call call)
{
    try {
        call();
    } catch (const BigRuntimeError& e) {
        EXPECT_EQ(e.source(), "Write");
        EXPECT_FALSE(e.description().isEmpty());
        return e.number();
    }
    return 0;
}

QStringList folderEntries(const QString& path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

TEST(ArchiveNames, NamesAreStoredInWindows1252OrRefused)
{
    struct Case {
        QString name;
        QByteArray stored; // empty: refused
    };
    const std::vector<Case> cases = {
        {"data\\caf\u00e9.txt", "data\\caf\xe9.txt"},
        {"Stra\u00dfe\\\u20ac.bin",
            "Stra\xdf"
            "e\\\x80.bin"},
        {"plain", "plain"}, {"\u65e5\u672c.txt", {}}, // no Windows-1252 spelling
        {"a\\..\\b.txt", {}},                         // would leave the destination
        {"..", {}}, {"\\absolute.txt", {}}, {"/absolute.txt", {}}, {"C:\\drive.txt", {}}, {"folder\\\\empty-part", {}},
        {"con.txt", {}},                                           // a device name
        {"tab\there", {}}, {"", {}}, {QString(0x10000, u'x'), {}}, // past the name-length field
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.left(40).toStdString());
        if (c.stored.isEmpty()) {
            EXPECT_EQ(raised([&] { ArchiveNameBytes(c.name); }), failure::BadName);
        } else {
            EXPECT_EQ(ArchiveNameBytes(c.name), c.stored);
        }
    }
    EXPECT_EQ(ArchiveNameBytes(QString(0xFFFF, u'x')).size(), 0xFFFF);
}

TEST(ArchiveNames, SizesPastTheInt32FieldsAreRefused)
{
    struct Case {
        qint64 entries;
        qint64 areas;
        bool fits;
    };
    const std::vector<Case> cases = {
        {0, 0, true}, {1, kLargestArchive - 16 - 32, true}, {1, kLargestArchive - 16 - 32 + 1, false},
        {2, qint64(3) << 30, false}, {qint64(1) << 26, qint64(1) << 30, false}, // the directory alone is 2 GiB
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.entries) + " entries, " + std::to_string(c.areas) + " area bytes");
        const int number = raised([&] { CheckArchiveSize(ArchiveSize(c.entries, c.areas)); });
        EXPECT_EQ(number, c.fits ? 0 : failure::TooLarge);
    }
    EXPECT_EQ(ArchiveSize(3, 100), 16 + 3 * 32 + 100);
    EXPECT_EQ(AreaSize(5, 10), 16);
}

// A file that would carry the archive past 2 GiB (a sparse one: nothing of it
// is read) is refused before any of it is written, and the temporary file
// goes with the writer.
TEST(ArchiveWriter, AFilePastTheLimitIsRefusedAndNothingStays)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString big = tmp.filePath("sparse.bin");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(kLargestArchive));
    }
    const QString target = tmp.filePath("out.big");
    writeFile(target, "OLD");
    writeFile(tmp.filePath("small.txt"), "small");
    {
        ArchiveWriter writer(target, 2);
        writer.AddFile(0, "small.txt", tmp.filePath("small.txt"), 6);
        EXPECT_EQ(raised([&] { writer.AddFile(1, "sparse.bin", big, 6); }), failure::TooLarge);
        EXPECT_TRUE(QFile::exists(writer.TemporaryPath()));
    }
    EXPECT_EQ(readAll(target), "OLD");
    EXPECT_EQ(folderEntries(tmp.path()), QStringList({"out.big", "small.txt", "sparse.bin"}));
}

// The target itself as an input, a missing input and a slot left empty fail
// the write; the old target keeps its bytes.
TEST(ArchiveWriter, FailuresKeepTheOldTarget)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString target = tmp.filePath("out.big");
    writeFile(target, "OLD");
    writeFile(tmp.filePath("a.txt"), "a");
    struct Case {
        const char* what;
        std::function<void(ArchiveWriter&)> run;
        int number;
    };
    const std::vector<Case> cases = {
        {"the output as an input", [&](ArchiveWriter& w) { w.AddFile(0, "out.big", target, 6); }, failure::FileAccess},
        {"a missing input", [&](ArchiveWriter& w) { w.AddFile(0, "gone.txt", tmp.filePath("gone.txt"), 6); },
            failure::NoInput},
        {"a slot never filled",
            [&](ArchiveWriter& w) {
                w.AddFile(0, "a.txt", tmp.filePath("a.txt"), 6);
                w.Commit();
            },
            failure::FileAccess},
        {"one slot twice",
            [&](ArchiveWriter& w) {
                w.AddFile(0, "a.txt", tmp.filePath("a.txt"), 6);
                w.AddFile(0, "b.txt", tmp.filePath("a.txt"), 6);
            },
            failure::FileAccess},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        {
            ArchiveWriter writer(target, 2);
            EXPECT_EQ(raised([&] { c.run(writer); }), c.number);
        }
        EXPECT_EQ(readAll(target), "OLD");
        EXPECT_EQ(folderEntries(tmp.path()), QStringList({"a.txt", "out.big"}));
    }
}

// Content is stored as a stream only when the stream is smaller; level 0
// always stores. Either way it reads back whole.
TEST(ArchiveWriter, StreamsOnlyWhenSmaller)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    QByteArray noise(4096, '\0');
    std::uint32_t x = 12345;
    for (char& c : noise) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    const std::vector<std::pair<QString, QByteArray>> files = {
        {"zeros.bin", QByteArray(100000, '\0')}, {"noise.bin", noise}, {"empty.txt", {}}, {"one.txt", "1"}};
    for (const int level : {0, 1, 6, 9}) {
        SCOPED_TRACE("level " + std::to_string(level));
        const QString target = tmp.filePath(QStringLiteral("level%1.big").arg(level));
        {
            ArchiveWriter writer(target, static_cast<std::int32_t>(files.size()));
            for (std::size_t i = 0; i < files.size(); ++i) {
                writeFile(tmp.filePath(files[i].first), files[i].second);
                writer.AddFile(static_cast<std::int32_t>(i), files[i].first, tmp.filePath(files[i].first), level);
            }
            writer.Commit();
        }
        InitLZSS();
        cBig big;
        ASSERT_TRUE(big.Load(target));
        ASSERT_EQ(big.FileCount(), static_cast<int>(files.size()));
        for (std::int32_t id = 0; id < big.FileCount(); ++id) {
            const QByteArray& content = files[static_cast<std::size_t>(id)].second;
            EXPECT_EQ(big.GetFileName(id), files[static_cast<std::size_t>(id)].first);
            EXPECT_EQ(big.data_uncompressed_size(id), content.size());
            const QByteArray stored = big.GetFileBlob(id);
            if (big.data_compressed_flag(id)) {
                EXPECT_GT(level, 0);
                EXPECT_LT(stored.size(), content.size());
                EXPECT_EQ(UnLZSS(stored, content.size()), content);
            } else {
                EXPECT_EQ(stored, content);
            }
        }
    }
}
