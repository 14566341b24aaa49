#pragma once
// What a NAME argument of pelkora-cli's list and extract selects, and what a
// glob typed into the window's filter matches. Names match without
// regard to letter case, and "/" stands for the archive's "\":
//   - a full name selects that entry;
//   - a folder ("data\maps", "data/maps/") selects everything below it;
//   - a glob ("*.wav", "data/*/level?.map", "[ab]*") selects the names it
//     matches, and everything below a folder it matches: "*" and "?" stay
//     within one folder name, "**" crosses folders.

#include <QRegularExpression>
#include <QString>

namespace pelkora {

class NamePattern {
public:
    explicit NamePattern(const QString& text);

    // `lowerName`: a full name already lower-cased.
    bool matches(QStringView lowerName) const;
    bool isGlob() const { return mIsGlob; }
    const QString& text() const { return mText; }

private:
    QString mText;
    QString mRawLower;               // the text lower-cased as given
    QString mLower;                  // lower-cased, "\" separators, no trailing "\"
    QString mGlobLead;               // a glob's text before its first wildcard: every match starts with it
    QRegularExpression mGlob;        // valid only for a glob
    QRegularExpression mGlobOrBelow; // the glob, or a folder it matches and what is below
    bool mIsGlob = false;
};

} // namespace pelkora
