#include "archive/BigRuntimeError.h"
#include "cli/ArchiveEntries.h"
#include "cli/Commands.h"
#include "support/AnsiText.h"
#include "support/Crc.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>

namespace pelkora::cli {
namespace {

// A tab or line break inside a name would break the line's fields; the JSON
// form carries such names exactly.
QString tsvField(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (IsControlCharacter(c))
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

// The window's columns, each padded to its widest cell; numbers to the right.
// Rows are made twice, once to measure and once to print, rather than held:
// a million rows of eight cells would take a gigabyte.
template <typename ForEachListed> void printLong(cBig& big, const ForEachListed& forEachListed, CliOutput& out)
{
    const int shown[] = {ColName, ColType, ColModified, ColSize, ColPacked, ColRatio, ColPath};
    const bool rightAligned[] = {false, false, false, true, true, true, false};
    const ListRow header = {QStringLiteral("Name"), QStringLiteral("Type"), QStringLiteral("Modified"),
        QStringLiteral("Size"), QStringLiteral("Packed"), QStringLiteral("Ratio"), QStringLiteral("Folder"), QString()};
    const QLocale locale;
    // Calls `use` with the header and then each entry's row.
    const auto forEachRow = [&](const auto& use) {
        use(header);
        forEachListed([&](const CliEntry& e) {
            try {
                use(MakeListRow(e.name, ModifiedText(big.timestamp_seconds(e.id)), big.data_uncompressed_size(e.id),
                    big.data_compressed_size(e.id), locale));
            } catch (const BigRuntimeError&) {
                // Its record was read a moment ago; should it fail now, leave it out.
            }
        });
    };
    std::array<qsizetype, std::size(shown)> widths{};
    forEachRow([&](const ListRow& row) {
        for (std::size_t c = 0; c < std::size(shown); ++c)
            widths[c] = std::max(widths[c], tsvField(row[shown[c]]).size());
    });
    forEachRow([&](const ListRow& row) {
        QString line;
        for (std::size_t c = 0; c < std::size(shown); ++c) {
            const QString cell = tsvField(row[shown[c]]);
            const bool last = c + 1 == std::size(shown);
            if (c > 0)
                line += QStringLiteral("  ");
            line += rightAligned[c] ? cell.rightJustified(widths[c]) : last ? cell : cell.leftJustified(widths[c]);
        }
        out.Line(line);
    });
}

} // namespace

int ListCommand(const CliOptions& options)
{
    CliOutput out(false);
    cBig big;
    if (!OpenArchive(big, options.archive, out))
        return ExitArchiveFailed;
    bool anyFailed = false;
    const ListedOrder listed = ReadListedOrder(big, options.archive, out, anyFailed);
    EntrySelector selector(options.names, options.excludes);
    // Entries are made, chosen and printed one at a time, in list order.
    const auto forEachListed = [&](const auto& use) {
        for (std::size_t place = 0; place < listed.size(); ++place) {
            const CliEntry e = listed.at(place);
            if (selector.selects(e.name))
                use(e);
        }
    };

    if (options.json) {
        // In the layout of an indented JSON array, written as it goes.
        out.Text(QStringLiteral("["));
        bool first = true;
        forEachListed([&](const CliEntry& e) {
            QByteArray object = QJsonDocument(jsonEntry(big, e)).toJson(QJsonDocument::Indented);
            object.chop(1); // the document's closing line feed
            object.replace("\n", "\n    ");
            out.Text((first ? QStringLiteral("\n    ") : QStringLiteral(",\n    ")) + QString::fromUtf8(object));
            first = false;
        });
        out.Text(QStringLiteral("\n]\n"));
    } else if (options.jsonLines) {
        forEachListed([&](const CliEntry& e) {
            out.Line(QString::fromUtf8(QJsonDocument(jsonEntry(big, e)).toJson(QJsonDocument::Compact)));
        });
    } else if (options.longList) {
        printLong(big, forEachListed, out);
    } else {
        forEachListed([&](const CliEntry& e) {
            out.Line(tsvField(e.name) + u'\t' + QString::number(big.data_uncompressed_size(e.id)) + u'\t'
                + QString::number(big.data_compressed_size(e.id)) + u'\t'
                + (big.data_compressed_flag(e.id) ? u'1' : u'0') + u'\t' + ModifiedText(big.timestamp_seconds(e.id)));
        });
    }
    if (selector.reportUnused(options.archive, out))
        anyFailed = true;
    return anyFailed ? ExitEntryFailed : ExitOk;
}

} // namespace pelkora::cli
