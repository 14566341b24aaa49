#include "app/PackArchive.h"

#include "archive/ArchiveNames.h"
#include "archive/ArchiveWriter.h"

namespace pelkora {

bool WriteNewArchive(const QString& target, const std::vector<PackInput>& inputs, int level,
    const PackProgress& progress, const PackStop& stop)
{
    CheckArchiveSize(ArchiveSize(static_cast<qint64>(inputs.size()), AreaBytesOf(inputs)));
    const auto count = static_cast<std::int32_t>(inputs.size());
    ArchiveWriter writer(target, count);
    for (std::int32_t slot = 0; slot < count; ++slot) {
        if (stop && stop())
            return false;
        const PackInput& input = inputs[static_cast<std::size_t>(slot)];
        if (progress)
            progress(slot + 1, count, input.fullName);
        writer.AddFile(slot, input.fullName, input.path, level);
    }
    writer.Commit();
    return true;
}

} // namespace pelkora
