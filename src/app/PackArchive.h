#pragma once
// Writing a new archive from collected files, shared by the command-line
// tool and the window: each entry reported as it is written, a stop asked
// for between two entries.

#include "app/PackInputs.h"

#include <QString>
#include <functional>
#include <vector>

namespace pelkora {

// Told before each entry is written: its place, the count, its name.
using PackProgress = std::function<void(int done, int total, const QString& name)>;
// True when the user wants the work stopped.
using PackStop = std::function<bool()>;

// Writes `inputs` as the archive `target` in their order. Throws
// BigRuntimeError on a failure; false when stopped. Either way nothing is
// left at `target` (the writer removes what it began).
bool WriteNewArchive(const QString& target, const std::vector<PackInput>& inputs, int level,
    const PackProgress& progress, const PackStop& stop);

} // namespace pelkora
