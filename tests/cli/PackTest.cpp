// pelkora-cli create and update run as real processes: round trips through
// extract in several zones, byte comparisons of updated archives, failed
// writes that leave the old archive alone, and the inputs that are refused.

#include "BigWriter.h"
#include "archive/BigFormat.h"
#include "archive/cBig.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <map>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pelkora;
using namespace pelkora::testsupport;

namespace {

struct PackRun {
    int code = -1;
    QString out;
    QString errors;
};

PackRun RunIn(const char* zone, const QStringList& arguments, const std::function<void()>& inChild = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TZ", zone);
    process.setProcessEnvironment(environment);
    if (inChild)
        process.setChildProcessModifier(inChild);
    process.start(QStringLiteral(PELKORA_CLI_PATH), arguments);
    PackRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.code = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

qint64 Modified(const QString& path)
{
    struct stat st { };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mtim.tv_sec : -1;
}

void PutFile(const QString& path, const QByteArray& bytes, qint64 modified = 1000000000)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
    f.close();
    struct timespec times[2] = {{modified, 0}, {modified, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

QByteArray Noise(int size, std::uint32_t seed)
{
    QByteArray bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
    }
    return bytes;
}

QByteArray Text(int size)
{
    QByteArray bytes;
    while (bytes.size() < size)
        bytes += "The same line again, and again, with a number: " + QByteArray::number(bytes.size() % 7) + '\n';
    return bytes.left(size);
}

// Relative path ("/" between folders) -> bytes and time of every file below
// `root`.
struct FileState {
    QByteArray bytes;
    qint64 modified;
    bool operator==(const FileState&) const = default;
};
std::map<QString, FileState> FilesBelow(const QString& root)
{
    std::map<QString, FileState> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[QDir(root).relativeFilePath(path)] = {Bytes(path), Modified(path)};
    }
    return files;
}

QStringList FolderEntries(const QString& path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

struct TreeFile {
    QString path; // "/" between folders
    QByteArray bytes;
    qint64 modified;
};

// Seconds since 1970 UTC.
constexpr qint64 k1980 = 315532800;          // 1980-01-01 00:00:00
constexpr qint64 k2037 = 2145916799;         // 2037-12-31 23:59:59
constexpr qint64 kBerlinSpring = 1616895000; // 2021-03-28 01:30, half an hour after the clocks went on
constexpr qint64 kNewYorkFall = 1636266600;  // 2021-11-07 06:30, when 01:30 came twice there

struct Tree {
    const char* label;
    std::vector<TreeFile> files;
    QStringList emptyFolders;
};

std::vector<Tree> Trees()
{
    return {
        {"folders and code page",
            {{"readme.txt", "read me", 1000000000}, {"data/maps/level1.map", Text(3000), 1000000100},
                {"donn\u00e9es/caf\u00e9.txt", "caf\xc3\xa9", 1000000200},
                {"Stra\u00dfe/\u20acuro.bin", Noise(100, 1), 1000000300}, {"empty.txt", {}, 1000000400},
                {"data/.hidden", "h", 1000000500}},
            {"nothing/inside", "data/maps/none"}},
        {"times across the range",
            {{"1980.txt", "old", k1980}, {"2037.txt", "late", k2037}, {"spring.txt", "dst", kBerlinSpring},
                {"fall.txt", "dst", kNewYorkFall}, {"odd/second.txt", "x", 1234567891}},
            {}},
        {"incompressible and compressible",
            {{"noise.bin", Noise(300000, 7), 1100000000}, {"zeros.bin", QByteArray(1 << 20, '\0'), 1100000001},
                {"text.txt", Text(200000), 1100000002}, {"tiny.txt", "ab", 1100000003}},
            {}},
    };
}

void BuildTree(const QString& root, const Tree& tree)
{
    for (const TreeFile& f : tree.files)
        PutFile(root + u'/' + f.path, f.bytes, f.modified);
    for (const QString& folder : tree.emptyFolders)
        ASSERT_TRUE(QDir().mkpath(root + u'/' + folder));
}

class PackInZone : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { ASSERT_TRUE(mTmp.isValid()); }
    QString path(const QString& name) const { return mTmp.filePath(name); }
    QTemporaryDir mTmp;
};

// create, then extract: every file comes back with its bytes and time, empty
// folders give nothing, the same files give the same archive, and test
// passes on it.
TEST_P(PackInZone, CreateThenExtractGivesTheFilesBack)
{
    const char* zone = GetParam();
    int n = 0;
    for (const Tree& tree : Trees()) {
        SCOPED_TRACE(tree.label);
        const QString source = path(QStringLiteral("src%1").arg(++n));
        BuildTree(source, tree);
        const QString archive = path(QStringLiteral("tree%1.big").arg(n));
        const PackRun created = RunIn(zone, {"create", archive, source});
        ASSERT_EQ(created.code, 0) << created.errors.toStdString();
        EXPECT_EQ(created.errors, "");

        const PackRun tested = RunIn(zone, {"test", archive});
        EXPECT_EQ(tested.code, 0) << tested.errors.toStdString();

        const QString dest = path(QStringLiteral("dest%1").arg(n));
        const PackRun extracted = RunIn(zone, {"extract", "-q", archive, dest});
        ASSERT_EQ(extracted.code, 0) << extracted.errors.toStdString();
        std::map<QString, FileState> expected;
        for (const TreeFile& f : tree.files)
            expected[f.path] = {f.bytes, f.modified};
        EXPECT_EQ(FilesBelow(dest), expected);
        for (const QString& folder : tree.emptyFolders)
            EXPECT_FALSE(QFileInfo::exists(dest + u'/' + folder)) << folder.toStdString();

        // Packing again later, from the extracted copy, gives the same bytes.
        const QString again = path(QStringLiteral("again%1.big").arg(n));
        ASSERT_EQ(RunIn(zone, {"create", again, dest}).code, 0);
        EXPECT_EQ(Bytes(again), Bytes(archive));
    }
}

// extract, then create, of an archive from the test kit: the same entries
// (names, content, times) in the same order.
TEST_P(PackInZone, ExtractThenCreateGivesTheSameEntries)
{
    const char* zone = GetParam();
    const std::vector<TestEntry> entries = {
        {.name = "a.txt", .data = "first", .timestamp = 0},
        {.name = "data\\maps\\level1.map", .data = Text(5000), .compress = true, .timestamp = 400000000},
        {.name = "data\\zeros.bin", .data = QByteArray(70000, '\0'), .compress = true, .timestamp = 2000000000},
        {.name = "donn\u00e9es\\\u20ac.txt", .data = "euro", .timestamp = 315532800},
        {.name = "empty.bin", .data = {}, .timestamp = -100},
    };
    const QString original = path("original.big");
    ASSERT_TRUE(WriteBigArchive(original, entries));
    const QString dest = path("dest");
    ASSERT_EQ(RunIn(zone, {"extract", "-q", original, dest}).code, 0);
    const QString again = path("again.big");
    const PackRun created = RunIn(zone, {"create", again, dest});
    ASSERT_EQ(created.code, 0) << created.errors.toStdString();

    cBig was;
    cBig now;
    ASSERT_TRUE(was.Load(original));
    ASSERT_TRUE(now.Load(again));
    ASSERT_EQ(now.FileCount(), was.FileCount());
    for (std::int32_t id = 0; id < was.FileCount(); ++id) {
        SCOPED_TRACE(was.GetFileName(id).toStdString());
        EXPECT_EQ(now.GetFileName(id), was.GetFileName(id));
        EXPECT_EQ(now.timestamp_seconds(id), was.timestamp_seconds(id));
        EXPECT_EQ(now.data_uncompressed_size(id), was.data_uncompressed_size(id));
        EXPECT_EQ(now.name_hash(id), was.name_hash(id));
    }
    const QString back = path("back");
    ASSERT_EQ(RunIn(zone, {"extract", "-q", again, back}).code, 0);
    EXPECT_EQ(FilesBelow(back), FilesBelow(dest));
    for (const TestEntry& e : entries)
        EXPECT_EQ(Bytes(back + u'/' + QString(e.name).replace(u'\\', u'/')), e.data) << e.name.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Zones, PackInZone, ::testing::Values("UTC", "Europe/Berlin", "America/New_York"),
    [](const ::testing::TestParamInfo<const char*>& p) {
        std::string name = p.param;
        for (char& c : name)
            if (c == '/')
                c = '_';
        return name;
    });

class PackTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(mTmp.isValid()); }
    QString path(const QString& name) const { return mTmp.filePath(name); }
    QTemporaryDir mTmp;
};

// An archive with the format's oddities kept by update: reserved bytes in
// the header and the records, masked name-length bits, a byte between name
// and data, areas in reverse order.
const std::vector<TestEntry> kOdd = {
    {.name = "a.txt", .data = "alpha", .timestamp = 1000, .maskedBits = 0x00010000, .gapByte = 0x77},
    {.name = "b\\b.bin", .data = Text(5000), .compress = true, .timestamp = 2000, .flagByte = 3},
    {.name = "C.txt", .data = "charlie", .timestamp = 3000, .maskedBits = 0x00600000},
};
const WriterOptions kOddOptions{
    .headerByte7 = 0x42, .headerReserved = 0x12345678, .entryReserved = 0x5A, .reverseAreas = true};

std::int32_t Int32At(const QByteArray& bytes, qint64 at)
{
    std::int32_t value = 0;
    std::memcpy(&value, bytes.constData() + at, 4);
    return value;
}

struct RawEntry {
    QByteArray record; // with the offset field zeroed
    QByteArray area;   // name, the byte after it, stored data
    qint64 areaStart;
};

std::vector<RawEntry> RawEntries(const QByteArray& archive)
{
    std::vector<RawEntry> entries;
    const std::int32_t count = Int32At(archive, big::kHeaderFileCountOffset);
    for (std::int32_t id = 0; id < count; ++id) {
        const qint64 at = big::kHeaderSize + qint64(id) * big::kEntrySize;
        RawEntry e;
        e.record = archive.mid(at, big::kEntrySize);
        e.areaStart = Int32At(archive, at + big::kEntryOffsetOffset);
        std::memset(e.record.data() + big::kEntryOffsetOffset, 0, 4);
        const qint64 length = big::EffectiveNameLength(Int32At(archive, at + big::kEntryNameLengthOffset)) + 1
            + Int32At(archive, at + big::kEntryPackedSizeOffset);
        e.area = archive.mid(e.areaStart, length);
        entries.push_back(e);
    }
    return entries;
}

// update with one file: every entry it does not name keeps its record (all
// but its offset) and its area byte for byte, in the old orders; the header
// keeps its reserved bytes.
TEST_F(PackTest, UpdateChangesOnlyTheEntriesItNames)
{
    struct Case {
        const char* label;
        QString file; // below the update folder, "" for none
        QByteArray bytes;
        QStringList extra;     // more arguments
        std::vector<int> kept; // old IDs copied, in new ID order
        int changedId;         // new ID of the replaced or added entry, -1 for none
    };
    const std::vector<Case> cases = {
        {"same-size replacement", "a.txt", "ALPHA", {}, {1, 2}, 0},
        {"another letter case, another size", "c.TXT", "a longer charlie", {}, {0, 1}, 2},
        {"a folder entry", "b/b.bin", "tiny", {}, {0, 2}, 1},
        {"an added entry", "new.txt", "new", {}, {0, 1, 2}, 3},
        {"a removal", "", {}, {"--remove", "B/B.BIN"}, {0, 2}, -1},
        {"a removal by glob", "", {}, {"--remove", "b/*.BIN"}, {0, 2}, -1},
        {"a removal of a folder and a name", "", {}, {"--remove", "b", "--remove", "c.txt"}, {0}, -1},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const QString archive = path(QStringLiteral("odd%1.big").arg(++n));
        ASSERT_TRUE(WriteBigArchive(archive, kOdd, kOddOptions));
        const QByteArray before = Bytes(archive);
        QStringList arguments = {"update", "-0", archive};
        arguments += c.extra;
        if (!c.file.isEmpty()) {
            const QString folder = path(QStringLiteral("patch%1").arg(n));
            PutFile(folder + u'/' + c.file, c.bytes, 1000);
            arguments << folder;
        }
        const PackRun run = RunIn("UTC", arguments);
        ASSERT_EQ(run.code, 0) << run.errors.toStdString();
        const QByteArray after = Bytes(archive);
        EXPECT_EQ(RunIn("UTC", {"test", archive}).code, 0);

        EXPECT_EQ(after.left(big::kHeaderFileCountOffset), before.left(big::kHeaderFileCountOffset));
        EXPECT_EQ(after.mid(12, 4), before.mid(12, 4));
        const std::vector<RawEntry> was = RawEntries(before);
        const std::vector<RawEntry> now = RawEntries(after);
        ASSERT_EQ(now.size(), c.kept.size() + (c.changedId >= 0 ? 1 : 0));
        std::size_t next = 0;
        for (std::size_t id = 0; id < now.size(); ++id) {
            if (static_cast<int>(id) == c.changedId)
                continue;
            const RawEntry& old = was[static_cast<std::size_t>(c.kept[next++])];
            EXPECT_EQ(now[id].record, old.record) << "entry " << id;
            EXPECT_EQ(now[id].area, old.area) << "entry " << id;
        }
        // The areas keep their order (reverse here); an added one comes last.
        std::vector<int> oldIdOf;
        next = 0;
        for (std::size_t id = 0; id < now.size(); ++id) {
            if (static_cast<int>(id) == c.changedId)
                oldIdOf.push_back(c.changedId < static_cast<int>(was.size()) ? c.changedId : -1);
            else
                oldIdOf.push_back(c.kept[next++]);
        }
        for (std::size_t i = 0; i < now.size(); ++i) {
            for (std::size_t j = 0; j < now.size(); ++j) {
                const bool nowBefore = now[i].areaStart < now[j].areaStart;
                if (oldIdOf[i] < 0 || oldIdOf[j] < 0)
                    EXPECT_EQ(nowBefore, oldIdOf[j] < 0 && i != j) << i << " against " << j;
                else
                    EXPECT_EQ(nowBefore, was[oldIdOf[i]].areaStart < was[oldIdOf[j]].areaStart)
                        << i << " against " << j;
            }
        }
        if (c.changedId >= 0) {
            const QString dest = path(QStringLiteral("out%1").arg(n));
            ASSERT_EQ(RunIn("UTC", {"extract", "-q", archive, dest}).code, 0);
            EXPECT_EQ(Bytes(dest + u'/' + c.file), c.bytes);
        }
        // Without shifted areas, the bytes that differ are the changed entry's
        // record and area and nothing else (cmp -l).
        if (QByteArray(c.label) == "same-size replacement") {
            ASSERT_EQ(after.size(), before.size());
            const qint64 record = big::kHeaderSize + qint64(c.changedId) * big::kEntrySize;
            const RawEntry& changed = now[static_cast<std::size_t>(c.changedId)];
            for (qint64 i = 0; i < after.size(); ++i) {
                if (after[i] == before[i])
                    continue;
                const bool inRecord = i >= record && i < record + big::kEntrySize;
                const bool inArea = i >= changed.areaStart && i < changed.areaStart + changed.area.size();
                EXPECT_TRUE(inRecord || inArea) << "byte " << i << " differs";
            }
        }
    }
}

// A write that fails leaves the old archive as it was and no temporary file:
// a folder that takes no new file, and a file size limit.
TEST_F(PackTest, AFailedUpdateLeavesTheArchiveAlone)
{
    PutFile(path("patch/big.bin"), Noise(256 * 1024, 3));
    struct Case {
        const char* label;
        bool readOnlyFolder;
        bool toOther;
        std::function<void()> inChild;
        QString errorHas;
    };
    const std::vector<Case> cases = {
        {"read-only folder, in place", true, false, {}, "Permission denied"},
        {"read-only folder, -o beside it", true, true, {}, "Permission denied"},
        {"file size limit", false, false,
            [] {
                struct rlimit limit {
                    64 * 1024, 64 * 1024
                };
                ::setrlimit(RLIMIT_FSIZE, &limit);
                ::signal(SIGXFSZ, SIG_DFL);
            },
            "File too large"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        if (c.readOnlyFolder && ::geteuid() == 0) {
            std::cout << "skipped as root, whom permission bits do not stop: " << c.label << '\n';
            continue;
        }
        const QString folder = path(QStringLiteral("case%1").arg(++n));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString archive = folder + "/game.big";
        ASSERT_TRUE(WriteBigArchive(archive, kOdd, kOddOptions));
        const QByteArray before = Bytes(archive);
        if (c.readOnlyFolder) {
            ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        }
        QStringList arguments = {"update", archive, path("patch")};
        if (c.toOther)
            arguments = QStringList{"update", "-o", folder + "/new.big", archive, path("patch")};
        const PackRun run = RunIn("UTC", arguments, c.inChild);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        EXPECT_EQ(run.code, 2);
        EXPECT_TRUE(run.errors.contains(c.errorHas)) << run.errors.toStdString();
        EXPECT_TRUE(run.errors.contains("nothing written")) << run.errors.toStdString();
        EXPECT_EQ(Bytes(archive), before);
        EXPECT_EQ(FolderEntries(folder), QStringList{"game.big"});
    }
}

// Inputs that are refused: nothing is written (an old output keeps its
// bytes), the status is 1 and the message says why.
TEST_F(PackTest, RefusedInputsWriteNothing)
{
    struct Case {
        const char* label;
        std::function<QStringList(const QString& folder)> prepare; // the arguments after the verb's output
        QString errorHas;
    };
    const std::vector<Case> cases = {
        {"a name Windows-1252 cannot spell",
            [](const QString& f) {
                PutFile(f + "/in/\u65e5\u672c.txt", "x");
                return QStringList{f + "/in"};
            },
            "Windows-1252"},
        {"a device name",
            [](const QString& f) {
                PutFile(f + "/in/data/con.txt", "x");
                return QStringList{f + "/in"};
            },
            "reserved device name"},
        {"a colon",
            [](const QString& f) {
                PutFile(f + "/in/ab:c.txt", "x");
                return QStringList{f + "/in"};
            },
            "\":\""},
        {"a control character",
            [](const QString& f) {
                PutFile(f + "/in/bell\u0007.txt", "x");
                return QStringList{f + "/in"};
            },
            "control character"},
        {"a backslash in a file name",
            [](const QString& f) {
                PutFile(f + "/in/a\\b.txt", "x");
                return QStringList{f + "/in"};
            },
            "folder separator"},
        {"the same name from two arguments",
            [](const QString& f) {
                PutFile(f + "/one/Data/A.TXT", "x");
                PutFile(f + "/two/data/a.txt", "y");
                return QStringList{f + "/one", f + "/two"};
            },
            "would both be the entry"},
        {"a name that is also another's folder",
            [](const QString& f) {
                PutFile(f + "/one/data/maps", "x");
                PutFile(f + "/two/Data/Maps/level.map", "y");
                return QStringList{f + "/one", f + "/two"};
            },
            "would be both a file and a folder"},
        {"the output among the inputs",
            [](const QString& f) {
                PutFile(f + "/in/a.txt", "x");
                return QStringList{f};
            },
            "output archive"},
        {"more than 2 GiB",
            [](const QString& f) {
                PutFile(f + "/in/a.txt", "x");
                QFile sparse(f + "/in/sparse.bin");
                EXPECT_TRUE(sparse.open(QIODevice::WriteOnly));
                EXPECT_TRUE(sparse.resize(qint64(1) << 31));
                return QStringList{f + "/in"};
            },
            "format holds at most 2147483647"},
        {"a missing argument", [](const QString& f) { return QStringList{f + "/absent"}; }, "No such file"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const QString folder = path(QStringLiteral("case%1").arg(++n));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString out = folder + "/out.big";
        PutFile(out, "OLD");
        const PackRun run = RunIn("UTC", QStringList{"create", out} + c.prepare(folder));
        EXPECT_EQ(run.code, 1);
        EXPECT_TRUE(run.errors.startsWith("pelkora-cli: ")) << run.errors.toStdString();
        EXPECT_TRUE(run.errors.contains(c.errorHas)) << run.errors.toStdString();
        EXPECT_EQ(Bytes(out), "OLD");
        EXPECT_EQ(FolderEntries(folder).filter(".tmp"), QStringList());
    }

    const QString archive = path("kept.big");
    ASSERT_TRUE(WriteBigArchive(archive, kOdd, kOddOptions));
    const QByteArray before = Bytes(archive);
    PutFile(path("patch/a.txt"), "a");
    const struct {
        QStringList arguments;
        QString errorHas;
    } updates[] = {
        {{"update", "--remove", "missing.txt", archive}, "\"missing.txt\": not in the archive"},
        {{"update", "--remove", "a.txt", archive, path("patch")}, "both removed and given"},
        {{"update", archive, archive}, "output archive"},
    };
    for (const auto& u : updates) {
        SCOPED_TRACE(u.arguments.join(' ').toStdString());
        const PackRun run = RunIn("UTC", u.arguments);
        EXPECT_EQ(run.code, 1);
        EXPECT_TRUE(run.errors.contains(u.errorHas)) << run.errors.toStdString();
        EXPECT_EQ(Bytes(archive), before);
    }
}

// Symbolic links and special files below a DIR are skipped with a warning;
// --follow packs what a link points to.
TEST_F(PackTest, LinksAreSkippedUnlessFollowed)
{
    PutFile(path("in/real.txt"), "real");
    PutFile(path("elsewhere/target.txt"), "target");
    ASSERT_EQ(::symlink(QFile::encodeName(path("elsewhere/target.txt")).constData(),
                  QFile::encodeName(path("in/link.txt")).constData()),
        0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("in/pipe")).constData(), 0600), 0);

    const PackRun plain = RunIn("UTC", {"create", path("plain.big"), path("in")});
    EXPECT_EQ(plain.code, 0);
    EXPECT_TRUE(plain.errors.contains("link.txt: skipped, a symbolic link")) << plain.errors.toStdString();
    EXPECT_TRUE(plain.errors.contains("pipe: skipped, not a regular file")) << plain.errors.toStdString();
    EXPECT_EQ(RunIn("UTC", {"list", path("plain.big")}).out.count(u'\n'), 1);

    const PackRun followed = RunIn("UTC", {"create", "--follow", path("followed.big"), path("in")});
    EXPECT_EQ(followed.code, 0);
    const QString listed = RunIn("UTC", {"list", path("followed.big")}).out;
    EXPECT_TRUE(listed.contains("link.txt\t6\t")) << listed.toStdString();
    EXPECT_EQ(listed.count(u'\n'), 2);
}

} // namespace

namespace {

// SIGINT or SIGTERM while an archive is being written: the temporary file is
// removed, no archive appears (an old one keeps its bytes), and the tool ends
// by the signal.
TEST_F(PackTest, InterruptedCreateLeavesNothing)
{
    {
        QFile sparse(path("in/large.bin"));
        ASSERT_TRUE(QDir().mkpath(path("in")));
        ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
        ASSERT_TRUE(sparse.resize(qint64(64) << 20));
    }
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        for (const bool existing : {false, true}) {
            SCOPED_TRACE(std::to_string(signalNumber) + (existing ? " over an old archive" : " as a new one"));
            const QString folder = path(QStringLiteral("out-%1-%2").arg(signalNumber).arg(existing));
            ASSERT_TRUE(QDir().mkpath(folder));
            const QString out = folder + "/out.big";
            if (existing)
                PutFile(out, "OLD");
            QProcess process;
            process.start(QStringLiteral(PELKORA_CLI_PATH), {"create", "-q", "-0", out, path("in")});
            ASSERT_TRUE(process.waitForStarted());
            while (FolderEntries(folder).filter(".tmp").isEmpty() && process.state() == QProcess::Running)
                ::usleep(200);
            ASSERT_FALSE(FolderEntries(folder).filter(".tmp").isEmpty()) << "the write was not caught under way";
            ::kill(static_cast<pid_t>(process.processId()), signalNumber);
            ASSERT_TRUE(process.waitForFinished(60000));
            EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
            EXPECT_EQ(FolderEntries(folder), existing ? QStringList{"out.big"} : QStringList());
            if (existing) {
                EXPECT_EQ(Bytes(out), "OLD");
            }
        }
    }
}

} // namespace
