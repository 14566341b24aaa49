// Writes the fuzz targets' seed inputs with the test-support writer and
// encoder: small archives for the reader and extraction targets, streams for
// the decoder, contents for the round trip. Usage: pelkora-fuzz-seeds DIR
// (creates DIR/reader, DIR/extract, DIR/decoder, DIR/roundtrip).

#include "BigWriter.h"
#include "LzssEncoder.h"
#include "ToolArguments.h"

#include <QDir>
#include <QString>

#include <cstdio>
#include <vector>

using namespace pelkora::testsupport;

namespace {

QByteArray text(int lines)
{
    QByteArray out;
    for (int i = 0; i < lines; ++i)
        out += "line " + QByteArray::number(i) + " of the seed text\n";
    return out;
}

QByteArray binary(int size)
{
    QByteArray out(size, '\0');
    unsigned x = 12345;
    for (int i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        out[i] = static_cast<char>(i % 64 < 40 ? (i * 3) & 0xFF : (x >> 16) & 0xFF);
    }
    return out;
}

struct Seed {
    const char* name;
    QByteArray bytes;
};

std::vector<Seed> archives()
{
    const std::int32_t t = 1104580800;
    std::vector<Seed> seeds;
    seeds.push_back({"plain",
        BuildBigArchive({
            {.name = "readme.txt", .data = text(3), .timestamp = t},
            {.name = "data\\maps\\a.map", .data = binary(200), .timestamp = t + 1},
        })});
    seeds.push_back({"plain-planted",
        BuildBigArchive({
            {.name = "data\\x.txt", .data = text(3), .timestamp = t},
            {.name = "keep\\b.bin", .data = binary(200), .compress = true, .timestamp = t + 1},
            {.name = "c.txt", .data = "c", .timestamp = t + 2},
        }) + QByteArray(1, '\x07')});
    seeds.push_back({"compressed",
        BuildBigArchive({
            {.name = "a\\text.txt", .data = text(20), .compress = true, .timestamp = 0},
            {.name = "a\\b\\bin.dat", .data = binary(300), .compress = true, .timestamp = -1},
            {.name = "c", .data = "x", .compress = true, .timestamp = 2147483647},
        })});
    seeds.push_back({"empty", BuildBigArchive({})});
    // A name of thousands of nested folders, past what a path may hold, and
    // one just within it; the last byte asks for the kept writer, the second
    // thread and planted links and files.
    QString deep;
    for (int level = 0; level < 3000; ++level)
        deep += QStringLiteral("a\\");
    seeds.push_back({"deep",
        BuildBigArchive({
            {.name = deep + "f", .data = "deep"},
            {.name = deep.left(600) + "g", .data = text(2), .compress = true},
            {.name = "a\\h", .data = "h"},
        }) + QByteArray(1, '\x07')});
    seeds.push_back({"odd-fields",
        BuildBigArchive(
            {
                {.name = "same", .data = "one", .hash = 42},
                {.name = "Same", .data = "two", .hash = 42, .maskedBits = 0x00670000},
                {.name = "flag", .data = text(2), .compress = true, .flagByte = 0x80, .uncompressedSize = 7},
                {.name = "", .data = "", .timestamp = static_cast<std::int32_t>(0x80000000u)},
                {.name = "caf\u00e9\\na\u00efve.txt", .data = "cp1252", .gapByte = 0x7F},
            },
            {.headerByte7 = 1, .entryReserved = 0xEE, .reverseAreas = true, .gapBetweenAreas = 3})});
    seeds.push_back({"unsafe-names",
        BuildBigArchive({
            {.name = "..\\escape.txt", .data = "up"},
            {.name = "\\rooted.txt", .data = "root"},
            {.name = "dir\\..\\..\\x", .data = "deep"},
            {.name = "dir", .data = "file in the way"},
            {.name = "dir\\inner.txt", .data = "inner"},
            {.name = "a:b\\c.txt", .data = "colon"},
        })});
    seeds.push_back({"bad-record",
        BuildBigArchive({
            {.name = "past-end", .data = "abc", .packedSize = 100000},
            {.name = "negative", .data = "abc", .offset = -5},
            {.name = "long-name", .data = "abc", .nameLength = 5000},
        })});
    seeds.push_back({"count-too-big", BuildBigArchive({{.name = "x", .data = "y"}}, {.fileCount = 1000})});
    return seeds;
}

std::vector<Seed> streams()
{
    std::vector<Seed> seeds = {
        {"literal", QByteArray::fromHex("A08000")},
        {"overlap", QByteArray::fromHex("A08004C000")},
        {"abc", QByteArray::fromHex("B0D8AC6001400000")},
        {"zero-window", QByteArray::fromHex("00100000")},
        {"cut-literal", QByteArray::fromHex("A0FF")},
        {"no-output", QByteArray::fromHex("0000")},
        {"text", LzssEncode(text(30))},
        {"binary", LzssEncode(binary(600))},
        {"no-end", LzssEncode(text(5), {.maxChain = 32, .endToken = false})},
        {"literals", LzssEncode(binary(100), {.maxChain = 0})},
    };
    // A stream that reaches back across the window's wrap.
    BitWriter w;
    for (int i = 0; i < 4200; i += 17) {
        w.put(0, 1);
        w.put(static_cast<unsigned>((i * 37) % 4095 + 1), 12);
        w.put(15, 4);
    }
    seeds.push_back({"wrap", w.finish()});
    return seeds;
}

std::vector<Seed> contents()
{
    return {
        {"text", QByteArray(1, '\0') + text(10)},
        {"text-literals", QByteArray(1, '\1') + text(4)},
        {"binary", QByteArray(1, '\3') + binary(400)},
        {"runs", QByteArray(1, '\6') + QByteArray(300, 'a') + QByteArray(40, 'b')},
    };
}

bool writeAll(const QString& folder, const std::vector<Seed>& seeds)
{
    if (!QDir().mkpath(folder))
        return false;
    for (const Seed& s : seeds)
        if (!WriteFile(folder + u'/' + QLatin1String(s.name), s.bytes))
            return false;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (const int code = pelkora::testsupport::CheckToolArguments(argc, argv, 1, 1, "pelkora-fuzz-seeds DIR");
        code >= 0)
        return code;
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const bool ok = writeAll(dir + QStringLiteral("/reader"), archives())
        && writeAll(dir + QStringLiteral("/extract"), archives())
        && writeAll(dir + QStringLiteral("/decoder"), streams())
        && writeAll(dir + QStringLiteral("/roundtrip"), contents());
    if (!ok) {
        std::fprintf(stderr, "pelkora-fuzz-seeds: cannot write under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
