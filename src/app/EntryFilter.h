#pragma once
// The list's filter: which listed entries a typed text keeps. Plain text
// keeps the full names (folder and file) that contain it; text with "*" or
// "?" is a glob as pelkora-cli takes its NAMEs (NamePattern.h). Letter case
// never counts, and "/" stands for the archive's "\".
//
// The names are held lower-cased, one after another in one text, so that a
// keystroke on 100,000 entries costs one pass over their characters and no
// allocation per entry.

#include <QString>
#include <QStringView>
#include <cstddef>
#include <vector>

namespace pelkora {

class EntryFilter {
public:
    void clear();
    void reserve(std::size_t entries, qsizetype characters);
    // Appends the next listed entry, its folder ("data\maps\", may be empty)
    // and its file name.
    void addEntry(QStringView folder, QStringView name);
    std::size_t size() const { return mEnds.size(); }

    // Whether `text` filters at all (empty text keeps everything).
    static bool filters(const QString& text) { return !text.isEmpty(); }
    static bool isGlob(const QString& text) { return text.contains(u'*') || text.contains(u'?'); }

    // The indexes, ascending, of the entries `text` keeps.
    std::vector<int> matching(const QString& text) const;

private:
    QStringView lowerName(std::size_t index) const;

    QString mNames;               // every full name, lower-cased, back to back
    std::vector<qsizetype> mEnds; // where each name ends in mNames
};

} // namespace pelkora
