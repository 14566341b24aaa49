// Reading stored bytes through a window: every entry's bytes as the
// directory reads them alone, in any order, copies outliving later reads, and
// a file cut after it was opened failing only the entries it cut.

#include "BigWriter.h"
#include "app/DataWindow.h"
#include "archive/BigRuntimeError.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

using namespace pelkora;
using namespace pelkora::testsupport;

namespace {

enum class Order { Forward, Backward, Interleaved };

struct WindowCase {
    const char* label;
    Order order;
    bool view;
};

class DataWindowTest : public ::testing::TestWithParam<WindowCase> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        path = tmp.filePath("archive.big");
        std::vector<TestEntry> entries;
        // Sizes around the window's: many small ones, one larger than the
        // window, and empty ones.
        for (int i = 0; i < 400; ++i) {
            const int size = i == 200 ? (1 << 20) + 4099 : i % 50 == 0 ? 0 : 1 + (i * 977) % 9000;
            entries.push_back({.name = QStringLiteral("d\\e%1.bin").arg(i),
                .data = QByteArray(size, static_cast<char>('a' + i % 26)) + QByteArray::number(i),
                .compress = i % 3 == 0});
        }
        ASSERT_TRUE(WriteBigArchive(path, entries));
        BigDirectory::Opened opened = BigDirectory::Open(path);
        ASSERT_TRUE(opened.directory);
        directory = opened.directory;
    }

    std::vector<std::int32_t> ids(Order order) const
    {
        std::vector<std::int32_t> all(static_cast<std::size_t>(directory->FileCount()));
        for (std::size_t i = 0; i < all.size(); ++i)
            all[i] = static_cast<std::int32_t>(i);
        if (order == Order::Backward)
            std::reverse(all.begin(), all.end());
        if (order == Order::Interleaved)
            std::stable_partition(all.begin(), all.end(), [](std::int32_t id) { return id % 2 == 0; });
        return all;
    }

    QTemporaryDir tmp;
    QString path;
    std::shared_ptr<const BigDirectory> directory;
};

} // namespace

TEST_P(DataWindowTest, GivesEachEntrysStoredBytes)
{
    DataWindow window;
    std::vector<QByteArray> copies;
    std::vector<QByteArray> expected;
    for (const std::int32_t id : ids(GetParam().order)) {
        const QByteArray bytes = window.read(*directory, directory->Stored(id), id, GetParam().view);
        ASSERT_EQ(bytes, directory->Blob(id)) << "entry " << id;
        if (!GetParam().view) {
            copies.push_back(bytes);
            expected.push_back(directory->Blob(id));
        }
    }
    // Copies own their bytes: later reads of the window leave them alone.
    EXPECT_EQ(copies, expected);
}

INSTANTIATE_TEST_SUITE_P(Orders, DataWindowTest,
    ::testing::Values(WindowCase{"ForwardViews", Order::Forward, true},
        WindowCase{"ForwardCopies", Order::Forward, false}, WindowCase{"BackwardViews", Order::Backward, true},
        WindowCase{"InterleavedCopies", Order::Interleaved, false}),
    [](const ::testing::TestParamInfo<WindowCase>& info) { return std::string(info.param.label); });

TEST(DataWindowCut, AFileCutAfterOpeningFailsOnlyTheEntriesPastTheCut)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString path = tmp.filePath("archive.big");
    std::vector<TestEntry> entries;
    for (int i = 0; i < 40; ++i)
        entries.push_back({.name = QStringLiteral("e%1").arg(i), .data = QByteArray(3000, static_cast<char>('a' + i))});
    ASSERT_TRUE(WriteBigArchive(path, entries));
    const std::shared_ptr<const BigDirectory> directory = BigDirectory::Open(path).directory;
    ASSERT_TRUE(directory);
    const StoredRange last = directory->Stored(39);
    // Cut in the middle of the last entry: reading ahead from the first one
    // would reach past the new end.
    ASSERT_TRUE(QFile::resize(path, last.start + last.size / 2));

    DataWindow window;
    for (std::int32_t id = 0; id < 39; ++id)
        ASSERT_EQ(window.read(*directory, directory->Stored(id), id, true),
            QByteArray(3000, static_cast<char>('a' + id)))
            << "entry " << id;
    EXPECT_THROW(window.read(*directory, last, 39, true), BigRuntimeError);
}
