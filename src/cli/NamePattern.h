#pragma once
// What a NAME argument of list and extract selects. Names match without
// regard to letter case, and "/" stands for the archive's "\":
//   - a full name selects that entry;
//   - a folder ("data\maps", "data/maps/") selects everything below it;
//   - a glob ("*.wav", "data/*/level?.map", "[ab]*") selects the names it
//     matches, and everything below a folder it matches: "*" and "?" stay
//     within one folder name, "**" crosses folders.

#include <QRegularExpression>
#include <QString>

namespace pelkora::cli {

class NamePattern {
public:
    explicit NamePattern(const QString& text);

    // `lowerName`: a full name already lower-cased.
    bool matches(const QString& lowerName) const;
    const QString& text() const { return text_; }

private:
    QString text_;
    QString rawLower_;        // the text lower-cased as given
    QString lower_;           // lower-cased, "\" separators, no trailing "\"
    QRegularExpression glob_; // valid only for a glob
    bool isGlob_ = false;
};

} // namespace pelkora::cli
