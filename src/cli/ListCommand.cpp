#include "cli/ArchiveEntries.h"
#include "cli/Commands.h"
#include "support/Crc.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace pelkora::cli {
namespace {

// A tab or line break inside a name would break the line's fields; the JSON
// form carries such names exactly.
QString tsvField(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            c = u'?';
    }
    return out;
}

QJsonObject jsonEntry(cBig& big, const CliEntry& e)
{
    const std::int32_t unpacked = big.data_uncompressed_size(e.id);
    const std::int32_t packed = big.data_compressed_size(e.id);
    const ListRow row = MakeListRow(e.name, QString(), unpacked, packed);
    QString folder = row[ColPath];
    folder.chop(folder.isEmpty() ? 0 : 1);
    return QJsonObject{
        {"id", e.id},
        {"name", e.name},
        {"folder", folder},
        {"file", row[ColName]},
        {"type", row[ColType]},
        {"size", unpacked},
        {"packed", packed},
        {"ratio", RatioValue(unpacked, packed)},
        {"compressed", big.data_compressed_flag(e.id)},
        {"timestamp", big.timestamp_seconds(e.id)},
        {"modified", ModifiedText(big.timestamp_seconds(e.id))},
        {"hash_matches", big.name_hash(e.id) == NameKey(e.name)},
    };
}

} // namespace

int ListCommand(const CliOptions& options)
{
    CliOutput out(false);
    cBig big;
    if (!OpenArchive(big, options.archive, out))
        return ExitArchiveFailed;
    bool anyFailed = false;
    std::vector<CliEntry> entries = ReadEntries(big, options.archive, out, anyFailed, RowCells::Build);
    SortAsListed(entries);

    if (options.json) {
        // Written entry by entry, in the layout of an indented JSON array, so
        // that memory does not grow with the output.
        out.Text(QStringLiteral("[\n"));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            QByteArray object = QJsonDocument(jsonEntry(big, entries[i])).toJson(QJsonDocument::Indented);
            object.chop(1); // the document's closing line feed
            object.replace("\n", "\n    ");
            out.Text(QStringLiteral("    ") + QString::fromUtf8(object) + (i + 1 < entries.size() ? QStringLiteral(",\n") : QStringLiteral("\n")));
        }
        out.Text(QStringLiteral("]\n"));
    } else {
        for (const CliEntry& e : entries) {
            out.Line(tsvField(e.name) + u'\t' + QString::number(big.data_uncompressed_size(e.id)) + u'\t'
                + QString::number(big.data_compressed_size(e.id)) + u'\t'
                + (big.data_compressed_flag(e.id) ? u'1' : u'0') + u'\t' + ModifiedText(big.timestamp_seconds(e.id)));
        }
    }
    return anyFailed ? ExitEntryFailed : ExitOk;
}

} // namespace pelkora::cli
