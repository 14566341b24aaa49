#include "app/PackArchive.h"
#include "archive/ArchiveNames.h"
#include "archive/BigRuntimeError.h"
#include "cli/ArchiveEntries.h"
#include "cli/Commands.h"

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
    if (!CollectPackInputs(options.inputs, options.follow, ErrorsTo(out), inputs))
        return ExitEntryFailed;
    if (ReportOutputAmongInputs(options.archive, inputs, ErrorsTo(out)))
        return ExitEntryFailed;
    try {
        CheckArchiveSize(ArchiveSize(static_cast<qint64>(inputs.size()), AreaBytesOf(inputs)));
    } catch (const BigRuntimeError& refusal) {
        out.Error(options.archive, refusal.description());
        return ExitEntryFailed;
    }

    try {
        WriteNewArchive(options.archive, inputs, options.level,
            [&out](int done, int total, const QString& name) { out.Progress(done, total, name); }, {});
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
