#include "app/JsonText.h"
#include "archive/BigRuntimeError.h"
#include "cli/ArchiveEntries.h"
#include "cli/Commands.h"
#include "support/AnsiText.h"
#include "support/Crc.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace pelkora::cli {
namespace {

// Output is written in pieces of about this many bytes.
constexpr qsizetype kPiece = 64 << 10;

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

// tsvField's text as UTF-8, straight into `out`: names are mostly ASCII, so
// most are copied without an intermediate text.
void appendTsvField(QByteArray& out, const QString& text)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            // Split at an ASCII character, so no surrogate pair is cut.
            out += tsvField(text.sliced(i)).toUtf8();
            return;
        }
        out += IsControlCharacter(QChar(c)) ? '?' : static_cast<char>(c);
    }
}

void appendNumber(QByteArray& out, std::int32_t value)
{
    char digits[16];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
    out.append(digits, end - digits);
}

// One entry as a JSON object, members in key order (the order the JSON
// form has always had). Written straight into `out`: the name's parts are
// views of it, and `type` is a text kept from entry to entry.
void appendJsonEntry(QByteArray& out, cBig& big, const CliEntry& e, JsonObjectText::Layout layout, const char* indent,
    QString& type)
{
    const std::int32_t unpacked = big.data_uncompressed_size(e.id);
    const std::int32_t packed = big.data_compressed_size(e.id);
    const std::int32_t seconds = big.timestamp_seconds(e.id);
    // The Name, Path and Type cells as MakeListRow makes them, without the
    // number cells it would format and this form does not use.
    const QStringView name(e.name);
    const qsizetype slash = name.lastIndexOf(u'\\');
    const QStringView file = name.sliced(slash + 1);
    const QStringView folder = slash < 0 ? QStringView() : name.first(slash);
    const QStringView extension = file.sliced(file.lastIndexOf(u'.') + 1);
    type.resize(0);
    if (std::all_of(extension.begin(), extension.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        for (const QChar c : extension)
            type.append(c >= u'a' && c <= u'z' ? QChar(c.unicode() - 0x20) : c);
    } else {
        type.append(extension.toString().toUpper());
    }
    type.append(QLatin1String(" File"));
    char modified[kModifiedTextSize];
    ModifiedChars(seconds, modified);
    JsonObjectText object(out, layout, indent);
    object.add("compressed", big.data_compressed_flag(e.id));
    object.add("file", file);
    object.add("folder", folder);
    object.add("hash_matches", big.name_hash(e.id) == NameKey(e.name));
    object.add("id", std::int64_t{e.id});
    object.add("modified", QLatin1String(modified, kModifiedTextSize));
    object.add("name", name);
    object.add("packed", std::int64_t{packed});
    object.add("ratio", RatioValue(unpacked, packed));
    object.add("size", std::int64_t{unpacked});
    object.add("timestamp", std::int64_t{seconds});
    object.add("type", type);
    object.finish();
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

    if (options.json || options.jsonLines) {
        // Written as it goes, in pieces of many entries.
        const auto layout = options.json ? JsonObjectText::Layout::Indented : JsonObjectText::Layout::Compact;
        QByteArray pending;
        pending.reserve(kPiece + (16 << 10));
        if (options.json)
            pending += '[';
        QString type;
        bool first = true;
        forEachListed([&](const CliEntry& e) {
            if (options.json)
                pending += first ? "\n    " : ",\n    ";
            first = false;
            appendJsonEntry(pending, big, e, layout, options.json ? "    " : "", type);
            if (options.jsonLines)
                pending += '\n';
            if (pending.size() >= kPiece) {
                out.Bytes(pending);
                pending.resize(0); // its room is kept for the next piece
            }
        });
        if (options.json)
            pending += "\n]\n";
        out.Bytes(pending);
    } else if (options.longList) {
        printLong(big, forEachListed, out);
    } else {
        // Bytes made in place and written in pieces of many lines.
        QByteArray pending;
        pending.reserve(kPiece + (16 << 10));
        forEachListed([&](const CliEntry& e) {
            appendTsvField(pending, e.name);
            pending += '\t';
            appendNumber(pending, big.data_uncompressed_size(e.id));
            pending += '\t';
            appendNumber(pending, big.data_compressed_size(e.id));
            pending += big.data_compressed_flag(e.id) ? "\t1\t" : "\t0\t";
            char modified[kModifiedTextSize];
            ModifiedChars(big.timestamp_seconds(e.id), modified);
            pending.append(modified, kModifiedTextSize);
            pending += '\n';
            if (pending.size() >= kPiece) {
                out.Bytes(pending);
                pending.resize(0); // its room is kept for the next piece
            }
        });
        out.Bytes(pending);
    }
    if (selector.reportUnused(options.archive, out))
        anyFailed = true;
    return anyFailed ? ExitEntryFailed : ExitOk;
}

} // namespace pelkora::cli
