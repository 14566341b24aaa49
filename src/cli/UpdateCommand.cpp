#include "app/PackInputs.h"
#include "app/UpdateArchive.h"
#include "archive/BigRuntimeError.h"
#include "cli/ArchiveEntries.h"
#include "cli/Commands.h"

#include <QElapsedTimer>
#include <QLocale>

namespace pelkora::cli {

int UpdateCommand(const CliOptions& options)
{
    CliOutput out(options.quiet);
    QElapsedTimer clock;
    clock.start();
    cBig big;
    if (!OpenArchive(big, options.archive, out))
        return ExitArchiveFailed;
    const std::shared_ptr<const BigDirectory> directory = big.Directory();
    const QString target = options.output.isEmpty() ? options.archive : options.output;

    std::vector<PackInput> inputs;
    if (!CollectPackInputs(options.inputs, options.follow, ErrorsTo(out), inputs))
        return ExitEntryFailed;
    bool refused = ReportOutputAmongInputs(options.archive, inputs, ErrorsTo(out));
    if (target != options.archive)
        refused = ReportOutputAmongInputs(target, inputs, ErrorsTo(out)) || refused;

    UpdatePlan plan;
    try {
        if (!PlanUpdate(*directory, options.archive, inputs, options.removes, ErrorsTo(out), plan) || refused)
            return ExitEntryFailed;
    } catch (const BigRuntimeError& failure) {
        out.Error(options.archive, QStringLiteral("nothing written, ") + failure.description());
        return failure.source() == QLatin1String("Write") ? ExitEntryFailed : ExitArchiveFailed;
    }
    try {
        WriteUpdatedArchive(target, *directory, plan, options.level,
            [&out](int done, int total, const QString& name) { out.Progress(done, total, name); }, {});
    } catch (const BigRuntimeError& failure) {
        out.EndProgress();
        out.Error(target, QStringLiteral("nothing written, ") + failure.description());
        return ExitArchiveFailed;
    }
    out.EndProgress();
    out.Summary(QStringLiteral("%1 entries (%2 replaced, %3 added, %4 removed) written to %5 in %6 s")
                    .arg(QLocale().toString(static_cast<qint64>(plan.entries.size())),
                        QLocale().toString(plan.replaced), QLocale().toString(plan.added),
                        QLocale().toString(plan.removed), target, QString::number(clock.elapsed() / 1000.0, 'f', 1)));
    return ExitOk;
}

} // namespace pelkora::cli
