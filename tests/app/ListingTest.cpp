// The listing's order and LoadBigFile driving a list without widgets: the
// list is handed rows and a finished order; the sort, and serving the event
// loop while it runs, are the listing's.

#include "BigWriter.h"
#include "app/ErrorReport.h"
#include "app/ListRow.h"
#include "app/ModMain.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

using namespace pelkora;
using namespace pelkora::testsupport;

namespace {

// What a plain stable sort on the key rule makes of `keys`.
std::vector<std::size_t> plainStableOrder(const QStringList& keys)
{
    std::vector<std::size_t> order(static_cast<std::size_t>(keys.size()));
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return SortKeyLess(keys[static_cast<qsizetype>(a)], keys[static_cast<qsizetype>(b)]);
    });
    return order;
}

std::vector<std::size_t> sortOrderOf(const QStringList& keys, const std::function<void()>& betweenSteps = {})
{
    const std::vector<QStringView> views(keys.begin(), keys.end());
    return SortOrder(views, betweenSteps);
}

QString chars(std::initializer_list<char16_t> codes)
{
    QString text;
    for (char16_t c : codes)
        text += QChar(c);
    return text;
}

TEST(SortOrder, IsStableAscendingByCharacterCode)
{
    const QString y = chars({0xFF}); // the listing's folder mark
    const struct {
        const char* name;
        QStringList keys;
        std::vector<std::size_t> expected;
    } cases[] = {
        {"nothing", {}, {}},
        {"one key", {"x"}, {0}},
        {"capitals before small letters", {"b", "B", "a", "A"}, {3, 1, 2, 0}},
        {"no case folding", {"readme", "README", "ReadMe"}, {1, 2, 0}},
        {"equal keys keep their order", {"k", "j", "k", "j", "k"}, {1, 3, 0, 2, 4}},
        {"a prefix and the empty key first", {"ab", "a", "", "abc"}, {2, 1, 0, 3}},
        {"the folder mark after every ASCII key", {y + "a", "z", "~", y}, {1, 2, 3, 0}},
        {"accented letters by code, not by alphabet", {chars({0xE9}), "z", chars({0xC9}), "e"}, {3, 1, 2, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sortOrderOf(c.keys), c.expected);
        EXPECT_EQ(plainStableOrder(c.keys), c.expected);
    }
}

// Keys from a small alphabet, so that long lists are full of ties, with both
// letter cases, Latin-1 letters, the folder mark and a surrogate pair.
QStringList manyKeys(int count)
{
    const QString pieces[] = {"a", "A", "b", "B", chars({0xE9}), chars({0xFF}), chars({0xD83D, 0xDE00}), "\\", ""};
    std::uint32_t state = 12345;
    QStringList keys;
    keys.reserve(count);
    for (int i = 0; i < count; ++i) {
        QString key;
        for (int k = 0; k < 3; ++k) {
            state = state * 1103515245u + 12345u;
            key += pieces[(state >> 16) % std::size(pieces)];
        }
        keys << key;
    }
    return keys;
}

TEST(SortOrder, LongListsComeOutAsAPlainStableSortWithTheCallerServedBetweenSteps)
{
    // Around and across the sizes where the sort splits its work, and one
    // whose working arrays are large enough to be mapped apart from the heap.
    for (int count : {2, 8191, 8192, 8193, 3 * 8192 + 17, 70000, 200000}) {
        SCOPED_TRACE(count);
        const QStringList keys = manyKeys(count);
        int steps = 0;
        const std::vector<std::size_t> order = sortOrderOf(keys, [&] { ++steps; });
        EXPECT_EQ(order, plainStableOrder(keys));
        if (count > 8192) {
            EXPECT_GE(steps, 2); // a long sort lets the caller in more than once
        }
    }
    // No callback is fine too.
    const QStringList keys = manyKeys(20000);
    EXPECT_EQ(sortOrderOf(keys), plainStableOrder(keys));
}

// A list as LoadBigFile sees it, without widgets, recording what it is told.
class RecordingList : public FileListControl {
public:
    int Rows() const override { return 1 + static_cast<int>(rows.size()); }
    int Cols() const override { return ColumnCount; }
    void setRow(int r) override { row = rowSel = r; }
    void setCol(int c) override { col = c; }
    void setRowSel(int r) override { rowSel = r; }
    void setPainting(bool on) override { painting = on; }
    void appendListing(std::shared_ptr<const ListedEntries> listed, std::span<const std::size_t> order) override
    {
        ++arranged;
        for (std::size_t i = 0; i < listed->size(); ++i)
            rows << JoinRow(listed->row(i));
        given.assign(order.begin(), order.end());
        servedWhenArranged = served;
        paintingWhenArranged = painting;
    }

    QStringList rows; // the entries handed over, in ID order
    int row = 0, col = 0, rowSel = 0;
    bool painting = true;
    int arranged = 0;
    std::vector<std::size_t> given;
    bool paintingWhenArranged = true;
    int served = 0; // times the event loop ran a zero timer
    int servedWhenArranged = 0;
};

class NoProgress : public ProgressControl {
public:
    void setMaximum(float) override { }
    void setValue(float) override { }
};

// Records how often the event loop had run when the last entry was read.
class RecordingProgress : public ProgressControl {
public:
    explicit RecordingProgress(const int& served)
        : mServed(served)
    {
    }
    void setMaximum(float) override { }
    void setValue(float) override { servedWhenListed = mServed; }
    int servedWhenListed = -1;

private:
    const int& mServed;
};

class LoadBigFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    void TearDown() override { ReleaseBig(); }

    QTemporaryDir dir;
    QStringList reports;
    const ErrorReporter report = [this](const QString&, const QString& text) { reports << text; };
};

TEST_F(LoadBigFileTest, ListsInIdOrderThenHandsTheListTheSortedOrder)
{
    // Two entries share a name, so their keys tie: they must stay in ID order.
    const std::vector<TestEntry> entries = {
        {.name = "data\\b.txt", .data = "1"},
        {.name = "Zeta.TXT", .data = "22"},
        {.name = "x.txt", .data = "333"},
        {.name = "data\\A.txt", .data = "4444"},
        {.name = "x.txt", .data = "55555"},
        {.name = "alpha.txt", .data = "666666"},
        {.name = "readme", .data = "7777777"},
    };
    const QString path = dir.filePath("list.big");
    ASSERT_TRUE(WriteBigArchive(path, entries));

    RecordingList list;
    RecordingProgress progress(list.served);
    QTimer probe; // counts each time the event loop is served
    QObject::connect(&probe, &QTimer::timeout, [&] { ++list.served; });
    probe.start(0);
    LoadBigFile(path, list, progress, report);
    probe.stop();
    EXPECT_TRUE(reports.empty()) << reports.join('\n').toStdString();

    ASSERT_EQ(list.rows.size(), 7);
    for (int i = 0; i < 7; ++i) // rows go in in ID order (each entry's size is its ID + 1)
        EXPECT_EQ(CellOf(list.rows[i], ColSize), QString::number(i + 1)) << i;
    ASSERT_EQ(list.arranged, 1);
    EXPECT_FALSE(list.paintingWhenArranged); // one redraw, when painting comes back
    EXPECT_TRUE(list.painting);
    // README, TXT: Zeta, alpha, x (ID 2), x (ID 4), then the folder: A, b.
    EXPECT_EQ(list.given, (std::vector<std::size_t>{6, 1, 5, 2, 4, 3, 0}));
    // The window was served after the last entry was read and before the order came.
    EXPECT_GE(progress.servedWhenListed, 0);
    EXPECT_GT(list.servedWhenArranged, progress.servedWhenListed);
    // The selection the listing leaves: every row, on the sort column.
    EXPECT_EQ(list.row, 1);
    EXPECT_EQ(list.rowSel, 7);
    EXPECT_EQ(list.col, ColSort);
}

TEST_F(LoadBigFileTest, AnEmptyArchiveGetsAnEmptyOrder)
{
    const QString path = dir.filePath("empty.big");
    ASSERT_TRUE(WriteBigArchive(path, {}));
    RecordingList list;
    NoProgress progress;
    LoadBigFile(path, list, progress, report);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(list.rows.empty());
    EXPECT_EQ(list.arranged, 1);
    EXPECT_TRUE(list.given.empty());
}

} // namespace

int main(int argc, char** argv)
{
    // The listing serves the event loop; no window is needed for that.
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
