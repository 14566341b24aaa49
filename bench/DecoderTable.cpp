// Decoding speed side by side, as one markdown table: the LZSS decoder (whole
// buffer and streaming) against zlib, libdeflate (the same zlib stream,
// deflate level 6, both checking its Adler-32) and LZ4 as
// the ceiling, in MB/s of output, median of several runs. Contents: the
// text- and binary-like generated contents, as many 64 KiB entries (input
// and output stay in cache) and as one 64 MiB entry (neither does).
// Variants: "reused" decodes every entry into the same buffer; "fresh"
// allocates the entry's output anew each time, as extraction does, so the
// page faults of new memory are paid as well.
// Usage: pelkora-decoder-table [RUNS]  (default 7)

#include "Contents.h"
#include "LzssEncoder.h"
#include "lzss/UnLZSS.h"

#include <zlib.h>
#if PELKORA_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif
#if PELKORA_HAVE_LZ4
#include <lz4.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace pelkora;
using namespace pelkora::bench;

namespace {

// One encoded entry and the size it decodes to.
struct Packed {
    QByteArray data;
    std::size_t plainSize = 0;
};

// Decodes one entry into `out` (at least plainSize bytes); false on failure.
using DecodeInto = std::function<bool(const Packed&, char* out)>;
// Decodes one entry into memory it allocates itself; answers a checksum-ish
// byte so the work cannot be dropped.
using DecodeFresh = std::function<bool(const Packed&)>;

struct Codec {
    std::string name;
    std::string format; // codecs of one format share the encoded entries
    std::function<QByteArray(const QByteArray&)> encode;
    DecodeInto intoBuffer;   // empty: the decoder always allocates
    DecodeFresh freshMemory; // empty: made from intoBuffer with a new buffer
};

QByteArray deflate6(const QByteArray& plain)
{
    uLongf bound = compressBound(static_cast<uLong>(plain.size()));
    QByteArray out(static_cast<qsizetype>(bound), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &bound, reinterpret_cast<const Bytef*>(plain.constData()),
            static_cast<uLong>(plain.size()), 6)
        != Z_OK) {
        std::fprintf(stderr, "decoder table: deflate failed\n");
        std::exit(1);
    }
    out.resize(static_cast<qsizetype>(bound));
    return out;
}

bool streamInto(const Packed& p, char* out)
{
    std::size_t at = 0;
    LzssDecoder decoder([&](const char* data, std::size_t size) {
        if (at + size > p.plainSize)
            return false;
        std::memcpy(out + at, data, size);
        at += size;
        return true;
    });
    decoder.feed(p.data.constData(), static_cast<std::size_t>(p.data.size()));
    return decoder.finish() && at == p.plainSize;
}

std::vector<Codec> codecs()
{
    std::vector<Codec> list;
    auto lzss = [](const QByteArray& plain) { return testsupport::LzssEncode(plain); };
    list.push_back({"UnLZSS", "lzss", lzss, {}, [](const Packed& p) {
                        const QByteArray out = UnLZSS(p.data, p.plainSize);
                        return static_cast<std::size_t>(out.size()) == p.plainSize;
                    }});
    list.push_back({"LzssDecoder (streaming)", "lzss", lzss, streamInto, {}});
    list.push_back({"zlib inflate", "deflate", deflate6,
        [](const Packed& p, char* out) {
            uLongf length = static_cast<uLongf>(p.plainSize);
            return uncompress(reinterpret_cast<Bytef*>(out), &length,
                       reinterpret_cast<const Bytef*>(p.data.constData()), static_cast<uLong>(p.data.size()))
                == Z_OK
                && length == p.plainSize;
        },
        {}});
#if PELKORA_HAVE_LIBDEFLATE
    static libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
    list.push_back({"libdeflate", "deflate", deflate6,
        [](const Packed& p, char* out) {
            std::size_t length = 0;
            return libdeflate_zlib_decompress(inflater, p.data.constData(), static_cast<std::size_t>(p.data.size()),
                       out, p.plainSize, &length)
                == LIBDEFLATE_SUCCESS
                && length == p.plainSize;
        },
        {}});
#endif
#if PELKORA_HAVE_LZ4
    list.push_back({"LZ4", "lz4",
        [](const QByteArray& plain) {
            QByteArray out(LZ4_compressBound(static_cast<int>(plain.size())), Qt::Uninitialized);
            const int n = LZ4_compress_default(plain.constData(), out.data(), static_cast<int>(plain.size()),
                static_cast<int>(out.size()));
            out.resize(n);
            return out;
        },
        [](const Packed& p, char* out) {
            return LZ4_decompress_safe(p.data.constData(), out, static_cast<int>(p.data.size()),
                       static_cast<int>(p.plainSize))
                == static_cast<int>(p.plainSize);
        },
        {}});
#endif
    list.push_back({"memcpy", "plain", [](const QByteArray& plain) { return plain; },
        [](const Packed& p, char* out) {
            std::memcpy(out, p.data.constData(), p.plainSize);
            return true;
        },
        {}});
    return list;
}

struct Workload {
    std::string name;
    qsizetype entrySize;
    int entries;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// MB/s (10^6 bytes) of output, median over `runs` passes over all entries.
std::optional<double> measure(const std::vector<Packed>& entries, const std::function<bool(const Packed&)>& decode,
    int runs)
{
    std::size_t total = 0;
    for (const Packed& p : entries)
        total += p.plainSize;
    std::vector<double> speeds;
    for (int r = 0; r < runs + 1; ++r) { // the first pass warms up
        const auto start = std::chrono::steady_clock::now();
        for (const Packed& p : entries)
            if (!decode(p))
                return std::nullopt;
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (r > 0)
            speeds.push_back(static_cast<double>(total) / took.count() / 1e6);
    }
    return median(speeds);
}

std::string cell(const std::optional<double>& v)
{
    if (!v)
        return "—";
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", *v);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    // 256 entries of 64 KiB: 16 MiB of output per pass, each entry's input
    // and output small enough for the caches.
    const std::vector<Workload> workloads = {{"64 KiB x 256", 64 << 10, 256}, {"64 MiB x 1", 64 << 20, 1}};
    const std::vector<Content> contents = {Content::Text, Content::Binary};
    const std::vector<Codec> list = codecs();

    std::printf("Median of %d runs, MB/s of decoded output (10^6 bytes/s); stored = encoded size / plain size.\n\n",
        runs);
    std::printf("| decoder | content | entries | stored | reused buffer | fresh buffer |\n");
    std::printf("|---|---|---|---:|---:|---:|\n");
    for (const Content content : contents) {
        for (const Workload& w : workloads) {
            const QByteArray plain = MakeContent(content, w.entrySize * w.entries);
            std::map<std::string, std::vector<Packed>> encoded;
            for (const Codec& codec : list) {
                std::vector<Packed>& entries = encoded[codec.format];
                if (entries.empty()) {
                    for (int i = 0; i < w.entries; ++i) {
                        const QByteArray part = plain.mid(i * w.entrySize, w.entrySize);
                        entries.push_back({codec.encode(part), static_cast<std::size_t>(part.size())});
                    }
                }
                qsizetype stored = 0;
                for (const Packed& p : entries)
                    stored += p.data.size();
                // The decoders must give the content back before they are timed.
                if (codec.freshMemory && UnLZSS(entries[0].data) != plain.left(w.entrySize)) {
                    std::fprintf(stderr, "decoder table: %s does not give the content back\n", codec.name.c_str());
                    return 1;
                }
                std::optional<double> reused;
                std::optional<double> fresh;
                if (codec.intoBuffer) {
                    QByteArray check(w.entrySize, Qt::Uninitialized);
                    if (!codec.intoBuffer(entries[0], check.data()) || check != plain.left(w.entrySize)) {
                        std::fprintf(stderr, "decoder table: %s does not give the content back\n", codec.name.c_str());
                        return 1;
                    }
                    QByteArray buffer(w.entrySize, '\0'); // touched once, before timing
                    reused = measure(
                        entries, [&](const Packed& p) { return codec.intoBuffer(p, buffer.data()); }, runs);
                    fresh = measure(
                        entries,
                        [&](const Packed& p) {
                            QByteArray out(static_cast<qsizetype>(p.plainSize), Qt::Uninitialized);
                            return codec.intoBuffer(p, out.data());
                        },
                        runs);
                } else {
                    fresh = measure(entries, codec.freshMemory, runs);
                }
                std::printf("| %s | %s | %s | %.1f%% | %s | %s |\n", codec.name.c_str(), ContentName(content),
                    w.name.c_str(), 100.0 * static_cast<double>(stored) / static_cast<double>(plain.size()),
                    cell(reused).c_str(), cell(fresh).c_str());
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
