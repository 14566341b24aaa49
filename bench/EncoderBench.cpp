// The encoder in MB/s of input and the size it writes, at its fastest,
// default and best levels, next to the test kit's encoder and zlib's
// compress2 at levels 1, 6 and 9, on generated contents.

#include "Contents.h"
#include "LzssEncoder.h"
#include "lzss/LzssEncoder.h"
#include "lzss/UnLZSS.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <map>

using namespace pelkora;
using namespace pelkora::bench;

namespace {

constexpr qsizetype kContentSize = 4 << 20;

const QByteArray& content(Content kind)
{
    static std::map<Content, QByteArray> contents;
    auto it = contents.find(kind);
    if (it == contents.end())
        it = contents.emplace(kind, MakeContent(kind, kContentSize)).first;
    return it->second;
}

void report(benchmark::State& state, const QByteArray& plain, qsizetype stored)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * plain.size());
    state.counters["stored_pct"] = 100.0 * static_cast<double>(stored) / static_cast<double>(plain.size());
    state.counters["stored_bytes"] = static_cast<double>(stored);
}

void BM_EncodeLZSS(benchmark::State& state, Content kind)
{
    const QByteArray& plain = content(kind);
    const int level = static_cast<int>(state.range(0));
    QByteArray stream;
    for (auto _ : state) {
        stream = EncodeLZSS(plain, level);
        benchmark::DoNotOptimize(stream.data());
    }
    if (UnLZSS(stream) != plain)
        state.SkipWithError("the stream does not decode back to the content");
    report(state, plain, stream.size());
}

void BM_TestKitEncoder(benchmark::State& state, Content kind)
{
    const QByteArray& plain = content(kind);
    QByteArray stream;
    for (auto _ : state) {
        stream = testsupport::LzssEncode(plain);
        benchmark::DoNotOptimize(stream.data());
    }
    report(state, plain, stream.size());
}

void BM_ZlibCompress(benchmark::State& state, Content kind)
{
    const QByteArray& plain = content(kind);
    const int level = static_cast<int>(state.range(0));
    QByteArray deflated;
    for (auto _ : state) {
        uLongf length = compressBound(static_cast<uLong>(plain.size()));
        deflated.resize(static_cast<qsizetype>(length));
        if (compress2(reinterpret_cast<Bytef*>(deflated.data()), &length,
                reinterpret_cast<const Bytef*>(plain.constData()), static_cast<uLong>(plain.size()), level)
            != Z_OK)
            state.SkipWithError("compress2 failed");
        deflated.resize(static_cast<qsizetype>(length));
        benchmark::DoNotOptimize(deflated.data());
    }
    report(state, plain, deflated.size());
}

#define PELKORA_ENCODER_BENCH(fn, ...)                                                                                 \
    BENCHMARK_CAPTURE(fn, text, Content::Text) __VA_ARGS__->Unit(benchmark::kMillisecond);                             \
    BENCHMARK_CAPTURE(fn, binary, Content::Binary) __VA_ARGS__->Unit(benchmark::kMillisecond)

PELKORA_ENCODER_BENCH(BM_EncodeLZSS, ->ArgName("level")->Arg(1)->Arg(6)->Arg(9));
PELKORA_ENCODER_BENCH(BM_TestKitEncoder);
PELKORA_ENCODER_BENCH(BM_ZlibCompress, ->ArgName("level")->Arg(1)->Arg(6)->Arg(9));

} // namespace
