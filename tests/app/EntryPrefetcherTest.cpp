// Preparing entries ahead on a second thread: the same entries, in the same
// order, with the same failures as preparing them in turn, while the caller
// goes on using its reader; memory waiting is bounded, stopping early neither
// hangs nor leaks the thread, and the reader may go first.

#include "BigWriter.h"
#include "ExtractTestSupport.h"
#include "app/EntryPrefetcher.h"
#include "archive/cBig.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace pelkora;
using namespace pelkora::testsupport;

namespace {

class EntryPrefetcherTest : public ::testing::TestWithParam<EntryPrefetcher::Mode> {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }

    void load(const std::vector<TestEntry>& entries) { WriteAndLoad(big, tmp.filePath("archive.big"), entries); }
    std::vector<EntryPrefetcher::Item> allItems() { return AllItems<EntryPrefetcher::Item>(big); }

    QTemporaryDir tmp;
    cBig big;
};

QByteArray contentOf(int i)
{
    return QByteArray::number(i).repeated(1 + i % 700);
}

} // namespace

TEST_P(EntryPrefetcherTest, GivesEveryEntryInOrderWithItsFailures)
{
    std::vector<TestEntry> entries;
    for (int i = 0; i < 300; ++i)
        entries.push_back({.name = QStringLiteral("d%1\\e%2.bin").arg(i % 7).arg(i),
            .data = contentOf(i),
            .compress = i % 2 == 0,
            .timestamp = 1000 + i});
    entries[5].name = "..\\escape.bin"; // refused name
    entries[9].packedSize = 1 << 30;    // reaches past the end of the archive
    load(entries);

    // A small limit makes the reading side wait for the writing side often.
    EntryPrefetcher prefetcher(big, allItems(), GetParam(), 4096);
    for (int i = 0; i < 300; ++i) {
        SCOPED_TRACE(i);
        const PreparedEntry* p = prefetcher.next();
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->fullName, entries[static_cast<std::size_t>(i)].name);
        // The caller's reader answers as usual meanwhile, failures included.
        EXPECT_EQ(big.GetFileName(i), entries[static_cast<std::size_t>(i)].name);
        EXPECT_EQ(big.FindFullName(entries[static_cast<std::size_t>(i)].name.toUpper()), i);
        EXPECT_EQ(big.data_compressed_flag(i), i % 2 == 0);
        EXPECT_EQ(big.timestamp_seconds(i), 1000 + i);
        if (i == 9)
            EXPECT_THROW(big.GetFileBlob(i), BigRuntimeError);
        else
            EXPECT_EQ(big.GetFileBlob(i).isEmpty(), false);
        EXPECT_EQ(big.Error().Number(), i == 9 ? 62 : 0);
        if (i == 5) {
            EXPECT_FALSE(p->failure.ok());
            EXPECT_TRUE(p->components.isEmpty());
        } else if (i == 9) {
            EXPECT_FALSE(p->failure.ok());
            EXPECT_TRUE(p->failure.description.contains("cannot be read")) << p->failure.description.toStdString();
        } else {
            EXPECT_TRUE(p->failure.ok()) << p->failure.description.toStdString();
            EXPECT_EQ(p->content, contentOf(i));
            EXPECT_EQ(p->modifiedUtc, 1000 + i);
        }
    }
    EXPECT_EQ(prefetcher.next(), nullptr);
    EXPECT_EQ(prefetcher.next(), nullptr);
}

TEST_P(EntryPrefetcherTest, StopsCleanlyWhenLeftEarly)
{
    std::vector<TestEntry> entries;
    for (int i = 0; i < 200; ++i)
        entries.push_back({.name = QStringLiteral("e%1.bin").arg(i), .data = contentOf(i), .compress = true});
    load(entries);
    for (int taken : {0, 1, 50}) {
        EntryPrefetcher prefetcher(big, allItems(), GetParam(), 1024);
        for (int i = 0; i < taken; ++i)
            ASSERT_NE(prefetcher.next(), nullptr);
    }
    // The reader is usable again once the prefetcher is gone.
    EXPECT_EQ(big.GetFileName(199), "e199.bin");
}

TEST_P(EntryPrefetcherTest, GoesOnAfterTheReaderIsGone)
{
    // A stored entry too large to hold is written from the archive later, so
    // the file must stay open without the reader.
    const std::vector<TestEntry> entries = {
        {.name = "small.txt", .data = "small", .compress = true},
        {.name = "large.bin", .data = QByteArray(300 * 1024, 'L')},
        {.name = "dir\\packed.bin", .data = QByteArray(5000, 'p'), .compress = true},
    };
    const QString path = tmp.filePath("gone.big");
    ASSERT_TRUE(WriteBigArchive(path, entries));
    auto reader = std::make_unique<cBig>();
    ASSERT_TRUE(reader->Load(path));
    std::vector<EntryPrefetcher::Item> items;
    for (std::int32_t id = 0; id < reader->FileCount(); ++id)
        items.push_back({id, reader->GetFileName(id)});
    EntryPrefetcher prefetcher(*reader, items, GetParam());
    reader.reset();

    const QString out = tmp.filePath("out");
    ASSERT_TRUE(QDir().mkpath(out));
    ConfinedWriter writer(ExtractRoot(out));
    for (const TestEntry& entry : entries) {
        SCOPED_TRACE(entry.name.toStdString());
        const PreparedEntry* p = prefetcher.next();
        ASSERT_NE(p, nullptr);
        const Failure result = WritePreparedEntry(*p, writer);
        ASSERT_TRUE(result.ok()) << result.description.toStdString();
        EXPECT_EQ(ReadAll(result.subject), entry.data);
    }
    EXPECT_EQ(prefetcher.next(), nullptr);
}

TEST_P(EntryPrefetcherTest, FailsEveryEntryOfAReaderNotLoaded)
{
    cBig empty;
    EntryPrefetcher prefetcher(empty, {{0, "a.txt"}, {1, "b.txt"}}, GetParam());
    for (const char* name : {"a.txt", "b.txt"}) {
        const PreparedEntry* p = prefetcher.next();
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->fullName, name);
        EXPECT_FALSE(p->failure.ok());
        EXPECT_EQ(p->failure.number, 1003);
        EXPECT_EQ(p->failure.source, "GetFileBlob");
    }
    EXPECT_EQ(prefetcher.next(), nullptr);
}

std::string ModeName(const ::testing::TestParamInfo<EntryPrefetcher::Mode>& mode)
{
    return mode.param == EntryPrefetcher::Mode::Ahead ? "Ahead" : "InTurn";
}

INSTANTIATE_TEST_SUITE_P(Modes, EntryPrefetcherTest,
    ::testing::Values(EntryPrefetcher::Mode::Ahead, EntryPrefetcher::Mode::InTurn), ModeName);

TEST(EntryPrefetcherMode, AheadOnlyWhenEnoughBytesAreCompressed)
{
    struct Case {
        const char* what;
        int storedBytes;
        int compressedBytes;
        EntryPrefetcher::Mode expected;
    };
    const std::vector<Case> cases = {
        {"all stored", 4000, 0, EntryPrefetcher::Mode::InTurn},
        {"a little compressed", 4000, 1000, EntryPrefetcher::Mode::InTurn},
        {"a quarter compressed", 3000, 1000, EntryPrefetcher::Mode::Ahead},
        {"all compressed", 0, 4000, EntryPrefetcher::Mode::Ahead},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir tmp;
        std::vector<TestEntry> entries;
        if (c.storedBytes > 0)
            entries.push_back({.name = "stored.bin", .data = QByteArray(c.storedBytes, 's')});
        if (c.compressedBytes > 0)
            entries.push_back({.name = "packed.bin", .data = QByteArray(c.compressedBytes, 'p'), .compress = true});
        ASSERT_TRUE(WriteBigArchive(tmp.filePath("a.big"), entries));
        cBig big;
        ASSERT_TRUE(big.Load(tmp.filePath("a.big")));
        std::vector<EntryPrefetcher::Item> items;
        for (std::int32_t id = 0; id < big.FileCount(); ++id)
            items.push_back({id, big.GetFileName(id)});
        EXPECT_EQ(EntryPrefetcher::ModeFor(big, items), c.expected);
    }
}
