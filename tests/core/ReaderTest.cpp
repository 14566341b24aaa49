#include "BigWriter.h"
#include "LzssEncoder.h"
#include "OpenDescriptors.h"
#include "archive/BigFormat.h"
#include "archive/BigRuntimeError.h"
#include "archive/cBig.h"
#include "support/Crc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace pelkora;
using pelkora::testsupport::BuildBigArchive;
using pelkora::testsupport::TestEntry;
using pelkora::testsupport::WriterOptions;

namespace {

void putInt32(QByteArray& bytes, qsizetype at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFFu);
}

qsizetype recordField(int ID, int fieldOffset)
{
    return big::kHeaderSize + static_cast<qsizetype>(ID) * big::kEntrySize + fieldOffset;
}

std::vector<TestEntry> sampleEntries()
{
    return {TestEntry{.name = "data\\x.txt", .data = "hello", .timestamp = 0},
        TestEntry{.name = "y.bin", .data = QByteArray(300, 'z'), .compress = true, .timestamp = 1},
        TestEntry{.name = "art\\sub\\tree.tga", .data = "TGA", .timestamp = -1}};
}

// Expects `call` to raise the reader's run-time failure with `source`, and
// the reader's record to hold the same number and description.
void expectRuntimeFailure(cBig& reader, const char* source, const std::function<void()>& call)
{
    try {
        call();
        ADD_FAILURE() << "no failure raised from " << source;
    } catch (const BigRuntimeError& e) {
        EXPECT_EQ(e.source(), QString::fromLatin1(source));
        EXPECT_NE(e.number(), 0);
        EXPECT_FALSE(e.number() >= cError::FileNotFound && e.number() <= cError::IdOutOfBounds) << e.number();
        EXPECT_FALSE(e.description().isEmpty());
        EXPECT_EQ(QString::fromUtf8(e.what()), e.description());
        EXPECT_EQ(reader.Error().Number(), e.number());
        EXPECT_EQ(reader.Error().Description(), e.description());
    }
}

class Reader : public ::testing::Test {
protected:
    QString write(const QByteArray& bytes, const char* name = "a.big")
    {
        const QString path = mDir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(testsupport::WriteFile(path, bytes));
        return path;
    }

    QString write(const std::vector<TestEntry>& entries, const WriterOptions& options = {})
    {
        return write(BuildBigArchive(entries, options));
    }

    void expectClear(const cBig& reader)
    {
        EXPECT_EQ(reader.Error().Number(), 0);
        EXPECT_EQ(reader.Error().Description(), "");
    }

    void expectError(const cBig& reader, int number, const char* text)
    {
        EXPECT_EQ(reader.Error().Number(), number);
        EXPECT_EQ(reader.Error().Description(), QString::fromLatin1(text));
    }

    QTemporaryDir mDir;
};

} // namespace

TEST_F(Reader, LoadsAndReadsEntries)
{
    const QString path = write(sampleEntries());
    cBig reader;
    ASSERT_TRUE(reader.Load(path));
    expectClear(reader);
    EXPECT_TRUE(reader.Loaded());
    EXPECT_EQ(reader.Name(), path);
    EXPECT_EQ(reader.FileCount(), 3);
    EXPECT_EQ(reader.GetFileName(0), "data\\x.txt");
    EXPECT_EQ(reader.GetFileBlob(0), "hello");
    EXPECT_EQ(reader.GetFileName(2), "art\\sub\\tree.tga");
    EXPECT_EQ(reader.GetFileBlob(2), "TGA");
    EXPECT_FALSE(reader.data_compressed_flag(0));
    EXPECT_TRUE(reader.data_compressed_flag(1));
    EXPECT_EQ(reader.data_compressed_size(1), testsupport::LzssEncode(QByteArray(300, 'z')).size());
    EXPECT_EQ(reader.data_uncompressed_size(1), 300);
    EXPECT_EQ(reader.GetFileBlob(1), testsupport::LzssEncode(QByteArray(300, 'z')));
    EXPECT_EQ(reader.FindFile(NameKey("Y.BIN")), 1);
    EXPECT_EQ(reader.FindFile(NameKey("ART\\Sub\\Tree.tga")), 2);
    expectClear(reader);
}

TEST_F(Reader, ALongDirectoryIsReadWholeAcrossItsReadPieces)
{
    // The directory is read in pieces of many records; every record on
    // either side of a piece's end must land at its own ID.
    constexpr int count = 2 * 32768 + 5;
    std::vector<TestEntry> entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i)
        entries.push_back(TestEntry{.name = QStringLiteral("d\\%1.bin").arg(i),
            .data = QByteArray(i % 7, static_cast<char>('a' + i % 26)),
            .timestamp = i});
    cBig reader;
    ASSERT_TRUE(reader.Load(write(entries)));
    ASSERT_EQ(reader.FileCount(), count);
    for (const int id : {0, 1, 32767, 32768, 32769, 65535, 65536, count - 1}) {
        SCOPED_TRACE(id);
        const QString name = QStringLiteral("d\\%1.bin").arg(id);
        EXPECT_EQ(reader.GetFileName(id), name);
        EXPECT_EQ(reader.GetFileBlob(id), entries[static_cast<std::size_t>(id)].data);
        EXPECT_EQ(reader.timestamp_seconds(id), id);
        EXPECT_EQ(reader.FindFile(NameKey(name)), id);
    }
}

// ---- The reader's own numbered errors ----

TEST_F(Reader, MissingPathOrDirectoryIsFileNotFound)
{
    for (const QString& path : {mDir.filePath("absent.big"), mDir.path(), QString()}) {
        cBig reader;
        EXPECT_FALSE(reader.Load(path)) << path.toStdString();
        expectError(reader, 1001, "File not found.");
        EXPECT_FALSE(reader.Loaded());
        EXPECT_EQ(reader.Name(), "");
    }
}

TEST_F(Reader, WrongSignatureIsNotABigFileAndLeavesTheReaderEmpty)
{
    const QString path = write(sampleEntries(), WriterOptions{.signature = QByteArray("RBF1.24")});
    cBig reader;
    EXPECT_FALSE(reader.Load(path));
    expectError(reader, 1002, "File is not a Big file.");
    EXPECT_FALSE(reader.Loaded());
    EXPECT_EQ(reader.Name(), "");
    EXPECT_EQ(testsupport::OpenDescriptorsOn(path), 0);
    // The same reader may load again.
    const QString good = write(BuildBigArchive(sampleEntries()), "good.big");
    EXPECT_TRUE(reader.Load(good));
    EXPECT_EQ(reader.Name(), good);
}

TEST_F(Reader, EveryMemberBeforeLoadIsNotLoaded)
{
    cBig reader;
    EXPECT_EQ(reader.FindFile(NameKey("x")), -1);
    expectError(reader, 1003, "No Big file has been loaded.");
    EXPECT_EQ(reader.GetFileName(0), "");
    expectError(reader, 1003, "No Big file has been loaded.");
    EXPECT_EQ(reader.GetFileBlob(0), QByteArray());
    expectError(reader, 1003, "No Big file has been loaded.");
    EXPECT_EQ(reader.data_compressed_size(0), 0);
    expectError(reader, 1003, "No Big file has been loaded.");
    EXPECT_EQ(reader.data_uncompressed_size(0), 0);
    expectError(reader, 1003, "No Big file has been loaded.");
    EXPECT_EQ(reader.timestamp(0), "");
    expectError(reader, 1003, "No Big file has been loaded.");
    EXPECT_FALSE(reader.data_compressed_flag(0));
    expectError(reader, 1003, "No Big file has been loaded.");
    EXPECT_FALSE(reader.Loaded());
    EXPECT_EQ(reader.Name(), "");
}

TEST_F(Reader, UnknownHashIsNotFoundInArchive)
{
    cBig reader;
    ASSERT_TRUE(reader.Load(write(sampleEntries())));
    EXPECT_EQ(reader.FindFile(NameKey("nothing.here")), -1);
    expectError(reader, 1004, "File not found in archive.");
    // A hash with only one matching half is no match either.
    const std::uint64_t real = NameKey("y.bin");
    EXPECT_EQ(reader.FindFile(real ^ 1u), -1);
    EXPECT_EQ(reader.FindFile(real ^ (std::uint64_t{1} << 40)), -1);
    expectError(reader, 1004, "File not found in archive.");
    EXPECT_EQ(reader.FindFile(real), 1);
    expectClear(reader);
}

TEST_F(Reader, IdsOutsideTheDirectoryAreOutOfBoundsForEveryMember)
{
    cBig reader;
    ASSERT_TRUE(reader.Load(write(sampleEntries())));
    for (std::int32_t id : {-1, -2147483647 - 1, 3, 4, 2147483647}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(reader.GetFileName(id), "");
        expectError(reader, 1005, "ID out of bounds.");
        EXPECT_EQ(reader.GetFileBlob(id), QByteArray());
        expectError(reader, 1005, "ID out of bounds.");
        EXPECT_EQ(reader.data_compressed_size(id), 0);
        expectError(reader, 1005, "ID out of bounds.");
        EXPECT_EQ(reader.data_uncompressed_size(id), 0);
        expectError(reader, 1005, "ID out of bounds.");
        EXPECT_EQ(reader.timestamp(id), "");
        expectError(reader, 1005, "ID out of bounds.");
        EXPECT_FALSE(reader.data_compressed_flag(id));
        expectError(reader, 1005, "ID out of bounds.");
    }
}

TEST_F(Reader, SuccessfulMembersClearTheRecord)
{
    cBig reader;
    ASSERT_TRUE(reader.Load(write(sampleEntries())));
    const std::vector<std::function<void()>> members = {
        [&] { EXPECT_EQ(reader.FindFile(NameKey("y.bin")), 1); },
        [&] { EXPECT_EQ(reader.GetFileName(0), "data\\x.txt"); },
        [&] { EXPECT_EQ(reader.GetFileBlob(0), "hello"); },
        [&] { EXPECT_EQ(reader.data_compressed_size(0), 5); },
        [&] { EXPECT_EQ(reader.data_uncompressed_size(0), 5); },
        [&] { EXPECT_FALSE(reader.timestamp(0).isEmpty()); },
        [&] { EXPECT_TRUE(reader.data_compressed_flag(1)); },
    };
    for (std::size_t i = 0; i < members.size(); ++i) {
        SCOPED_TRACE(i);
        reader.GetFileName(99); // leaves 1005 behind
        ASSERT_EQ(reader.Error().Number(), 1005);
        members[i]();
        expectClear(reader);
    }
}

TEST_F(Reader, SecondLoadIsRefusedWithoutAnError)
{
    const QString first = write(sampleEntries());
    const QString second = write(BuildBigArchive({TestEntry{.name = "other", .data = "o"}}), "b.big");
    cBig reader;
    ASSERT_TRUE(reader.Load(first));
    reader.GetFileName(99);
    EXPECT_FALSE(reader.Load(second));
    expectClear(reader);
    EXPECT_TRUE(reader.Loaded());
    EXPECT_EQ(reader.Name(), first);
    EXPECT_EQ(reader.FileCount(), 3);
    EXPECT_EQ(reader.GetFileName(0), "data\\x.txt");
    // Even a path that does not exist gets no error now.
    EXPECT_FALSE(reader.Load(mDir.filePath("absent.big")));
    expectClear(reader);
}

TEST_F(Reader, ArchiveStaysOpenWhileLoadedAndClosesWithTheReader)
{
    const QString path = write(sampleEntries());
    {
        cBig reader;
        ASSERT_TRUE(reader.Load(path));
        EXPECT_EQ(testsupport::OpenDescriptorsOn(path), 1);
    }
    EXPECT_EQ(testsupport::OpenDescriptorsOn(path), 0);
}

// ---- Format oddities ----

TEST_F(Reader, EmptyArchiveLoads)
{
    cBig reader;
    ASSERT_TRUE(reader.Load(write(std::vector<TestEntry>{})));
    expectClear(reader);
    EXPECT_EQ(reader.FileCount(), 0);
    EXPECT_EQ(reader.FindFile(NameKey("x")), -1);
    EXPECT_EQ(reader.Error().Number(), 1004);
    EXPECT_EQ(reader.GetFileName(0), "");
    EXPECT_EQ(reader.Error().Number(), 1005);
}

TEST_F(Reader, ZeroNameLengthAndZeroPackedSizeAreEmptyNotErrors)
{
    cBig reader;
    ASSERT_TRUE(reader.Load(write({TestEntry{.name = "", .data = ""},
        TestEntry{.name = "n", .data = "", .compress = false}})));
    EXPECT_EQ(reader.GetFileName(0), "");
    expectClear(reader);
    EXPECT_EQ(reader.GetFileBlob(0), QByteArray());
    expectClear(reader);
    EXPECT_EQ(reader.GetFileName(1), "n");
    EXPECT_EQ(reader.GetFileBlob(1), QByteArray());
    expectClear(reader);
    EXPECT_EQ(reader.data_compressed_size(1), 0);
}

TEST_F(Reader, MaskedNameLengthBitsAreNotPartOfTheLength)
{
    for (std::uint32_t bits : {0x00010000u, 0x00020000u, 0x00040000u, 0x00200000u, 0x00400000u, 0x00670000u}) {
        SCOPED_TRACE(bits);
        const QByteArray bytes = BuildBigArchive({TestEntry{.name = "abcde", .data = "DATA", .maskedBits = bits},
            TestEntry{.name = "second", .data = "2"}});
        cBig reader;
        ASSERT_TRUE(reader.Load(write(bytes)));
        EXPECT_EQ(reader.GetFileName(0), "abcde");
        EXPECT_EQ(reader.GetFileBlob(0), "DATA");
        EXPECT_EQ(reader.GetFileName(1), "second");
    }
    // Bits outside the mask count: 5 | 0x00080000 is no 5-byte name.
    const QByteArray counted =
        BuildBigArchive({TestEntry{.name = "abcde", .data = "DATA", .nameLength = 5 | 0x00080000}});
    cBig reader;
    ASSERT_TRUE(reader.Load(write(counted)));
    expectRuntimeFailure(reader, "GetFileName", [&] { reader.GetFileName(0); });
}

TEST_F(Reader, DataStartsOneByteAfterTheName)
{
    // Field 5 with all masked bits set, data at entry_offset + 6.
    QByteArray bytes = BuildBigArchive({TestEntry{.name = "abcde", .data = "xyz", .maskedBits = 0x00670000}});
    const qsizetype area = big::kHeaderSize + big::kEntrySize;
    EXPECT_EQ(bytes.mid(area + 6, 3), "xyz");
    cBig reader;
    ASSERT_TRUE(reader.Load(write(bytes)));
    EXPECT_EQ(reader.GetFileBlob(0), "xyz");
}

TEST_F(Reader, TheByteBetweenNameAndDataIsIgnored)
{
    for (std::uint8_t gap : {0x00, 0x01, 0x7F, 0xFF}) {
        cBig reader;
        ASSERT_TRUE(reader.Load(write({TestEntry{.name = "n.txt", .data = "payload", .gapByte = gap}})));
        EXPECT_EQ(reader.GetFileName(0), "n.txt") << int(gap);
        EXPECT_EQ(reader.GetFileBlob(0), "payload") << int(gap);
    }
}

TEST_F(Reader, ReservedBytesAreIgnored)
{
    const WriterOptions junk{.headerByte7 = 0xEE, .headerReserved = -123456, .entryReserved = 0xA5};
    cBig reader;
    ASSERT_TRUE(reader.Load(write(sampleEntries(), junk)));
    EXPECT_EQ(reader.FileCount(), 3);
    EXPECT_EQ(reader.GetFileName(2), "art\\sub\\tree.tga");
    EXPECT_EQ(reader.GetFileBlob(0), "hello");
    EXPECT_FALSE(reader.data_compressed_flag(0));
    EXPECT_TRUE(reader.data_compressed_flag(1));
}

TEST_F(Reader, EntryAreasInAnyOrderAndWithGaps)
{
    cBig reader;
    ASSERT_TRUE(reader.Load(write(sampleEntries(), WriterOptions{.reverseAreas = true, .gapBetweenAreas = 13})));
    EXPECT_EQ(reader.GetFileName(0), "data\\x.txt");
    EXPECT_EQ(reader.GetFileBlob(0), "hello");
    EXPECT_EQ(reader.GetFileName(1), "y.bin");
    EXPECT_EQ(reader.GetFileName(2), "art\\sub\\tree.tga");
    EXPECT_EQ(reader.GetFileBlob(2), "TGA");
}

TEST_F(Reader, AnyNonZeroFlagByteMeansCompressed)
{
    std::vector<TestEntry> entries;
    for (std::uint8_t flag : {0x00, 0x01, 0x80, 0xFF})
        entries.push_back(TestEntry{.name = QStringLiteral("f%1").arg(flag), .data = "d", .flagByte = flag});
    cBig reader;
    ASSERT_TRUE(reader.Load(write(entries)));
    EXPECT_FALSE(reader.data_compressed_flag(0));
    EXPECT_TRUE(reader.data_compressed_flag(1));
    EXPECT_TRUE(reader.data_compressed_flag(2));
    EXPECT_TRUE(reader.data_compressed_flag(3));
    // The stored bytes come back as they are, whatever the flag.
    EXPECT_EQ(reader.GetFileBlob(3), "d");
}

TEST_F(Reader, EqualHashesFindTheLowestId)
{
    const std::uint64_t shared = 0x0123456789ABCDEFull;
    std::vector<TestEntry> entries;
    for (int i = 0; i < 9; ++i) {
        TestEntry e{.name = QStringLiteral("e%1").arg(i), .data = "d"};
        if (i == 3 || i == 7)
            e.hash = shared;
        entries.push_back(e);
    }
    cBig reader;
    ASSERT_TRUE(reader.Load(write(entries)));
    EXPECT_EQ(reader.FindFile(shared), 3);
    expectClear(reader);
    EXPECT_EQ(reader.FindNextFile(shared, 3), 7);
    EXPECT_EQ(reader.FindNextFile(shared, 7), -1);
    // Entries with hashes that do not match their names are still listed.
    EXPECT_EQ(reader.GetFileName(7), "e7");
    EXPECT_EQ(reader.FindFile(NameKey("e3")), -1);
    EXPECT_EQ(reader.FindFile(NameKey("e8")), 8);
}

// Names of odd length that differ only in their last character share a
// hash; far more twins than the reader walks one by one still resolve to the
// right (lowest) ID, by any letter case, and an unreadable name never matches.
TEST_F(Reader, FullNamesResolveThroughManyHashTwins)
{
    std::vector<TestEntry> entries;
    const QString alphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");
    for (const QChar c : alphabet)
        entries.push_back({.name = QStringLiteral("tw") + c, .data = "d"});
    entries.push_back({.name = "TWA", .data = "later twin of twa"});
    entries.push_back({.name = "broken", .data = "d", .offset = 1 << 30});
    entries.push_back({.name = "other.txt", .data = "d"});
    cBig reader;
    ASSERT_TRUE(reader.Load(write(entries)));
    for (const QChar c : alphabet)
        ASSERT_EQ(NameKey(QStringLiteral("tw") + c), NameKey("twa")) << "the twins must share a hash";

    struct Case {
        QString query;
        std::int32_t id;
    };
    const std::vector<Case> cases = {
        {"twa", 0},
        {"TWA", 0},
        {"tw9", 35},
        {"Tw5", 31},
        {"twz", 25},
        {"other.txt", 38},
        {"OTHER.TXT", 38},
        {"tw!", -1},
        {"broken", -1},
        {"missing", -1},
        {"tw", -1},
    };
    for (const bool afterIndex : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.query.toStdString() + (afterIndex ? " (indexed)" : ""));
            EXPECT_EQ(reader.FindFullName(c.query), c.id);
            expectClear(reader);
        }
    }
}

TEST_F(Reader, Windows1252NamesRoundTripAndHashAsStored)
{
    const QString name = QStringLiteral("Ünïcödé€.txt");
    const QString nested = QStringLiteral("Grüße\\Straße ½.txt");
    cBig reader;
    ASSERT_TRUE(reader.Load(write({TestEntry{.name = name, .data = "x"}, TestEntry{.name = nested, .data = "y"}})));
    EXPECT_EQ(reader.GetFileName(0), name);
    EXPECT_EQ(reader.GetFileName(1), nested);
    EXPECT_EQ(reader.FindFile(NameKey(nested)), 1);
    EXPECT_EQ(reader.name_hash(0), NameKey(name));
    EXPECT_EQ(reader.FindFile(NameKey(name.toUpper())), 0);
    EXPECT_EQ(reader.FindFile(GetCrc64(name.toLower())), 0);
}

TEST_F(Reader, EveryByteValueOfANameDecodes)
{
    QByteArray raw;
    for (int b = 1; b < 256; ++b)
        raw.append(static_cast<char>(b));
    cBig reader;
    ASSERT_TRUE(reader.Load(write({TestEntry{.data = "x", .rawName = raw}})));
    const QString name = reader.GetFileName(0);
    expectClear(reader);
    EXPECT_EQ(name.size(), raw.size());
    EXPECT_EQ(name[0x41 - 1], u'A');
    EXPECT_EQ(name[0x80 - 1], QChar(0x20AC)); // euro sign
}

TEST_F(Reader, TimestampTextOfTheEpochAndOneSecondAfter)
{
    const QLocale saved;
    QLocale::setDefault(QLocale::c());
    cBig reader;
    ASSERT_TRUE(reader.Load(write(sampleEntries())));
    EXPECT_EQ(reader.timestamp(0), "1 Jan 1970");
    EXPECT_EQ(reader.timestamp(1), "1 Jan 1970 00:00:01");
    EXPECT_EQ(reader.timestamp(2), "31 Dec 1969 23:59:59");
    EXPECT_EQ(reader.timestamp_seconds(2), -1);
    QLocale::setDefault(saved);
}

// ---- Malformed archives: each ends in a clear error ----

namespace {

enum class Outcome {
    NotABigFile,     // Load false with 1002
    LoadFails,       // Load raises
    NameFails,       // entry 0's GetFileName raises
    BlobFails,       // entry 0's GetFileBlob raises (its name reads)
    NameAndBlobFail, // both raise
};

struct Malformed {
    std::string name;
    std::function<QByteArray()> build;
    Outcome outcome;

    friend void PrintTo(const Malformed& m, std::ostream* os) { *os << m.name; }
};

QByteArray validArchive()
{
    return BuildBigArchive({TestEntry{.name = "dir\\first.txt", .data = "first data"},
        TestEntry{.name = "second.txt", .data = "second data", .compress = true}});
}

QByteArray withInt32(QByteArray bytes, qsizetype at, std::int64_t value)
{
    putInt32(bytes, at, static_cast<std::uint32_t>(value));
    return bytes;
}

std::vector<Malformed> malformedArchives()
{
    std::vector<Malformed> cases;
    const QByteArray valid = validArchive();
    const std::int64_t size = valid.size();
    for (int n = 0; n < 16; ++n) {
        // A good signature followed by too little header is cut short.
        cases.push_back({"ShortFile" + std::to_string(n) + "Bytes", [valid, n] { return valid.left(n); },
            n < 7 ? Outcome::NotABigFile : Outcome::LoadFails});
        cases.push_back({"ShortZeros" + std::to_string(n) + "Bytes", [n] { return QByteArray(n, '\0'); },
            Outcome::NotABigFile});
    }
    cases.push_back({"LowerCaseSignature", [valid] { return QByteArray("rbf1.23") + valid.mid(7); },
        Outcome::NotABigFile});
    cases.push_back({"MixedCaseSignature", [valid] { return QByteArray("Rbf1.23") + valid.mid(7); },
        Outcome::NotABigFile});
    for (int i = 0; i < 7; ++i) {
        for (std::uint8_t flip : {0x01, 0x20, 0x80}) {
            cases.push_back({"SignatureByte" + std::to_string(i) + "Xor" + std::to_string(flip),
                [valid, i, flip] {
                    QByteArray b = valid;
                    b[i] = static_cast<char>(b[i] ^ flip);
                    return b;
                },
                Outcome::NotABigFile});
        }
    }
    cases.push_back({"NulInsideSignature", [valid] { return QByteArray("RBF1.2\0", 7) + valid.mid(7); },
        Outcome::NotABigFile});
    const qsizetype count = big::kHeaderFileCountOffset;
    for (std::int64_t n : {-1LL, -2147483648LL, 1000LL, 0x07FFFFFFLL, 0x7FFFFFFFLL})
        cases.push_back({"FileCount" + (n < 0 ? "Minus" + std::to_string(-n) : std::to_string(n)),
            [valid, n] { return withInt32(valid, count, n); }, Outcome::LoadFails});
    cases.push_back({"DirectoryCutShort", [valid] { return valid.left(big::kHeaderSize + big::kEntrySize + 31); },
        Outcome::LoadFails});

    const qsizetype offset0 = recordField(0, big::kEntryOffsetOffset);
    const qsizetype nameLength0 = recordField(0, big::kEntryNameLengthOffset);
    const qsizetype packed0 = recordField(0, big::kEntryPackedSizeOffset);
    cases.push_back({"OffsetAtEnd", [=] { return withInt32(valid, offset0, size); }, Outcome::NameAndBlobFail});
    cases.push_back({"OffsetPastEnd", [=] { return withInt32(valid, offset0, size + 1000); },
        Outcome::NameAndBlobFail});
    cases.push_back({"OffsetNegative", [=] { return withInt32(valid, offset0, -5); }, Outcome::NameAndBlobFail});
    cases.push_back({"OffsetMostNegative", [=] { return withInt32(valid, offset0, -2147483648LL); },
        Outcome::NameAndBlobFail});
    cases.push_back({"OffsetMaximal", [=] { return withInt32(valid, offset0, 0x7FFFFFFF); }, Outcome::NameAndBlobFail});
    cases.push_back({"NameLengthPastEnd", [=] { return withInt32(valid, nameLength0, size); },
        Outcome::NameAndBlobFail});
    cases.push_back({"NameLengthMaximal", [=] { return withInt32(valid, nameLength0, 0x7F98FFFF); },
        Outcome::NameAndBlobFail});
    cases.push_back({"NameLengthNegative", [=] { return withInt32(valid, nameLength0, -1); },
        Outcome::NameAndBlobFail});
    cases.push_back({"PackedSizePastEnd", [=] { return withInt32(valid, packed0, size); }, Outcome::BlobFails});
    cases.push_back({"PackedSizeOneTooMany",
        [=] {
            // Entry 0's area last in the file: one more data byte runs past its end.
            const QByteArray reversed =
                BuildBigArchive({TestEntry{.name = "dir\\first.txt", .data = "first data"},
                                    TestEntry{.name = "second.txt", .data = "second data", .compress = true}},
                    WriterOptions{.reverseAreas = true});
            return withInt32(reversed, packed0, 11);
        },
        Outcome::BlobFails});
    cases.push_back({"PackedSizeMaximal", [=] { return withInt32(valid, packed0, 0x7FFFFFFF); }, Outcome::BlobFails});
    cases.push_back({"PackedSizeNegative", [=] { return withInt32(valid, packed0, -1); }, Outcome::BlobFails});
    cases.push_back({"PackedSizeMostNegative", [=] { return withInt32(valid, packed0, -2147483648LL); },
        Outcome::BlobFails});
    cases.push_back({"OffsetPlusLengthOverflows",
        [=] { return withInt32(withInt32(valid, offset0, 0x7FFFFFF0), nameLength0, 0x100); },
        Outcome::NameAndBlobFail});
    return cases;
}

} // namespace

class MalformedArchive : public ::testing::TestWithParam<Malformed> {
protected:
    QTemporaryDir mDir;
};

TEST_P(MalformedArchive, EndsInAClearError)
{
    const QString path = mDir.filePath("bad.big");
    ASSERT_TRUE(testsupport::WriteFile(path, GetParam().build()));
    cBig reader;
    switch (GetParam().outcome) {
    case Outcome::NotABigFile:
        EXPECT_FALSE(reader.Load(path));
        EXPECT_EQ(reader.Error().Number(), 1002);
        EXPECT_EQ(reader.Error().Description(), "File is not a Big file.");
        break;
    case Outcome::LoadFails:
        expectRuntimeFailure(reader, "Load", [&] { reader.Load(path); });
        break;
    case Outcome::NameFails:
    case Outcome::BlobFails:
    case Outcome::NameAndBlobFail: {
        ASSERT_TRUE(reader.Load(path));
        const bool nameFails = GetParam().outcome != Outcome::BlobFails;
        const bool blobFails = GetParam().outcome != Outcome::NameFails;
        if (nameFails)
            expectRuntimeFailure(reader, "GetFileName", [&] { reader.GetFileName(0); });
        else
            EXPECT_EQ(reader.GetFileName(0), "dir\\first.txt");
        if (blobFails)
            expectRuntimeFailure(reader, "GetFileBlob", [&] { reader.GetFileBlob(0); });
        // The reader stays loaded and the other entry still reads.
        EXPECT_TRUE(reader.Loaded());
        EXPECT_EQ(reader.GetFileName(1), "second.txt");
        EXPECT_EQ(reader.Error().Number(), 0);
        break;
    }
    }
    if (!reader.Loaded()) {
        EXPECT_EQ(reader.Name(), "");
        EXPECT_EQ(testsupport::OpenDescriptorsOn(path), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, MalformedArchive, ::testing::ValuesIn(malformedArchives()),
    [](const ::testing::TestParamInfo<Malformed>& p) { return p.param.name; });

TEST_F(Reader, FailedLoadLeavesTheReaderEmptyAndReusable)
{
    const QString bad = write(withInt32(validArchive(), big::kHeaderFileCountOffset, 50), "bad.big");
    const QString good = write(validArchive(), "good.big");
    cBig reader;
    expectRuntimeFailure(reader, "Load", [&] { reader.Load(bad); });
    EXPECT_FALSE(reader.Loaded());
    EXPECT_EQ(reader.Name(), "");
    EXPECT_EQ(testsupport::OpenDescriptorsOn(bad), 0);
    EXPECT_EQ(reader.GetFileName(0), "");
    EXPECT_EQ(reader.Error().Number(), 1003);
    ASSERT_TRUE(reader.Load(good));
    EXPECT_EQ(reader.FileCount(), 2);
    EXPECT_EQ(reader.GetFileName(0), "dir\\first.txt");
}

TEST_F(Reader, RuntimeDescriptionsNameTheEntryAndTheProblem)
{
    const qsizetype offset0 = recordField(0, big::kEntryOffsetOffset);
    cBig reader;
    ASSERT_TRUE(reader.Load(write(withInt32(validArchive(), offset0, 1000000))));
    try {
        reader.GetFileBlob(0);
        FAIL() << "no failure";
    } catch (const BigRuntimeError& e) {
        EXPECT_TRUE(e.description().contains(u'0')) << e.description().toStdString();
        EXPECT_TRUE(e.description().contains(QLatin1String("past the end"))) << e.description().toStdString();
    }
    cBig other;
    try {
        other.Load(write(withInt32(validArchive(), big::kHeaderFileCountOffset, -3), "neg.big"));
        FAIL() << "no failure";
    } catch (const BigRuntimeError& e) {
        EXPECT_TRUE(e.description().contains(QLatin1String("negative"))) << e.description().toStdString();
    }
}
