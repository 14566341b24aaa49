// `ExtractFile`: a listed row (Name and Path cells) found by its name hash in
// the current reader and written under the destination, every failure shown
// in the error report.

#include "BigWriter.h"
#include "ExtractTestSupport.h"
#include "OpenDescriptors.h"
#include "app/ErrorReport.h"
#include "app/Extraction.h"
#include "app/ModMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <climits>

using namespace pelkora;
using namespace pelkora::testsupport;

namespace {

class ExtractFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        dest = tmp.filePath("out") + QDir::separator(); // as the dialog's Dir gives it
        ASSERT_TRUE(QDir().mkpath(dest));
    }
    void TearDown() override { ReleaseBig(); }

    void load(const std::vector<TestEntry>& entries)
    {
        const QString path = tmp.filePath("archive.big");
        ASSERT_TRUE(WriteBigArchive(path, entries));
        gBig = std::make_unique<cBig>();
        ASSERT_TRUE(gBig->Load(path));
    }

    // Name and Path cells of a full name, as the list shows them.
    static std::pair<QString, QString> cells(const QString& fullName)
    {
        const qsizetype cut = fullName.lastIndexOf(u'\\');
        return {fullName.sliced(cut + 1), cut < 0 ? QString() : fullName.first(cut + 1)};
    }

    QString onDisk(const QString& fullName) const { return dest + QString(fullName).replace(u'\\', QDir::separator()); }

    QTemporaryDir tmp;
    QString dest;
    CapturedReports reports;
};

} // namespace

TEST_F(ExtractFileTest, WritesEachEntryWithItsBytesFoldersAndTime)
{
    QByteArray binary;
    for (int i = 0; i < 5000; ++i)
        binary.append(static_cast<char>((i * 7) ^ (i >> 3)));
    const std::vector<TestEntry> entries = {
        {.name = "root.txt", .data = "stored as is\r\n", .timestamp = 1072958400},
        {.name = "data\\art\\tree.tga", .data = QByteArray(3000, 't') + binary, .compress = true, .timestamp = 0},
        {.name = "data\\raw.bin", .data = binary, .timestamp = -1},
        {.name = "a\\b\\c\\d\\deep.dat", .data = "deep", .timestamp = INT32_MIN},
        {.name = "Mixed\\Case.TXT", .data = "case kept", .timestamp = INT32_MAX},
        {.name = "empty.dat", .data = QByteArray(), .timestamp = 86400},
        {.name = "data\\empty.lz", .data = QByteArray(), .compress = true, .timestamp = 86401},
    };
    load(entries);
    ASSERT_GT(gBig->data_compressed_size(6), 0); // a stream that yields nothing

    for (const TestEntry& e : entries) {
        SCOPED_TRACE(e.name.toStdString());
        const auto [name, path] = cells(e.name);
        ExtractFile(dest, name, path, reports.reporter());
        EXPECT_EQ(ReadAll(onDisk(e.name)), e.data);
        EXPECT_EQ(ModifiedSeconds(onDisk(e.name)), e.timestamp);
    }
    EXPECT_EQ(reports.texts, QStringList());
}

TEST_F(ExtractFileTest, ReplacesAnExistingFileAndKeepsAReadOnlyOne)
{
    load({{.name = "data\\new.txt", .data = "new", .timestamp = 3600},
        {.name = "data\\locked.txt", .data = "new", .timestamp = 3600}});
    ASSERT_TRUE(QDir().mkpath(onDisk("data")));
    for (const char* name : {"data\\new.txt", "data\\locked.txt"}) {
        ASSERT_TRUE(WriteFile(onDisk(name), "an older and longer content"));
        ASSERT_TRUE(SetModifiedSeconds(onDisk(name), 99999));
    }
    ASSERT_TRUE(QFile::setPermissions(onDisk("data\\locked.txt"), QFileDevice::ReadOwner | QFileDevice::ReadGroup));

    ExtractFile(dest, "new.txt", "data\\", reports.reporter());
    ExtractFile(dest, "locked.txt", "data\\", reports.reporter());

    EXPECT_EQ(ReadAll(onDisk("data\\new.txt")), "new");
    EXPECT_EQ(ModifiedSeconds(onDisk("data\\new.txt")), 3600);
    EXPECT_EQ(ReadAll(onDisk("data\\locked.txt")), "an older and longer content");
    EXPECT_EQ(ModifiedSeconds(onDisk("data\\locked.txt")), 99999);
    ASSERT_EQ(reports.texts.size(), 1);
    EXPECT_TRUE(reports.texts[0].startsWith(kExtractHeadline + "\r\nIn the Module ExtractEntry\r\n"));
    EXPECT_TRUE(reports.texts[0].contains("\"data\\locked.txt\"")) << reports.texts[0].toStdString();
    EXPECT_TRUE(reports.texts[0].contains("read-only"));
    QFile::setPermissions(onDisk("data\\locked.txt"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// Names of odd length that differ only in their last character share a hash:
// each row must get its own entry's bytes, and a name that no entry has is
// reported as missing even though its hash is found.
TEST_F(ExtractFileTest, EntriesSharingAHashEachGetTheirOwnBytes)
{
    const std::vector<TestEntry> entries = {
        {.name = "abc", .data = "bytes of abc"},
        {.name = "abd", .data = "bytes of abd"},
        {.name = "dir\\x12.txt", .data = "bytes of txt"},
        {.name = "dir\\x12.txu", .data = "bytes of txu"},
    };
    load(entries);
    ASSERT_EQ(gBig->name_hash(0), gBig->name_hash(1));
    ASSERT_EQ(gBig->name_hash(2), gBig->name_hash(3));

    // Listed order need not be ID order; the later ID first catches a lookup
    // that stops at the first hash match.
    for (const std::size_t i : {1u, 0u, 3u, 2u}) {
        const auto [name, path] = cells(entries[i].name.toUpper());
        ExtractFile(dest, name, path, reports.reporter());
    }
    for (const TestEntry& e : entries)
        EXPECT_EQ(ReadAll(onDisk(e.name.toUpper())), e.data) << e.name.toStdString();
    EXPECT_EQ(reports.texts, QStringList());

    ExtractFile(dest, "abe", "", reports.reporter());
    EXPECT_EQ(reports.texts, QStringList({ReaderFormText(kExtractHeadline, 1004, "File not found in archive.")}));
    EXPECT_FALSE(QFileInfo::exists(dest + "abe"));
}

TEST_F(ExtractFileTest, FailuresAreReportedAndWriteNothing)
{
    load({{.name = "present.txt", .data = "x"}, {.name = "data\\cut.bin", .data = "abc", .packedSize = 1 << 20},
        {.name = "..\\escape.txt", .data = "evil"}});

    struct Case {
        QString name;
        QString path;
        QString report;
    };
    const std::vector<Case> cases = {
        {"missing.txt", "", ReaderFormText(kExtractHeadline, 1004, "File not found in archive.")},
        {"cut.bin", "data\\", kExtractHeadline + "\r\nIn the Module GetFileBlob\r\n"},
        {"escape.txt", "..\\", kExtractHeadline + "\r\nIn the Module ExtractEntry\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        reports.texts.clear();
        ExtractFile(dest, c.name, c.path, reports.reporter());
        ASSERT_EQ(reports.texts.size(), 1);
        EXPECT_TRUE(reports.texts[0].startsWith(c.report)) << reports.texts[0].toStdString();
        if (c.path.isEmpty())
            EXPECT_EQ(reports.texts[0], c.report);
        else
            EXPECT_TRUE(reports.texts[0].contains(u'"' + c.path + c.name + u'"')) << reports.texts[0].toStdString();
    }
    EXPECT_TRUE(QDir(dest).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("escape.txt")));
}

// Inside a run the folders opened under the run's destination are kept for
// the next row; a row extracted elsewhere during the run still goes where it
// was sent, and after the run nothing is held open.
TEST_F(ExtractFileTest, RunKeepsItsDestinationAndLeavesOthersAlone)
{
    const std::vector<TestEntry> entries = {
        {.name = "data\\one.txt", .data = "1", .timestamp = 100},
        {.name = "data\\two.txt", .data = "2", .timestamp = 200},
        {.name = "three.txt", .data = "3", .timestamp = 300},
    };
    load(entries);
    const QString elsewhere = tmp.filePath("elsewhere") + QDir::separator();
    {
        Extraction run(*gBig, dest, reports.reporter());
        for (const TestEntry& e : entries) {
            const auto [name, path] = cells(e.name);
            run.ExtractListed(name, path);
        }
        ExtractFile(elsewhere, QStringLiteral("one.txt"), QStringLiteral("data\\"), reports.reporter());
        EXPECT_GT(OpenDescriptorsOn(dest), 0) << "the run holds its folders";
    }
    EXPECT_EQ(reports.texts, QStringList());
    for (const TestEntry& e : entries) {
        EXPECT_EQ(ReadAll(onDisk(e.name)), e.data);
        EXPECT_EQ(ModifiedSeconds(onDisk(e.name)), e.timestamp);
    }
    EXPECT_EQ(ReadAll(elsewhere + "data/one.txt"), "1");
    EXPECT_EQ(OpenDescriptorsOn(dest) + OpenDescriptorsOn(dest + "data"), 0);
}
