#pragma once
// Opening an archive and reading its entries for the tool's commands.

#include "app/ListRow.h"
#include "archive/cBig.h"
#include "cli/CliOutput.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace pelkora::cli {

enum ExitCode { ExitOk = 0, ExitEntryFailed = 1, ExitArchiveFailed = 2, ExitUsage = 64 };

struct CliEntry {
    std::int32_t id = 0;
    QString name; // full name as stored, "\" between folders; its characters live in the table's arena
};

// Texts kept one after another in large blocks, so that a million names cost
// their characters rather than a heap block each. A text never moves once
// added.
class TextArena {
public:
    QString add(QStringView text);

private:
    static constexpr qsizetype kBlock = qsizetype(1) << 20;
    std::vector<std::unique_ptr<QChar[]>> blocks_;
    qsizetype used_ = kBlock;
};

// The entries and the arena their names point into; not copyable, so a name
// cannot outlive its characters by accident (a QString copied out of an
// entry shares them while the table lives).
struct EntryTable {
    std::vector<CliEntry> entries;
    TextArena names;
};

// Loads `path` into `big`; on failure prints why, naming the archive, and
// returns false.
bool OpenArchive(cBig& big, const QString& path, CliOutput& out);

// Every entry whose name can be read, in ID order. An entry whose name
// cannot be read is reported and left out, and `anyFailed` is set.
EntryTable ReadEntries(cBig& big, const QString& archive, CliOutput& out, bool& anyFailed);

// The entries the NAMEs select (all when none is given) less those an
// exclude pattern matches, in the order of `entries` (see NamePattern.h). A
// NAME that selects nothing is reported and sets `anyFailed`.
std::vector<const CliEntry*> SelectEntries(const std::vector<CliEntry>& entries, const QStringList& names,
    const QStringList& excludes, const QString& archive, CliOutput& out, bool& anyFailed);

// Two entries whose data areas overlap, and where the later one starts.
struct SharedData {
    std::int32_t first;
    std::int32_t second;
    qint64 offset;
};

// Normal archives never share bytes between entries; many names on one
// stream is how a small archive promises huge output. Each overlap is given
// once, against the entry reaching furthest before it, in file order.
std::vector<SharedData> FindSharedData(cBig& big, const std::vector<CliEntry>& entries);

// The window's list order: its Sort cell, ties kept in ID order. The keys
// are made for the sort only and dropped after it.
void SortAsListed(std::vector<CliEntry>& entries);

// The entry's moment as YYYY-MM-DD HH:MM:SS (no zone shift).
QString ModifiedText(std::int32_t seconds);

} // namespace pelkora::cli
