#include "app/EntryFilter.h"

#include "app/NamePattern.h"

#include <QStringMatcher>

namespace pelkora {

void EntryFilter::clear()
{
    mNames.clear();
    mEnds.clear();
}

void EntryFilter::reserve(std::size_t entries, qsizetype characters)
{
    mEnds.reserve(entries);
    mNames.reserve(characters);
}

void EntryFilter::addEntry(QStringView folder, QStringView name)
{
    // One character at a time keeps every name's length, so the ends stay
    // right whatever the text holds.
    const qsizetype start = mNames.size();
    mNames.resize(start + folder.size() + name.size());
    QChar* out = mNames.data() + start;
    for (const QStringView part : {folder, name}) {
        for (const QChar c : part) {
            // ASCII by hand: listing a million names lower-cases every one.
            const char16_t u = c.unicode();
            *out++ = u < 0x80 ? QChar(u >= u'A' && u <= u'Z' ? u + 0x20 : u) : c.toLower();
        }
    }
    mEnds.push_back(mNames.size());
}

QStringView EntryFilter::lowerName(std::size_t index) const
{
    const qsizetype begin = index == 0 ? 0 : mEnds[index - 1];
    return QStringView(mNames).mid(begin, mEnds[index] - begin);
}

std::vector<int> EntryFilter::matching(const QString& text) const
{
    std::vector<int> kept;
    const std::size_t count = mEnds.size();
    if (!filters(text)) {
        kept.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            kept[i] = static_cast<int>(i);
        return kept;
    }
    if (isGlob(text)) {
        const NamePattern pattern(text);
        for (std::size_t i = 0; i < count; ++i)
            if (pattern.matches(lowerName(i)))
                kept.push_back(static_cast<int>(i));
        return kept;
    }
    QString needle = text.toLower();
    needle.replace(u'/', u'\\');
    const QStringMatcher matcher(needle, Qt::CaseSensitive);
    for (std::size_t i = 0; i < count; ++i)
        if (matcher.indexIn(lowerName(i)) >= 0)
            kept.push_back(static_cast<int>(i));
    return kept;
}

} // namespace pelkora
