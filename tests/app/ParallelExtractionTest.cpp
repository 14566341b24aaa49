// Writing entries on several threads: every file as ExtractEntry writes it,
// results in the order given with the same failures, folders shared between
// the threads made once without a quarrel, and leaving early neither hangs
// nor leaves a temporary file behind.

#include "BigWriter.h"
#include "ExtractTestSupport.h"
#include "app/ParallelExtraction.h"
#include "archive/cBig.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pelkora;
using namespace pelkora::testsupport;

namespace {

class ParallelExtractionTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }

    void load(const std::vector<TestEntry>& entries) { WriteAndLoad(big, tmp.filePath("archive.big"), entries); }
    std::vector<ParallelExtraction::Item> allItems() { return AllItems<ParallelExtraction::Item>(big); }

    QStringList temporaryFiles() const
    {
        QStringList found;
        QDirIterator it(out, {".pelkora-*"}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        return found;
    }

    QTemporaryDir tmp;
    QString out = tmp.filePath("out");
    cBig big;
};

QByteArray contentOf(int i)
{
    return QByteArray::number(i).repeated(1 + i % 900);
}

} // namespace

TEST_P(ParallelExtractionTest, WritesEveryEntryAndAnswersInOrder)
{
    // Enough entries for several runs, in folders both threads write into.
    std::vector<TestEntry> entries;
    for (int i = 0; i < 900; ++i)
        entries.push_back({.name = QStringLiteral("d%1\\s%2\\e%3.bin").arg(i % 7).arg(i % 3).arg(i),
            .data = contentOf(i),
            .compress = i % 2 == 0,
            .timestamp = 1000 + i});
    entries[5].name = "..\\escape.bin";                         // refused name
    entries[9].packedSize = 1 << 30;                            // reaches past the end of the archive
    entries[11].uncompressedSize = entries[11].data.size() + 1; // decodes short
    entries[300].data = QByteArray(300 * 1024, 'L');            // stored, written in pieces
    entries[300].compress = false;
    entries[301].data = QByteArray(5 << 20, 'P'); // compressed, written in pieces
    entries[301].compress = true;
    load(entries);

    ParallelExtraction extraction(big, allItems(), out, GetParam());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        const ParallelExtraction::Result* r = extraction.next();
        ASSERT_NE(r, nullptr);
        const QString path = QDir(out).filePath(QString(entries[i].name).replace(u'\\', u'/'));
        if (i == 5) {
            EXPECT_EQ(r->failure.number, failure::UnsafeName);
            continue;
        }
        EXPECT_EQ(r->failure.subject, path);
        if (i == 9 || i == 11) {
            EXPECT_FALSE(r->failure.ok());
            EXPECT_TRUE(r->failure.description.contains(i == 9 ? "cannot be read" : "damaged"))
                << r->failure.description.toStdString();
            EXPECT_FALSE(QFileInfo::exists(path));
            continue;
        }
        ASSERT_TRUE(r->failure.ok()) << r->failure.description.toStdString();
        EXPECT_EQ(ReadAll(path), entries[i].data);
        EXPECT_EQ(ModifiedSeconds(path), 1000 + static_cast<qint64>(i));
        EXPECT_EQ(r->bytes, i == 300 || i == 301 ? 0 : entries[i].data.size());
    }
    EXPECT_EQ(extraction.next(), nullptr);
    EXPECT_EQ(extraction.next(), nullptr);
    EXPECT_EQ(temporaryFiles(), QStringList());
}

TEST_P(ParallelExtractionTest, StopsCleanlyWhenLeftEarly)
{
    std::vector<TestEntry> entries;
    for (int i = 0; i < 600; ++i)
        entries.push_back({.name = QStringLiteral("e%1.bin").arg(i), .data = contentOf(i), .compress = true});
    load(entries);
    for (int taken : {0, 1, 300}) {
        SCOPED_TRACE(taken);
        {
            ParallelExtraction extraction(big, allItems(), out, GetParam());
            for (int i = 0; i < taken; ++i)
                ASSERT_NE(extraction.next(), nullptr);
        }
        // Whatever was written is whole; the rest was never started.
        EXPECT_EQ(temporaryFiles(), QStringList());
        QDirIterator it(out, QDir::Files);
        while (it.hasNext()) {
            const QString path = it.next();
            const int i = QFileInfo(path).completeBaseName().mid(1).toInt();
            EXPECT_EQ(ReadAll(path), contentOf(i)) << path.toStdString();
        }
        for (int i = 0; i < taken; ++i)
            EXPECT_TRUE(QFileInfo::exists(QDir(out).filePath(QStringLiteral("e%1.bin").arg(i))));
        QDir(out).removeRecursively();
    }
    // The reader is usable again once the extraction is gone.
    EXPECT_EQ(big.GetFileName(599), "e599.bin");
}

TEST_P(ParallelExtractionTest, FailsEveryEntryOfAReaderNotLoaded)
{
    cBig empty;
    ParallelExtraction extraction(empty, {{0, "a.txt"}, {1, "b.txt"}}, out, GetParam());
    for (const char* name : {"a.txt", "b.txt"}) {
        const ParallelExtraction::Result* r = extraction.next();
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->failure.number, 1003);
        EXPECT_EQ(r->failure.source, "GetFileBlob");
        EXPECT_EQ(r->failure.subject, QDir(out).filePath(name));
    }
    EXPECT_EQ(extraction.next(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Threads, ParallelExtractionTest, ::testing::Values(1, 2, 3),
    [](const ::testing::TestParamInfo<int>& threads) { return std::to_string(threads.param) + "Threads"; });
