#pragma once
// Contents the benchmarks generate for themselves, deterministic for a seed:
// text-like (words, numbers and markup in lines), binary-like (records of
// small integers, tables, runs and some noise, as in game data files) and
// incompressible (random bytes).

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace pelkora::bench {

enum class Content { Text, Binary, Random };

QByteArray MakeContent(Content kind, qsizetype size, std::uint32_t seed = 1);
const char* ContentName(Content kind);

} // namespace pelkora::bench
