#pragma once
// Opening an archive and reading its entries for the tool's commands.

#include "app/ArchiveInfo.h"
#include "app/ListRow.h"
#include "archive/cBig.h"
#include "cli/CliOutput.h"
#include "cli/NamePattern.h"
#include "support/LargeArray.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace pelkora::cli {

enum ExitCode { ExitOk = 0, ExitEntryFailed = 1, ExitArchiveFailed = 2, ExitUsage = 64 };

// Its name's characters live in the table's arena.
using CliEntry = NamedEntry;
using pelkora::FindSharedData;
using pelkora::ModifiedText;
using pelkora::SharedData;

// Texts kept one after another in large blocks, so that a million names cost
// their characters rather than a heap block each. A text never moves once
// added.
class TextArena {
public:
    QString add(QStringView text);

private:
    // Characters per block: whole huge pages of memory (see LargeArray.h).
    static constexpr qsizetype kBlock = qsizetype(2) << 20;
    std::vector<LargeVector<char16_t>> mBlocks;
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

// Whether a full name is chosen by the NAMEs (all when none is given) and
// not excluded; remembers which NAMEs chose something.
class EntrySelector {
public:
    EntrySelector(const QStringList& names, const QStringList& excludes);
    bool selects(const QString& fullName);
    // Reports each NAME that chose nothing; true if there was one.
    bool reportUnused(const QString& archive, CliOutput& out) const;

private:
    std::vector<NamePattern> mWanted;
    std::vector<NamePattern> mUnwanted;
    std::vector<bool> mUsed;
};

// The entries the NAMEs select (all when none is given) less those an
// exclude pattern matches, in the order of `entries` (see NamePattern.h). A
// NAME that selects nothing is reported and sets `anyFailed`.
std::vector<const CliEntry*> SelectEntries(const std::vector<CliEntry>& entries, const QStringList& names,
    const QStringList& excludes, const QString& archive, CliOutput& out, bool& anyFailed);

// Every readable entry in the window's list order (its Sort cell, ties in
// ID order), holding only the sort keys: a name is made again from its key
// when asked for, so a listing of a million entries keeps one text each.
class ListedOrder {
public:
    std::size_t size() const { return mOrder.size(); }
    // The entry at `place` in the order, its name made anew.
    CliEntry at(std::size_t place) const;

private:
    friend ListedOrder ReadListedOrder(cBig&, const QString&, CliOutput&, bool&);
    struct Row {
        std::int32_t id;
        std::int32_t pathLength; // the folder part with its "\"
        std::int32_t nameLength;
    };
    TextArena mKeys;
    LargeVector<QStringView> mKeyViews;
    LargeVector<Row> mRows;
    std::vector<std::size_t> mOrder;
};

// Reads every entry's name into its sort key and sorts; an entry whose name
// cannot be read is reported and left out, and `anyFailed` is set.
ListedOrder ReadListedOrder(cBig& big, const QString& archive, CliOutput& out, bool& anyFailed);

} // namespace pelkora::cli
