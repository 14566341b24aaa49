// Loads the input bytes as an archive and asks every member about every ID,
// including building the list row, decoding compressed entries and looking
// each entry up by its stored hash. Any crash or sanitizer report is a
// finding; the reader's ordinary failures are not.

#include "FuzzFile.h"

#include "app/ListRow.h"
#include "archive/BigRuntimeError.h"
#include "archive/cBig.h"
#include "lzss/UnLZSS.h"

#include <QLocale>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace pelkora;

namespace {

void check(bool ok, const char* what, std::int32_t id)
{
    if (!ok) {
        std::fprintf(stderr, "reader fuzz: %s (entry %d)\n", what, id);
        std::abort();
    }
}

// An ID outside the directory: every member answers 1005, nothing raises.
void visitBadId(cBig& big, std::int32_t id)
{
    const auto answered = [&](const char* member) { check(big.Error().Number() == cError::IdOutOfBounds, member, id); };
    big.data_compressed_size(id);
    answered("data_compressed_size without 1005");
    big.data_uncompressed_size(id);
    answered("data_uncompressed_size without 1005");
    big.timestamp(id);
    answered("timestamp without 1005");
    big.data_compressed_flag(id);
    answered("data_compressed_flag without 1005");
    try {
        big.GetFileName(id);
        answered("GetFileName without 1005");
        big.GetFileBlob(id);
        answered("GetFileBlob without 1005");
    } catch (const BigRuntimeError&) {
        check(false, "bad ID raised instead of 1005", id);
    }
}

void visitEntry(cBig& big, std::int32_t id, const QLocale& locale)
{
    // The list row reads the name, the sizes and the timestamp text.
    try {
        BuildListRow(big, id, locale);
    } catch (const BigRuntimeError&) {
    }
    const bool compressed = big.data_compressed_flag(id);
    big.timestamp_seconds(id);
    try {
        const QByteArray blob = big.GetFileBlob(id);
        check(blob.size() == big.data_compressed_size(id), "data size differs from the packed size", id);
        if (compressed && !blob.isEmpty())
            UnLZSS(blob, static_cast<std::size_t>(std::max(0, big.data_uncompressed_size(id))));
    } catch (const BigRuntimeError&) {
    }

    // The lowest ID with this hash is found, and the next one is further on.
    const std::uint64_t hash = big.name_hash(id);
    const std::int32_t first = big.FindFile(hash);
    check(first >= 0 && first <= id && big.name_hash(first) == hash, "FindFile missed a stored hash", id);
    const std::int32_t next = big.FindNextFile(hash, id);
    check(next == -1 || (next > id && big.name_hash(next) == hash), "FindNextFile went wrong", id);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FuzzFile file("reader", ".big");
    static const QLocale locale(QLocale::English, QLocale::UnitedStates);
    file.write(data, size);

    cBig big;
    try {
        if (!big.Load(file.path()))
            return 0;
    } catch (const BigRuntimeError&) {
        check(!big.Loaded(), "Load raised but stayed loaded", -1);
        return 0;
    }
    check(big.Error().Number() == 0, "Load succeeded with an error set", -1);
    check(!big.Load(file.path()) && big.Loaded(), "second Load changed the reader", -1);

    const std::int32_t count = big.FileCount();
    check(count >= 0 && 16 + static_cast<std::int64_t>(count) * 32 <= static_cast<std::int64_t>(size),
        "directory larger than the file", -1);
    visitBadId(big, -1);
    visitBadId(big, count);
    for (std::int32_t id = 0; id < count; ++id)
        visitEntry(big, id, locale);
    big.FindFile(0);
    return 0;
}
