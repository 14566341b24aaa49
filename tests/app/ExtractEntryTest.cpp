// The UI-free extraction routine: which names are written, links, atomic
// replacement, and the bytes and times it writes.

#include "BigWriter.h"
#include "ExtractTestSupport.h"
#include "LzssEncoder.h"
#include "OpenDescriptors.h"
#include "app/ExtractEntry.h"
#include "archive/cBig.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace pelkora;
using namespace pelkora::testsupport;

namespace {

QString withNul()
{
    return QStringLiteral("a") + QChar(0) + QStringLiteral("b.txt");
}

struct NameCase {
    QString name;
    bool safe;
};

// Every refused form next to a near miss that must still be written.
const std::vector<NameCase> kNameCases = {
    {QString(), false},
    {"a\\\\b.txt", false},
    {"a\\", false},
    {"..", false},
    {"..\\..\\sentinel.txt", false},
    {"sub\\..\\..\\..\\sentinel.txt", false},
    {".\\x.txt", false},
    {"sub\\.\\x.txt", false},
    {"\\sentinel.txt", false},
    {"/sentinel.txt", false},
    {"\\\\?\\C:\\x.txt", false},
    {"\\\\.\\PhysicalDrive0", false},
    {"\\\\server\\share\\x.txt", false},
    {"C:", false},
    {"C:x.txt", false},
    {"c:\\x.txt", false},
    {"dir\\a:b.txt", false},
    {"file.txt:stream", false},
    {withNul(), false},
    {"tab\there.txt", false},
    {"line\nfeed.txt", false},
    {QStringLiteral("del") + QChar(0x7F) + QStringLiteral(".txt"), false},
    // C1 controls: the code page's undefined bytes 0x81, 0x8D, 0x8F, 0x90, 0x9D decode to them.
    {QStringLiteral("c1") + QChar(0x81) + QStringLiteral(".txt"), false},
    {QStringLiteral("dir") + QChar(0x9D) + QStringLiteral("\\x.txt"), false},
    {"sub/../../../sentinel.txt", false},
    {"dir\\in/side.txt", false},
    {"CON", false},
    {"con.txt", false},
    {"sub\\Prn.tar.gz", false},
    {"aux", false},
    {"NUL.dat", false},
    {"COM1", false},
    {"lpt9.txt", false},
    {"dir\\COM5\\x.txt", false},
    {"CON .txt", false},
    // Near misses: written.
    {"dir..\\f.txt", true},
    {"..dir\\f.txt", true},
    {"a.b\\...txt", true},
    {"CONSOLE.txt", true},
    {"xcon", true},
    {"COM0", true},
    {"COM10.txt", true},
    {"LPT", true},
    {"lpt.txt", true},
    {"deep\\er\\name with blanks.txt", true},
    {QStringLiteral("no-break") + QChar(0xA0) + QStringLiteral("space.txt"), true},
};

class ExtractEntryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        dest = tmp.filePath("dest");
        outside = tmp.filePath("outside");
        ASSERT_TRUE(QDir().mkpath(dest));
        ASSERT_TRUE(QDir().mkpath(outside));
    }

    void load(const std::vector<TestEntry>& entries) { WriteAndLoad(big, tmp.filePath("archive.big"), entries); }

    QTemporaryDir tmp;
    QString dest;
    QString outside;
    cBig big;
};

} // namespace

TEST_F(ExtractEntryTest, RefusesUnsafeNamesAndWritesNearMisses)
{
    const QString sentinel = tmp.filePath("sentinel.txt");
    ASSERT_TRUE(WriteFile(sentinel, "SENTINEL"));
    ASSERT_TRUE(SetModifiedSeconds(sentinel, 1000));

    std::vector<TestEntry> entries;
    for (const NameCase& c : kNameCases)
        entries.push_back(TestEntry{.name = c.name, .data = "EVIL " + c.name.toUtf8(), .timestamp = 5000});
    load(entries);

    for (std::int32_t id = 0; id < big.FileCount(); ++id) {
        const NameCase& c = kNameCases[static_cast<std::size_t>(id)];
        SCOPED_TRACE(c.name.toStdString());
        ASSERT_EQ(big.GetFileName(id), c.name);
        const QString caseDest = dest + QStringLiteral("/case%1").arg(id);
        ASSERT_TRUE(QDir().mkpath(caseDest));

        const Failure r = ExtractEntry(big, id, caseDest, c.name);
        EXPECT_EQ(r.ok(), c.safe) << r.description.toStdString();
        if (c.safe) {
            QString expected = caseDest + u'/' + QString(c.name).replace(u'\\', u'/');
            EXPECT_EQ(ReadAll(expected), "EVIL " + c.name.toUtf8());
        } else {
            EXPECT_EQ(r.source, "ExtractEntry");
            EXPECT_EQ(r.number, failure::UnsafeName);
            EXPECT_TRUE(r.description.contains(u'"' + c.name + u'"')) << r.description.toStdString();
            EXPECT_TRUE(QDir(caseDest).isEmpty());
        }
        EXPECT_EQ(ReadAll(sentinel), "SENTINEL");
        EXPECT_EQ(ModifiedSeconds(sentinel), 1000);
    }
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
        QStringList({"archive.big", "dest", "outside", "sentinel.txt"}));
}

TEST_F(ExtractEntryTest, WritesNothingThroughLinks)
{
    const QString victim = outside + "/victim.txt";
    ASSERT_TRUE(WriteFile(victim, "KEEP"));
    ASSERT_TRUE(QDir().mkpath(dest + "/real"));
    ASSERT_TRUE(QFile::link(victim, dest + "/victim.txt"));  // a link at the target
    ASSERT_TRUE(QFile::link(outside, dest + "/linked"));     // a linked folder
    ASSERT_TRUE(QFile::link(outside, dest + "/real/inner")); // a linked folder further in
    ASSERT_TRUE(QFile::link(outside + "/gone.txt", dest + "/dangling.txt"));

    const std::vector<TestEntry> entries = {
        {.name = "victim.txt", .data = "EVIL"},
        {.name = "linked\\victim.txt", .data = "EVIL"},
        {.name = "linked\\made\\x.txt", .data = "EVIL"},
        {.name = "real\\inner\\victim.txt", .data = "EVIL"},
        {.name = "real\\inner\\made\\x.txt", .data = "EVIL"},
        {.name = "dangling.txt", .data = "EVIL"},
    };
    load(entries);
    for (std::int32_t id = 0; id < big.FileCount(); ++id) {
        SCOPED_TRACE(entries[static_cast<std::size_t>(id)].name.toStdString());
        const Failure r = ExtractEntry(big, id, dest, big.GetFileName(id));
        EXPECT_FALSE(r.ok());
        EXPECT_EQ(r.number, failure::PathAccess);
        EXPECT_TRUE(r.description.contains("link")) << r.description.toStdString();
    }
    EXPECT_EQ(ReadAll(victim), "KEEP");
    EXPECT_EQ(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
        QStringList({"victim.txt"}));
    EXPECT_TRUE(QFileInfo(dest + "/victim.txt").isSymLink());
}

// Runs `extract` while the file system refuses bytes beyond `limit` (the
// process's file size limit, with the signal for it ignored).
template <typename Extract> Failure withFileSizeLimit(rlim_t limit, Extract extract)
{
    struct rlimit saved { };
    if (::getrlimit(RLIMIT_FSIZE, &saved) != 0)
        return {failure::FileAccess, "getrlimit", "cannot read the file size limit", {}};
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &small);
    Failure r = extract();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    return r;
}

// A replacement that fails, while writing or before, keeps the old file with
// its bytes and time and leaves no temporary file beside it.
TEST_F(ExtractEntryTest, FailedReplacementKeepsTheOldFile)
{
    const QByteArray large(256 * 1024, 'n');
    load({
        {.name = "big.bin", .data = large, .timestamp = 7000},
        {.name = "cut.bin", .data = "new", .timestamp = 7000, .packedSize = 1 << 20},
    });

    struct Case {
        std::int32_t id;
        const char* file;
        bool limitFileSize;
    };
    for (const Case& c : {Case{0, "big.bin", true}, Case{1, "cut.bin", false}}) {
        SCOPED_TRACE(c.file);
        const QString target = dest + u'/' + QLatin1String(c.file);
        ASSERT_TRUE(WriteFile(target, "OLD CONTENT"));
        ASSERT_TRUE(SetModifiedSeconds(target, 123456));

        Failure r;
        if (c.limitFileSize) {
            // The file system refuses bytes beyond 4 KiB: the write fails midway.
            r = withFileSizeLimit(4096, [&] { return ExtractEntry(big, c.id, dest, QString::fromLatin1(c.file)); });
        } else {
            r = ExtractEntry(big, c.id, dest, QString::fromLatin1(c.file));
        }
        EXPECT_FALSE(r.ok());
        EXPECT_TRUE(r.description.contains(QLatin1String(c.file))) << r.description.toStdString();
        EXPECT_EQ(ReadAll(target), "OLD CONTENT");
        EXPECT_EQ(ModifiedSeconds(target), 123456);
        EXPECT_EQ(QDir(dest).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList({QString::fromLatin1(c.file)}));
        ASSERT_TRUE(QFile::remove(target));
    }
}

// A stream that decodes to another length than the record promises is a
// damaged entry: never written, whether the target is new or already there.
TEST_F(ExtractEntryTest, DamagedEntryIsAFailureAndKeepsTheOldFile)
{
    QByteArray text;
    for (int i = 0; i < 40; ++i)
        text += "a line that repeats itself, " + QByteArray::number(i % 7) + '\n';
    load({
        {.name = "short.txt",
            .data = text,
            .compress = true,
            .timestamp = 7000,
            .uncompressedSize = int(text.size()) + 100},
        {.name = "long.txt",
            .data = text,
            .compress = true,
            .timestamp = 7000,
            .uncompressedSize = int(text.size()) - 1},
        {.name = "stored.bin", .data = "abc", .timestamp = 7000, .uncompressedSize = 10},
    });
    for (const bool existing : {false, true}) {
        for (std::int32_t id = 0; id < big.FileCount(); ++id) {
            const QString name = big.GetFileName(id);
            SCOPED_TRACE(name.toStdString() + (existing ? " over an old file" : " as a new file"));
            const QString target = dest + u'/' + name;
            if (existing) {
                ASSERT_TRUE(WriteFile(target, "OLD CONTENT"));
                ASSERT_TRUE(SetModifiedSeconds(target, 123456));
            }
            const Failure r = ExtractEntry(big, id, dest, name);
            EXPECT_FALSE(r.ok());
            EXPECT_EQ(r.number, failure::DamagedEntry);
            EXPECT_TRUE(r.description.contains(u'"' + name + u'"')) << r.description.toStdString();
            EXPECT_TRUE(r.description.contains(QString::number(big.data_uncompressed_size(id))))
                << r.description.toStdString();
            if (existing) {
                EXPECT_EQ(ReadAll(target), "OLD CONTENT");
                EXPECT_EQ(ModifiedSeconds(target), 123456);
                ASSERT_TRUE(QFile::remove(target));
            }
            EXPECT_TRUE(QDir(dest).isEmpty());
        }
    }
}

// Entries too large to hold are written from the archive in pieces (stored
// ones copied by the kernel, compressed ones decoded through a small window):
// the same bytes and time as a held entry, and the same refusal of a damaged
// one, over an old file or at a new name.
TEST_F(ExtractEntryTest, LargeEntriesAreWrittenInPiecesAndCheckedTheSameWay)
{
    std::mt19937 rng(17);
    QByteArray noise(3 << 20, '\0');
    for (auto& c : noise)
        c = static_cast<char>(rng());
    QByteArray text;
    while (text.size() < (6 << 20))
        text += "line " + QByteArray::number(text.size() % 977) + " of a long text that compresses well\n";
    const QByteArray stream = testsupport::LzssEncode(text);

    struct Case {
        const char* name;
        TestEntry entry;
        bool ok;
        const char* expected; // a part of the description of a failure
    };
    const Case cases[] = {
        {"stored.bin", {.name = "stored.bin", .data = noise, .timestamp = 7001}, true, ""},
        {"compressed.txt", {.name = "compressed.txt", .data = text, .compress = true, .timestamp = 7002}, true, ""},
        {"cut.txt",
            {.name = "cut.txt",
                .data = text,
                .timestamp = 7003,
                .flagByte = 1,
                .uncompressedSize = int(text.size()),
                .storedData = stream.left(stream.size() / 2)},
            false, "differs from its stored unpacked size"},
        {"longer.txt",
            {.name = "longer.txt",
                .data = text,
                .compress = true,
                .timestamp = 7004,
                .uncompressedSize = int(text.size()) - 5},
            false, "more than its stored unpacked size"},
        {"stored-short.bin",
            {.name = "stored-short.bin", .data = noise, .timestamp = 7005, .uncompressedSize = int(noise.size()) + 1},
            false, "differs from its stored unpacked size"},
    };
    std::vector<TestEntry> entries;
    for (const Case& c : cases)
        entries.push_back(c.entry);
    load(entries);

    for (const bool existing : {false, true}) {
        for (std::int32_t id = 0; id < big.FileCount(); ++id) {
            const Case& c = cases[id];
            SCOPED_TRACE(std::string(c.name) + (existing ? " over an old file" : " as a new file"));
            const QString target = dest + u'/' + QLatin1String(c.name);
            if (existing) {
                ASSERT_TRUE(WriteFile(target, "OLD CONTENT"));
                ASSERT_TRUE(SetModifiedSeconds(target, 123456));
            }
            const Failure r = ExtractEntry(big, id, dest, QLatin1String(c.name));
            EXPECT_EQ(r.ok(), c.ok) << r.description.toStdString();
            if (c.ok) {
                EXPECT_TRUE(ReadAll(target) == c.entry.data);
                EXPECT_EQ(ModifiedSeconds(target), c.entry.timestamp);
            } else {
                EXPECT_EQ(r.number, failure::DamagedEntry);
                EXPECT_TRUE(r.description.contains(QLatin1String(c.expected))) << r.description.toStdString();
                EXPECT_EQ(ReadAll(target), existing ? QByteArray("OLD CONTENT") : QByteArray("<missing>"));
            }
            QFile::remove(target);
            EXPECT_TRUE(QDir(dest).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
        }
    }
}

// A new file whose write fails midway is removed again: no half file stays.
TEST_F(ExtractEntryTest, FailedNewFileLeavesNothingBehind)
{
    load({{.name = "data\\big.bin", .data = QByteArray(256 * 1024, 'n'), .timestamp = 7000}});
    const Failure r =
        withFileSizeLimit(4096, [&] { return ExtractEntry(big, 0, dest, QStringLiteral("data\\big.bin")); });
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.description.contains("cannot be written")) << r.description.toStdString();
    EXPECT_TRUE(QDir(dest + "/data").isEmpty());
}

TEST_F(ExtractEntryTest, ReaderFailureNamesTheReadAndTheEntry)
{
    load({{.name = "data\\cut.bin", .data = "abc", .packedSize = 1 << 20}});
    const Failure r = ExtractEntry(big, 0, dest, "data\\cut.bin");
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.source, "GetFileBlob");
    EXPECT_TRUE(r.description.contains("\"data\\cut.bin\"")) << r.description.toStdString();
    EXPECT_TRUE(QDir(dest).isEmpty());

    // An ID the reader does not have must not become an empty file.
    const Failure outOfBounds = ExtractEntry(big, 5, dest, "x.bin");
    EXPECT_FALSE(outOfBounds.ok());
    EXPECT_EQ(outOfBounds.number, cError::IdOutOfBounds);
    EXPECT_TRUE(QDir(dest).isEmpty());
}

TEST_F(ExtractEntryTest, FolderInTheWayIsReported)
{
    ASSERT_TRUE(WriteFile(dest + "/data", "a file where a folder should be"));
    ASSERT_TRUE(QDir().mkpath(dest + "/taken.txt"));
    load({{.name = "data\\x.txt", .data = "x"}, {.name = "taken.txt", .data = "y"}});
    for (std::int32_t id = 0; id < 2; ++id) {
        const Failure r = ExtractEntry(big, id, dest, big.GetFileName(id));
        EXPECT_FALSE(r.ok());
        EXPECT_EQ(r.source, "ExtractEntry");
    }
    EXPECT_EQ(ReadAll(dest + "/data"), "a file where a folder should be");
    EXPECT_TRUE(QFileInfo(dest + "/taken.txt").isDir());
}

// One writer for a whole run keeps folders open between entries. Entries that
// hop between more folders than it holds at once, and back, still land where
// their names say, and every folder it held is closed with it.
TEST_F(ExtractEntryTest, WriterKeptAcrossEntriesWritesEveryFileAndClosesItsFolders)
{
    std::vector<TestEntry> entries;
    for (int round = 0; round < 2; ++round)
        for (int folder = 0; folder < 90; ++folder)
            entries.push_back({.name = QStringLiteral("top\\f%1\\deep\\r%2.bin").arg(folder).arg(round),
                .data = QByteArray::number(folder * 10 + round),
                .timestamp = 7000 + folder});
    entries.push_back({.name = "top\\at-top.bin", .data = "TOP"});
    entries.push_back({.name = "root.bin", .data = "ROOT"});
    load(entries);

    const auto openFolders = [&] { return OpenDescriptorsOn(dest) + OpenDescriptorsOn(dest + "/top"); };
    {
        ConfinedWriter writer(ExtractRoot(dest));
        for (std::int32_t id = 0; id < big.FileCount(); ++id) {
            const Failure r = ExtractEntry(big, id, writer, big.GetFileName(id));
            ASSERT_TRUE(r.ok()) << r.description.toStdString();
        }
        EXPECT_GT(openFolders(), 0);
    }
    EXPECT_EQ(openFolders(), 0);
    for (const TestEntry& e : entries) {
        const QString path = dest + u'/' + QString(e.name).replace(u'\\', u'/');
        EXPECT_EQ(ReadAll(path), e.data) << path.toStdString();
        EXPECT_EQ(ModifiedSeconds(path), e.timestamp) << path.toStdString();
    }
}

// Folders far deeper than the writer holds open at once (it holds as many
// as the open-file limit allows, here lowered to 128, then walks on without
// holding): every file lands in its folder, and the writer closes every
// folder when done.
TEST_F(ExtractEntryTest, FoldersDeeperThanTheWriterHoldsAreWalked)
{
    struct rlimit saved { };
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    struct rlimit lowered = saved;
    lowered.rlim_cur = std::min<rlim_t>(saved.rlim_cur, 128);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const auto restore = qScopeGuard([&] { ::setrlimit(RLIMIT_NOFILE, &saved); });

    QString deep;
    for (int level = 0; level < 300; ++level)
        deep += QStringLiteral("d\\");
    load({
        {.name = deep + "one.bin", .data = "ONE", .timestamp = 7001},
        {.name = deep + "two.bin", .data = "TWO", .timestamp = 7002},
        {.name = deep.left(deep.size() / 2) + "mid.bin", .data = "MID", .timestamp = 7003},
        {.name = "top.bin", .data = "TOP", .timestamp = 7004},
    });
    {
        ConfinedWriter writer(ExtractRoot(dest));
        for (std::int32_t id = 0; id < big.FileCount(); ++id) {
            const Failure r = ExtractEntry(big, id, writer, big.GetFileName(id));
            ASSERT_TRUE(r.ok()) << r.description.left(300).toStdString();
        }
    }
    EXPECT_EQ(OpenDescriptorsOn(dest), 0);
    for (std::int32_t id = 0; id < big.FileCount(); ++id) {
        const QString path = dest + u'/' + big.GetFileName(id).replace(u'\\', u'/');
        EXPECT_EQ(ModifiedSeconds(path), 7001 + id);
        EXPECT_EQ(ReadAll(path), QByteArray(id == 0 ? "ONE" : id == 1 ? "TWO" : id == 2 ? "MID" : "TOP"));
    }
}

// While a file is being written, its name is taken by a link to a file
// outside, or by a folder: the write is refused, the link and what it points
// to are untouched, and no temporary file stays.
TEST_F(ExtractEntryTest, NameTakenDuringTheWriteIsRefused)
{
    const QString victim = outside + "/victim.txt";
    ASSERT_TRUE(WriteFile(victim, "VICTIM"));
    for (const bool existing : {false, true}) {
        for (const char* intruder : {"link", "folder"}) {
            SCOPED_TRACE(std::string(intruder) + (existing ? " over an old file" : " at a new name"));
            const QString target = dest + "/x.txt";
            if (existing) {
                ASSERT_TRUE(WriteFile(target, "OLD"));
            }
            ConfinedWriter writer(ExtractRoot(dest));
            const ConfinedResult r = writer.write(
                {}, "x.txt",
                [&](int fd) {
                    if (!WriteAll(fd, "NEW", 3))
                        return ContentStatus::WriteFailed;
                    QFile::remove(target);
                    const bool planted = QLatin1String(intruder) == QLatin1String("link") ? QFile::link(victim, target)
                                                                                          : QDir().mkdir(target);
                    return planted && WriteAll(fd, "MORE", 4) ? ContentStatus::Complete : ContentStatus::Failed;
                },
                7000);
            EXPECT_FALSE(r.ok());
            EXPECT_EQ(r.error,
                QLatin1String(intruder) == QLatin1String("link") ? ConfinedError::TargetIsLink
                                                                 : ConfinedError::TargetIsNotFile);
            EXPECT_EQ(ReadAll(victim), "VICTIM");
            EXPECT_EQ(QDir(dest).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System),
                QStringList{"x.txt"});
            QFile::remove(target);
            QDir(target).removeRecursively();
        }
    }
}

// Between two entries of a run the user removes a folder the writer holds,
// or puts a link to somewhere else in its place: the first is made again, the
// second refused, and nothing is written outside the destination.
TEST_F(ExtractEntryTest, WriterKeptAcrossEntriesNoticesFoldersChangedBetweenEntries)
{
    load({{.name = "sub\\a.txt", .data = "A"}, {.name = "sub\\b.txt", .data = "B"},
        {.name = "sub\\c.txt", .data = "C"}});
    ConfinedWriter writer(ExtractRoot(dest));

    ASSERT_TRUE(ExtractEntry(big, 0, writer, "sub\\a.txt").ok());
    ASSERT_TRUE(QDir(dest + "/sub").removeRecursively());
    const Failure remade = ExtractEntry(big, 1, writer, "sub\\b.txt");
    EXPECT_TRUE(remade.ok()) << remade.description.toStdString();
    EXPECT_EQ(ReadAll(dest + "/sub/b.txt"), "B");

    ASSERT_TRUE(QDir(dest + "/sub").removeRecursively());
    ASSERT_TRUE(QFile::link(outside, dest + "/sub"));
    const Failure linked = ExtractEntry(big, 2, writer, "sub\\c.txt");
    EXPECT_FALSE(linked.ok());
    EXPECT_TRUE(linked.description.contains("link")) << linked.description.toStdString();
    EXPECT_TRUE(QDir(outside).isEmpty());
}

// A replacement keeps only the permission bits of the old file: setuid,
// setgid and sticky are never carried over onto new content.
TEST_F(ExtractEntryTest, ReplacementDropsSetuidSetgidAndSticky)
{
    load({{.name = "tool.bin", .data = "NEW"}});
    const QString path = dest + "/tool.bin";
    const QByteArray local = QFile::encodeName(path);
    const struct {
        mode_t before;
        mode_t after;
    } cases[] = {{04755, 0755}, {02755, 0755}, {01777, 0777}, {06750, 0750}};
    for (const auto& c : cases) {
        QFile::remove(path);
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("OLD");
        old.close();
        ASSERT_EQ(::chmod(local.constData(), c.before), 0);
        struct stat st { };
        ASSERT_EQ(::stat(local.constData(), &st), 0);
        if ((st.st_mode & 07777) != c.before)
            continue; // this system would not let us set the bit at all
        const Failure r = ExtractEntry(big, 0, dest, "tool.bin");
        ASSERT_TRUE(r.ok()) << r.description.toStdString();
        EXPECT_EQ(ReadAll(path), "NEW");
        ASSERT_EQ(::stat(local.constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.after) << std::oct << c.before;
    }
}
