// Every prefix of a few archives must end in a clear result: Load either
// succeeds, refuses with a numbered error or raises the reader's run-time
// failure, and so does every member for every ID. What does read must be
// exactly what the whole archive holds.

#include "BigWriter.h"
#include "LzssEncoder.h"
#include "archive/BigRuntimeError.h"
#include "archive/cBig.h"
#include "lzss/UnLZSS.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

using namespace pelkora;
using pelkora::testsupport::BuildBigArchive;
using pelkora::testsupport::TestEntry;
using pelkora::testsupport::WriterOptions;

namespace {

struct Expected {
    QString name;
    QByteArray blob;
};

struct SweepArchive {
    const char* label;
    QByteArray bytes;
};

QByteArray noise(int size, unsigned seed)
{
    std::mt19937 rng(seed);
    QByteArray bytes(size, '\0');
    for (auto& c : bytes)
        c = static_cast<char>(rng() % 5 + 'a');
    return bytes;
}

std::vector<SweepArchive> sweepArchives()
{
    return {
        {"stored",
            BuildBigArchive({TestEntry{.name = "a.txt", .data = "alpha"},
                TestEntry{.name = "b.txt", .data = noise(90, 1)}})},
        {"compressed",
            BuildBigArchive({TestEntry{.name = "c.bin", .data = noise(400, 2), .compress = true},
                TestEntry{.name = "d.bin", .data = QByteArray(200, 'd'), .compress = true}})},
        {"nested",
            BuildBigArchive(
                {TestEntry{
                     .name = "data\\art\\tree.tga", .data = noise(60, 3), .compress = true, .maskedBits = 0x00670000},
                    TestEntry{.name = "data\\snd\\wind.wav", .data = noise(40, 4)},
                    TestEntry{.name = "top.cfg", .data = "", .timestamp = 1}},
                WriterOptions{.reverseAreas = true, .gapBetweenAreas = 3})},
    };
}

// Reads everything the cut archive offers and checks it against `full`.
void visitCut(const QString& path, qsizetype cut, const std::vector<Expected>& full)
{
    cBig reader;
    bool loaded = false;
    try {
        loaded = reader.Load(path);
    } catch (const BigRuntimeError& e) {
        EXPECT_EQ(e.source(), "Load");
        EXPECT_FALSE(e.description().isEmpty());
    }
    if (!loaded) {
        EXPECT_FALSE(reader.Loaded());
        EXPECT_EQ(reader.Name(), "");
        return;
    }
    // A directory that fits in the cut file is the whole directory.
    ASSERT_EQ(reader.FileCount(), static_cast<std::int32_t>(full.size())) << cut;
    for (std::int32_t id = -1; id <= reader.FileCount(); ++id) {
        const bool valid = id >= 0 && id < reader.FileCount();
        try {
            const QString name = reader.GetFileName(id);
            if (valid)
                EXPECT_EQ(name, full[static_cast<std::size_t>(id)].name) << cut << " " << id;
            else
                EXPECT_EQ(reader.Error().Number(), 1005);
        } catch (const BigRuntimeError& e) {
            EXPECT_TRUE(valid);
            EXPECT_EQ(e.source(), "GetFileName");
        }
        try {
            const QByteArray blob = reader.GetFileBlob(id);
            if (!valid) {
                EXPECT_EQ(reader.Error().Number(), 1005);
                continue;
            }
            EXPECT_EQ(blob, full[static_cast<std::size_t>(id)].blob) << cut << " " << id;
            if (reader.data_compressed_flag(id))
                (void)UnLZSS(blob);
        } catch (const BigRuntimeError& e) {
            EXPECT_TRUE(valid);
            EXPECT_EQ(e.source(), "GetFileBlob");
        }
        (void)reader.timestamp(id);
        (void)reader.data_compressed_size(id);
    }
}

} // namespace

TEST(TruncationSweep, EveryPrefixEndsInAClearResult)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("cut.big");
    for (const SweepArchive& archive : sweepArchives()) {
        SCOPED_TRACE(archive.label);
        ASSERT_TRUE(testsupport::WriteFile(path, archive.bytes));
        std::vector<Expected> full;
        {
            cBig reader;
            ASSERT_TRUE(reader.Load(path));
            for (std::int32_t id = 0; id < reader.FileCount(); ++id)
                full.push_back({reader.GetFileName(id), reader.GetFileBlob(id)});
        }
        // Longest first, so each cut is one truncation of the same file.
        for (qsizetype cut = archive.bytes.size(); cut >= 0; --cut) {
            ASSERT_TRUE(QFile::resize(path, cut));
            visitCut(path, cut, full);
        }
    }
}

TEST(TruncationSweep, EveryPrefixOfAStreamDecodesToAPrefixOrLess)
{
    // A stream cut anywhere ends quietly; its output never exceeds one
    // byte per input bit and agrees with the full output except for its
    // last token.
    const QByteArray plain = noise(3000, 9) + QByteArray(500, 'z') + noise(300, 10);
    const QByteArray stream = testsupport::LzssEncode(plain);
    for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
        // An exact-size block: the sanitizer build sees any read past it.
        const auto exact = std::make_unique<char[]>(static_cast<std::size_t>(cut));
        std::copy(stream.begin(), stream.begin() + cut, exact.get());
        const QByteArray out = UnLZSS(exact.get(), static_cast<std::size_t>(cut));
        ASSERT_LE(out.size(), cut * 8) << cut;
        const qsizetype safe = std::max<qsizetype>(0, out.size() - 17);
        ASSERT_EQ(out.left(safe), plain.left(safe)) << cut;
    }
    EXPECT_EQ(UnLZSS(stream), plain);
}
