#include "Contents.h"

#include <array>
#include <cmath>

namespace pelkora::bench {
namespace {

// xorshift32: fast and the same everywhere.
class Random {
public:
    explicit Random(std::uint32_t seed)
        : mS(seed ? seed : 1)
    {
    }
    std::uint32_t next()
    {
        mS ^= mS << 13;
        mS ^= mS >> 17;
        mS ^= mS << 5;
        return mS;
    }
    std::uint32_t below(std::uint32_t n) { return next() % n; }
    // Small values more often than large ones (roughly Zipf-like).
    std::uint32_t skewed(std::uint32_t n)
    {
        const double u = (next() >> 8) / double(1u << 24);
        return static_cast<std::uint32_t>(std::pow(u, 2.5) * n) % n;
    }

private:
    std::uint32_t mS;
};

constexpr std::array kWords = {
    "the",
    "of",
    "and",
    "to",
    "a",
    "in",
    "is",
    "that",
    "unit",
    "for",
    "it",
    "with",
    "as",
    "on",
    "map",
    "be",
    "at",
    "by",
    "this",
    "player",
    "from",
    "or",
    "have",
    "an",
    "they",
    "which",
    "one",
    "you",
    "were",
    "her",
    "all",
    "she",
    "there",
    "would",
    "their",
    "we",
    "him",
    "been",
    "has",
    "when",
    "who",
    "will",
    "more",
    "no",
    "texture",
    "model",
    "sound",
    "script",
    "weapon",
    "armor",
    "health",
    "speed",
    "range",
    "damage",
    "target",
    "building",
    "resource",
    "mission",
    "objective",
    "trigger",
    "camera",
    "light",
    "shadow",
    "terrain",
    "animation",
    "frame",
    "sequence",
    "effect",
    "particle",
    "emitter",
    "velocity",
    "position",
    "rotation",
};

QByteArray textLike(qsizetype size, Random& rnd)
{
    QByteArray out;
    out.reserve(size + 256);
    while (out.size() < size) {
        const std::uint32_t kind = rnd.below(10);
        if (kind == 0) {
            out += "<entry id=\"" + QByteArray::number(rnd.below(5000)) + "\" value=\""
                + QByteArray::number(rnd.below(100000)) + "\"/>\n";
            continue;
        }
        const int words = 4 + static_cast<int>(rnd.below(12));
        for (int w = 0; w < words; ++w) {
            if (w)
                out += ' ';
            if (rnd.below(14) == 0)
                out += QByteArray::number(rnd.below(1000));
            else
                out += kWords[rnd.skewed(kWords.size())];
        }
        out += kind < 3 ? ".\r\n" : ",\n";
    }
    out.truncate(size);
    return out;
}

void putU32(QByteArray& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

QByteArray binaryLike(qsizetype size, Random& rnd)
{
    QByteArray out;
    out.reserve(size + 4096);
    while (out.size() < size) {
        switch (rnd.below(6)) {
        case 0: // records of small integers and flags
        case 1: {
            const int records = 8 + static_cast<int>(rnd.below(40));
            const std::uint32_t base = rnd.below(1000);
            for (int r = 0; r < records; ++r) {
                putU32(out, base + static_cast<std::uint32_t>(r));
                putU32(out, rnd.skewed(256));
                putU32(out, rnd.below(4) == 0 ? 0xFFFFFFFFu : 0u);
                putU32(out, rnd.skewed(65536));
            }
            break;
        }
        case 2: { // 16-bit samples of a smooth curve
            const int samples = 64 + static_cast<int>(rnd.below(256));
            const double step = 0.01 + rnd.below(100) / 1000.0;
            for (int i = 0; i < samples; ++i) {
                const auto v = static_cast<std::int16_t>(std::sin(i * step) * 8000 + static_cast<int>(rnd.below(64)));
                out += static_cast<char>(v & 0xFF);
                out += static_cast<char>((v >> 8) & 0xFF);
            }
            break;
        }
        case 3: // padding and runs
            out += QByteArray(16 + static_cast<qsizetype>(rnd.below(200)),
                static_cast<char>(rnd.below(3) == 0 ? 0xCC : 0));
            break;
        case 4: { // a palette-like table repeated with small changes
            const qsizetype at = out.size() > 2048 ? out.size() - 1024 - rnd.below(1024) : 0;
            const QByteArray again = out.mid(at, 64 + rnd.below(192));
            for (char c : again)
                out += rnd.below(16) == 0 ? static_cast<char>(rnd.next()) : c;
            break;
        }
        default: // noise
            for (int i = 0, n = 32 + static_cast<int>(rnd.below(160)); i < n; ++i)
                out += static_cast<char>(rnd.next() >> 24);
        }
    }
    out.truncate(size);
    return out;
}

QByteArray randomBytes(qsizetype size, Random& rnd)
{
    QByteArray out(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        out[i] = static_cast<char>(rnd.next() >> 24);
    return out;
}

} // namespace

QByteArray MakeContent(Content kind, qsizetype size, std::uint32_t seed)
{
    Random rnd(seed * 2654435761u + static_cast<std::uint32_t>(kind));
    switch (kind) {
    case Content::Text:
        return textLike(size, rnd);
    case Content::Binary:
        return binaryLike(size, rnd);
    case Content::Random:
        break;
    }
    return randomBytes(size, rnd);
}

const char* ContentName(Content kind)
{
    switch (kind) {
    case Content::Text:
        return "text";
    case Content::Binary:
        return "binary";
    case Content::Random:
        break;
    }
    return "incompressible";
}

} // namespace pelkora::bench
