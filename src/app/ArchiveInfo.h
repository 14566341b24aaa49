#pragma once
// What an archive holds in sum: `pelkora-cli info` prints it and the
// window's File > Properties shows the same lines.

#include "archive/cBig.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelkora {

// An entry with its full name as stored ("\" between folders).
struct NamedEntry {
    std::int32_t id = 0;
    QString name;
};

// Two entries whose data areas overlap, and where the later one starts.
struct SharedData {
    std::int32_t first;
    std::int32_t second;
    qint64 offset;
};

// Normal archives never share bytes between entries; many names on one
// stream is how a small archive promises huge output. Each overlap is given
// once, against the entry reaching furthest before it, in file order.
std::vector<SharedData> FindSharedData(cBig& big, const std::vector<NamedEntry>& entries);

// The entry's moment as YYYY-MM-DD HH:MM:SS (no zone shift).
QString ModifiedText(std::int32_t seconds);
// The same text as bytes into `out` (listings write a million of them).
constexpr std::size_t kModifiedTextSize = 19;
void ModifiedChars(std::int32_t seconds, char (&out)[kModifiedTextSize]);

struct ArchiveInfo {
    QString path;
    qint64 fileSize = 0;
    std::int32_t entries = 0; // every entry of the directory
    qint64 unpacked = 0;
    qint64 packed = 0;
    int compressed = 0;
    bool any = false; // some entry's name could be read
    std::int32_t earliest = 0;
    std::int32_t latest = 0;
    std::vector<std::int32_t> mismatchedIds; // stored hash differs from the name's
    QStringList mismatchedNames;             // "ID \"name\"" for each of them
    std::vector<SharedData> shared;
};

// Sums over `entries` (those whose names could be read) of the loaded `big`.
ArchiveInfo GatherArchiveInfo(cBig& big, const QString& path, const std::vector<NamedEntry>& entries);

// The lines `pelkora-cli info` prints, numbers in the locale's grouping.
QStringList ArchiveInfoLines(const ArchiveInfo& info);

// The lines for every entry whose name can be read, joined by newlines.
QString ArchiveInfoText(cBig& big, const QString& path);

} // namespace pelkora
