#include "app/ListRow.h"
#include "cli/ArchiveEntries.h"
#include "cli/Commands.h"
#include "support/Crc.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <algorithm>
#include <limits>

namespace pelkora::cli {

int InfoCommand(const CliOptions& options)
{
    CliOutput out(options.quiet);
    cBig big;
    if (!OpenArchive(big, options.archive, out))
        return ExitArchiveFailed;
    bool anyFailed = false;
    const EntryTable table = ReadEntries(big, options.archive, out, anyFailed);
    const std::vector<CliEntry>& entries = table.entries;

    qint64 unpacked = 0;
    qint64 packed = 0;
    int compressed = 0;
    std::int32_t earliest = std::numeric_limits<std::int32_t>::max();
    std::int32_t latest = std::numeric_limits<std::int32_t>::min();
    QJsonArray mismatched;
    QStringList mismatchedNames;
    for (const CliEntry& e : entries) {
        unpacked += std::max(0, big.data_uncompressed_size(e.id));
        packed += std::max(0, big.data_compressed_size(e.id));
        compressed += big.data_compressed_flag(e.id) ? 1 : 0;
        earliest = std::min(earliest, big.timestamp_seconds(e.id));
        latest = std::max(latest, big.timestamp_seconds(e.id));
        if (big.name_hash(e.id) != NameKey(e.name)) {
            mismatched.append(e.id);
            mismatchedNames << QStringLiteral("%1 \"%2\"").arg(e.id).arg(e.name);
        }
    }
    const std::vector<SharedData> shared = FindSharedData(big, entries);
    const qint64 fileSize = QFileInfo(options.archive).size();
    const bool any = !entries.empty();

    if (options.json) {
        QJsonArray overlaps;
        for (const SharedData& s : shared)
            overlaps.append(QJsonObject{{"first", s.first}, {"second", s.second}, {"offset", s.offset}});
        const QJsonObject info{
            {"path", options.archive},
            {"size", fileSize},
            {"entries", big.FileCount()},
            {"unpacked", unpacked},
            {"packed", packed},
            {"compressed", compressed},
            {"earliest", any ? QJsonValue(ModifiedText(earliest)) : QJsonValue()},
            {"latest", any ? QJsonValue(ModifiedText(latest)) : QJsonValue()},
            {"hash_mismatches", mismatched},
            {"shared_data", overlaps},
        };
        out.Text(QString::fromUtf8(QJsonDocument(info).toJson(QJsonDocument::Indented)));
    } else {
        const QLocale locale;
        out.Line(QStringLiteral("path:             %1").arg(options.archive));
        out.Line(QStringLiteral("size:             %1 bytes").arg(locale.toString(fileSize)));
        out.Line(QStringLiteral("entries:          %1").arg(locale.toString(big.FileCount())));
        out.Line(QStringLiteral("unpacked:         %1 bytes").arg(locale.toString(unpacked)));
        out.Line(QStringLiteral("packed:           %1 bytes").arg(locale.toString(packed)));
        out.Line(QStringLiteral("compressed:       %1 entries").arg(locale.toString(compressed)));
        if (any)
            out.Line(QStringLiteral("dates:            %1 to %2").arg(ModifiedText(earliest), ModifiedText(latest)));
        out.Line(QStringLiteral("hash mismatches:  %1").arg(mismatched.size()));
        for (const QString& name : mismatchedNames)
            out.Line(QStringLiteral("  entry ") + name);
        out.Line(QStringLiteral("shared data:      %1").arg(shared.size()));
        for (const SharedData& s : shared)
            out.Line(
                QStringLiteral("  entries %1 and %2 share data at offset %3").arg(s.first).arg(s.second).arg(s.offset));
    }
    return anyFailed ? ExitEntryFailed : ExitOk;
}

} // namespace pelkora::cli
