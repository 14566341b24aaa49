#include "archive/ArchiveNames.h"
#include "archive/ArchiveWriter.h"
#include "archive/BigRuntimeError.h"
#include "cli/ArchiveEntries.h"
#include "cli/Commands.h"
#include "cli/PackInputs.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>

namespace pelkora::cli {

int CreateCommand(const CliOptions& options)
{
    CliOutput out(options.quiet);
    QElapsedTimer clock;
    clock.start();
    std::vector<PackInput> inputs;
    if (!CollectPackInputs(options.inputs, options.follow, out, inputs))
        return ExitEntryFailed;
    if (ReportOutputAmongInputs(options.archive, inputs, out))
        return ExitEntryFailed;
    try {
        CheckArchiveSize(ArchiveSize(static_cast<qint64>(inputs.size()), AreaBytesOf(inputs)));
    } catch (const BigRuntimeError& refusal) {
        out.Error(options.archive, refusal.description());
        return ExitEntryFailed;
    }

    try {
        const auto count = static_cast<std::int32_t>(inputs.size());
        ArchiveWriter writer(options.archive, count);
        for (std::int32_t slot = 0; slot < count; ++slot) {
            const PackInput& input = inputs[static_cast<std::size_t>(slot)];
            out.Progress(slot + 1, count, input.fullName);
            writer.AddFile(slot, input.fullName, input.path, options.level);
        }
        writer.Commit();
    } catch (const BigRuntimeError& failure) {
        out.EndProgress();
        out.Error(options.archive, QStringLiteral("nothing written, ") + failure.description());
        return ExitArchiveFailed;
    }
    out.EndProgress();
    out.Summary(QStringLiteral("%1 entries, %2 written to %3 in %4 s")
                    .arg(QLocale().toString(static_cast<qint64>(inputs.size())),
                        QLocale().formattedDataSize(QFileInfo(options.archive).size(), 1, QLocale::DataSizeSIFormat),
                        options.archive, QString::number(clock.elapsed() / 1000.0, 'f', 1)));
    return ExitOk;
}

} // namespace pelkora::cli
