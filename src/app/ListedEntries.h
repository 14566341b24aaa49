#pragma once
// A listing's entries as the list keeps them: each full name once, in one
// text, beside the entry's numbers. The cells of a row are made only when
// asked for, the same texts MakeListRow gives, so that listing a million
// entries costs their names and a few numbers each rather than eight texts.

#include "app/ListRow.h"
#include "support/LargeArray.h"

#include <QLocale>
#include <QString>
#include <QStringView>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelkora {

class ListedEntries {
public:
    // Numbers are written for `locale`, as MakeListRow writes them.
    explicit ListedEntries(const QLocale& locale = QLocale());

    // Room for `entries` entries whose names hold `characters` in all.
    void reserve(std::size_t entries, qsizetype characters);
    // Appends the next entry; `seconds` is its timestamp (TimestampText).
    void add(QStringView fullName, std::int32_t seconds, std::int32_t unpacked, std::int32_t packed);
    std::size_t size() const { return mEntries.size(); }
    bool empty() const { return mEntries.empty(); }

    QStringView fullName(std::size_t i) const;
    // The Path and Name cells, as views into the kept name.
    QStringView path(std::size_t i) const;
    QStringView name(std::size_t i) const;
    // Cell `col` of entry i's row (empty for a column past the Sort cell).
    QString cell(std::size_t i, int col) const;
    ListRow row(std::size_t i) const;

private:
    struct Entry {
        // A name lies inside the archive, which the format keeps below
        // 2 GiB, so 32 bits place it.
        std::uint32_t start;
        std::int32_t length;
        std::int32_t slash; // its last "\" (-1 for none)
        std::int32_t seconds;
        std::int32_t unpacked;
        std::int32_t packed;
    };

    QLocale mLocale;
    QString mNames; // every full name, back to back
    LargeVector<Entry> mEntries;
};

} // namespace pelkora
