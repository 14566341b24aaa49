#include "app/ArchiveInfo.h"
#include "cli/ArchiveEntries.h"
#include "cli/Commands.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace pelkora::cli {

int InfoCommand(const CliOptions& options)
{
    CliOutput out(options.quiet);
    cBig big;
    if (!OpenArchive(big, options.archive, out))
        return ExitArchiveFailed;
    bool anyFailed = false;
    const EntryTable table = ReadEntries(big, options.archive, out, anyFailed);
    const ArchiveInfo info = GatherArchiveInfo(big, options.archive, table.entries);

    if (options.json) {
        QJsonArray mismatched;
        for (const std::int32_t id : info.mismatchedIds)
            mismatched.append(id);
        QJsonArray overlaps;
        for (const SharedData& s : info.shared)
            overlaps.append(QJsonObject{{"first", s.first}, {"second", s.second}, {"offset", s.offset}});
        const QJsonObject json{
            {"path", options.archive},
            {"size", info.fileSize},
            {"entries", info.entries},
            {"unpacked", info.unpacked},
            {"packed", info.packed},
            {"compressed", info.compressed},
            {"earliest", info.any ? QJsonValue(ModifiedText(info.earliest)) : QJsonValue()},
            {"latest", info.any ? QJsonValue(ModifiedText(info.latest)) : QJsonValue()},
            {"hash_mismatches", mismatched},
            {"shared_data", overlaps},
        };
        out.Text(QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Indented)));
    } else {
        for (const QString& line : ArchiveInfoLines(info))
            out.Line(line);
    }
    return anyFailed ? ExitEntryFailed : ExitOk;
}

} // namespace pelkora::cli
