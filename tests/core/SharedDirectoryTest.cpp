// The parsed directory shared between threads: several threads reading names
// and data at once get what one thread gets, its failures are raised without
// touching the reader it came from, and it outlives that reader.

#include "BigWriter.h"
#include "archive/BigDirectory.h"
#include "archive/BigRuntimeError.h"
#include "archive/cBig.h"
#include "lzss/UnLZSS.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <thread>

using namespace pelkora;
using pelkora::testsupport::TestEntry;

namespace {

// What reading one entry gave: its name and decoded content, or the failure.
struct Outcome {
    QString name;
    QByteArray content;
    int number = 0;
    QString source;
    QString description;

    bool operator==(const Outcome&) const = default;
};

Outcome readEntry(const BigDirectory& directory, std::int32_t ID, BigDirectory::NameBlock* cache)
{
    Outcome out;
    try {
        out.name = directory.Name(ID, cache);
        const QByteArray stored = directory.Blob(ID);
        const BigEntry& e = directory.Entry(ID);
        out.content = e.compressedFlag != 0 ? UnLZSS(stored, static_cast<std::size_t>(e.uncompressedSize)) : stored;
    } catch (const BigRuntimeError& e) {
        out.number = e.number();
        out.source = e.source();
        out.description = e.description();
    }
    return out;
}

class SharedDirectory : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mTmp.isValid());
        for (int i = 0; i < 400; ++i)
            mEntries.push_back({.name = QStringLiteral("dir%1\\file%2.dat").arg(i % 9).arg(i),
                .data = QByteArray::number(i * 7919).repeated(1 + i % 300),
                .compress = i % 3 != 0});
        mEntries[17].packedSize = 1 << 30;         // data past the end of the file
        mEntries[250].name = QString(20000, u'n'); // longer than a name block
        mEntries[399].offset = 0x7FFFFF00;         // name past the end of the file
        mPath = mTmp.filePath("shared.big");
        ASSERT_TRUE(testsupport::WriteBigArchive(mPath, mEntries));
        ASSERT_TRUE(mBig.Load(mPath));
        mDirectory = mBig.Directory();
        ASSERT_NE(mDirectory, nullptr);
    }

    QTemporaryDir mTmp;
    std::vector<TestEntry> mEntries;
    QString mPath;
    cBig mBig;
    std::shared_ptr<const BigDirectory> mDirectory;
};

} // namespace

TEST_F(SharedDirectory, ManyThreadsReadWhatOneThreadReads)
{
    const std::int32_t count = mDirectory->FileCount();
    ASSERT_EQ(count, 400);
    std::vector<Outcome> expected;
    BigDirectory::NameBlock cache;
    for (std::int32_t id = 0; id < count; ++id)
        expected.push_back(readEntry(*mDirectory, id, &cache));
    // One thread's reading is right to begin with.
    for (std::int32_t id = 0; id < count; ++id) {
        SCOPED_TRACE(id);
        const Outcome& o = expected[static_cast<std::size_t>(id)];
        if (id == 17 || id == 399) {
            EXPECT_EQ(o.number, 62);
            EXPECT_EQ(o.source, id == 17 ? "GetFileBlob" : "GetFileName");
        } else {
            EXPECT_EQ(o.number, 0) << o.description.toStdString();
            EXPECT_EQ(o.name, mEntries[static_cast<std::size_t>(id)].name);
            EXPECT_EQ(o.content, mEntries[static_cast<std::size_t>(id)].data);
        }
    }

    // Each thread starts somewhere else, so that they read the same entries
    // at different moments, and some read names without a block of their own.
    constexpr int kThreads = 4;
    std::vector<std::vector<std::int32_t>> differing(kThreads);
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                BigDirectory::NameBlock own;
                for (int round = 0; round < 3; ++round)
                    for (std::int32_t k = 0; k < count; ++k) {
                        const std::int32_t id = (k + t * count / kThreads) % count;
                        if (readEntry(*mDirectory, id, t % 2 == 0 ? &own : nullptr)
                            != expected[static_cast<std::size_t>(id)])
                            differing[static_cast<std::size_t>(t)].push_back(id);
                    }
            });
    }
    for (int t = 0; t < kThreads; ++t)
        EXPECT_TRUE(differing[static_cast<std::size_t>(t)].empty()) << "thread " << t;
}

TEST_F(SharedDirectory, FailsAsTheReaderDoesWithoutTouchingIt)
{
    struct Case {
        const char* what;
        std::function<void(const BigDirectory&)> direct;
        std::function<void(cBig&)> front;
        const char* source;
        int number;
    };
    const std::vector<Case> cases = {
        {"name past the end", [](const BigDirectory& d) { d.Name(399); }, [](cBig& b) { b.GetFileName(399); },
            "GetFileName", 62},
        {"data past the end", [](const BigDirectory& d) { d.Blob(17); }, [](cBig& b) { b.GetFileBlob(17); },
            "GetFileBlob", 62},
        {"range past the end", [](const BigDirectory& d) { d.Stored(17); }, [](cBig& b) { b.GetFileData(17); },
            "GetFileBlob", 62},
        {"offset of a broken record", [](const BigDirectory& d) { d.DataOffset(399); },
            [](cBig& b) { b.data_offset(399); }, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        mBig.GetFileName(0); // a clean record
        std::optional<BigRuntimeError> direct;
        try {
            c.direct(*mDirectory);
        } catch (const BigRuntimeError& e) {
            direct = e;
        }
        EXPECT_EQ(mBig.Error().Number(), 0);
        std::optional<BigRuntimeError> front;
        try {
            c.front(mBig);
        } catch (const BigRuntimeError& e) {
            front = e;
        }
        ASSERT_EQ(direct.has_value(), c.source != nullptr);
        ASSERT_EQ(front.has_value(), direct.has_value());
        if (!direct)
            continue;
        EXPECT_EQ(direct->source(), c.source);
        EXPECT_EQ(direct->number(), c.number);
        EXPECT_EQ(front->source(), direct->source());
        EXPECT_EQ(front->number(), direct->number());
        EXPECT_EQ(front->description(), direct->description());
    }
    // The broken record still has a data offset: only negative fields fail.
    EXPECT_EQ(mDirectory->DataOffset(399), mBig.data_offset(399));
}

TEST_F(SharedDirectory, RefusesIdsOutsideTheDirectory)
{
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"GetFileName", [&] { mDirectory->Name(-1); }},
        {"GetFileName", [&] { mDirectory->Name(400); }},
        {"GetFileBlob", [&] { mDirectory->Blob(400); }},
        {"GetFileBlob", [&] { mDirectory->Stored(-1); }},
        {"data_offset", [&] { mDirectory->DataOffset(400); }},
    };
    for (const auto& [source, call] : calls) {
        SCOPED_TRACE(source);
        try {
            call();
            ADD_FAILURE() << "no failure";
        } catch (const BigRuntimeError& e) {
            EXPECT_EQ(e.number(), cError::IdOutOfBounds);
            EXPECT_EQ(e.source(), source);
            EXPECT_EQ(e.description(), "ID out of bounds.");
        }
    }
}

TEST_F(SharedDirectory, LooksUpHashesAsTheReaderDoes)
{
    for (std::int32_t id : {0, 1, 200, 398}) {
        const std::uint64_t hash = mBig.name_hash(id);
        EXPECT_EQ(mDirectory->FindFile(hash), mBig.FindFile(hash));
        EXPECT_EQ(mDirectory->FindNextFile(hash, id), mBig.FindNextFile(hash, id));
    }
    EXPECT_EQ(mDirectory->FindFile(0x0123456789ABCDEFull), -1);
}

TEST_F(SharedDirectory, OutlivesTheReaderItCameFrom)
{
    auto reader = std::make_unique<cBig>();
    ASSERT_TRUE(reader->Load(mPath));
    const std::shared_ptr<const BigDirectory> kept = reader->Directory();
    reader.reset();
    EXPECT_EQ(kept->Name(5), mEntries[5].name);
    EXPECT_EQ(readEntry(*kept, 4, nullptr).content, mEntries[4].data);

    cBig empty;
    EXPECT_EQ(empty.Directory(), nullptr);
}
