#pragma once
// A new archive made from an old one: given files replace the entries of
// the same name (in any letter case, as lookups match) or are added, named
// entries are dropped, and every other entry is copied as it lies, record,
// name bytes and stored data alike, so that the result differs from the old
// archive only where the user changed it. Shared by the command-line tool's
// update and the window's Add or Replace Files.

#include "app/PackArchive.h"
#include "app/PackInputs.h"
#include "archive/ArchiveWriter.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace pelkora {

class BigDirectory;

// One directory slot of the new archive: an old entry as it lies, or a file
// (taking the old entry's place when it replaces one).
struct UpdateSlot {
    std::int32_t copiedId = -1;
    const PackInput* file = nullptr;
};

struct UpdatePlan {
    std::vector<UpdateSlot> entries;      // in the new directory's order
    std::vector<std::int32_t> writeOrder; // places in `entries`, in the order their areas are written
    std::vector<QString> oldNames;        // each old entry's name, empty when unreadable
    int replaced = 0;
    int added = 0;
    int removed = 0;
};

// Plans the new archive from `directory` (the archive at `archive`), the
// collected `inputs` and the `removes` (full names, folders or globs as
// NamePattern takes them). A remove that matches nothing, or that matches a
// given file, is reported through `out` with `archive` as its subject;
// false then. Throws BigRuntimeError when the result would pass the
// format's limits.
bool PlanUpdate(const BigDirectory& directory, const QString& archive, const std::vector<PackInput>& inputs,
    const QStringList& removes, const PackMessage& out, UpdatePlan& plan);

// Writes the planned archive to `target` (which may be the old archive:
// it is replaced only once complete). Files are packed at `level`. Throws
// BigRuntimeError on a failure; false when stopped. Either way `target`
// keeps what it had.
bool WriteUpdatedArchive(const QString& target, const BigDirectory& directory, const UpdatePlan& plan, int level,
    const PackProgress& progress, const PackStop& stop);

} // namespace pelkora
