// The decoder in MB/s of output, next to zlib's inflate of the same content,
// the plain bit-at-a-time decoder and memcpy, on generated contents.

#include "Contents.h"
#include "LiteralUnLZSS.h"
#include "LzssEncoder.h"
#include "lzss/UnLZSS.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <map>
#include <stdexcept>

using namespace pelkora;
using namespace pelkora::bench;

namespace {

constexpr qsizetype kContentSize = 4 << 20;

struct Sample {
    QByteArray plain;
    QByteArray lzss;
    QByteArray deflated;
};

const Sample& sample(Content kind)
{
    static std::map<Content, Sample> samples;
    auto it = samples.find(kind);
    if (it != samples.end())
        return it->second;
    Sample s;
    s.plain = MakeContent(kind, kContentSize);
    s.lzss = testsupport::LzssEncode(s.plain);
    uLongf bound = compressBound(static_cast<uLong>(s.plain.size()));
    s.deflated.resize(static_cast<qsizetype>(bound));
    if (compress2(reinterpret_cast<Bytef*>(s.deflated.data()), &bound,
            reinterpret_cast<const Bytef*>(s.plain.constData()), static_cast<uLong>(s.plain.size()),
            Z_DEFAULT_COMPRESSION)
        != Z_OK)
        throw std::runtime_error("compress2 failed");
    s.deflated.resize(static_cast<qsizetype>(bound));
    if (UnLZSS(s.lzss) != s.plain)
        throw std::runtime_error("the decoder does not give back the benchmark content");
    return samples.emplace(kind, std::move(s)).first->second;
}

void report(benchmark::State& state, const Sample& s, qsizetype stored)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * s.plain.size());
    state.counters["stored_pct"] = 100.0 * static_cast<double>(stored) / static_cast<double>(s.plain.size());
}

void BM_UnLZSS(benchmark::State& state, Content kind)
{
    const Sample& s = sample(kind);
    for (auto _ : state) {
        QByteArray out = UnLZSS(s.lzss, static_cast<std::size_t>(s.plain.size()));
        benchmark::DoNotOptimize(out.data());
    }
    report(state, s, s.lzss.size());
}

void BM_LiteralDecoder(benchmark::State& state, Content kind)
{
    const Sample& s = sample(kind);
    for (auto _ : state) {
        QByteArray out = testsupport::LiteralUnLZSS(s.lzss);
        benchmark::DoNotOptimize(out.data());
    }
    report(state, s, s.lzss.size());
}

void BM_ZlibInflate(benchmark::State& state, Content kind)
{
    const Sample& s = sample(kind);
    for (auto _ : state) {
        // A fresh buffer per call, as the decoder returns one.
        QByteArray out(s.plain.size(), Qt::Uninitialized);
        uLongf length = static_cast<uLongf>(out.size());
        if (uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                reinterpret_cast<const Bytef*>(s.deflated.constData()), static_cast<uLong>(s.deflated.size()))
            != Z_OK)
            state.SkipWithError("inflate failed");
        benchmark::DoNotOptimize(out.data());
    }
    report(state, s, s.deflated.size());
}

void BM_Memcpy(benchmark::State& state, Content kind)
{
    const Sample& s = sample(kind);
    for (auto _ : state) {
        QByteArray out(s.plain.size(), Qt::Uninitialized);
        std::memcpy(out.data(), s.plain.constData(), static_cast<std::size_t>(s.plain.size()));
        benchmark::DoNotOptimize(out.data());
    }
    report(state, s, s.plain.size());
}

#define PELKORA_DECODER_BENCH(fn)                                                                                      \
    BENCHMARK_CAPTURE(fn, text, Content::Text)->Unit(benchmark::kMillisecond);                                         \
    BENCHMARK_CAPTURE(fn, binary, Content::Binary)->Unit(benchmark::kMillisecond);                                     \
    BENCHMARK_CAPTURE(fn, incompressible, Content::Random)->Unit(benchmark::kMillisecond)

PELKORA_DECODER_BENCH(BM_UnLZSS);
PELKORA_DECODER_BENCH(BM_ZlibInflate);
PELKORA_DECODER_BENCH(BM_LiteralDecoder);
BENCHMARK_CAPTURE(BM_Memcpy, text, Content::Text)->Unit(benchmark::kMillisecond);

} // namespace
