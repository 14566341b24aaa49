#include "app/NamePattern.h"

namespace pelkora {
namespace {

const QChar kSeparator = u'\\';

bool hasGlobCharacters(const QString& text)
{
    return text.contains(u'*') || text.contains(u'?') || text.contains(u'[');
}

// The glob as an expression, not anchored, over lower-cased, "\"-separated
// names.
QString globExpression(const QString& glob)
{
    QString expression;
    for (qsizetype i = 0; i < glob.size(); ++i) {
        const QChar c = glob[i];
        if (c == u'*') {
            if (i + 1 < glob.size() && glob[i + 1] == u'*') {
                ++i;
                // "**\" also matches no folder at all: "a\**\b" takes "a\b".
                if (i + 1 < glob.size() && glob[i + 1] == kSeparator) {
                    ++i;
                    expression += QStringLiteral("(?:.*\\\\)?");
                } else {
                    expression += QStringLiteral(".*");
                }
            } else {
                expression += QStringLiteral("[^\\\\]*");
            }
        } else if (c == u'?') {
            expression += QStringLiteral("[^\\\\]");
        } else if (c == u'[') {
            const qsizetype end = glob.indexOf(u']', i + 2);
            if (end < 0) {
                expression += QRegularExpression::escape(QString(c));
                continue;
            }
            QString set = glob.mid(i + 1, end - i - 1);
            const bool negated = set.startsWith(u'!') || set.startsWith(u'^');
            if (negated)
                set.remove(0, 1);
            set.replace(kSeparator, QStringLiteral("\\\\")).replace(u']', QStringLiteral("\\]"));
            expression += (negated ? QStringLiteral("[^\\\\") : QStringLiteral("[")) + set + u']';
            i = end;
        } else {
            expression += QRegularExpression::escape(QString(c));
        }
    }
    return expression;
}

} // namespace

NamePattern::NamePattern(const QString& text)
    : mText(text)
    , mRawLower(text.toLower())
    , mLower(QString(text).replace(u'/', kSeparator).toLower())
{
    while (mLower.endsWith(kSeparator))
        mLower.chop(1);
    mIsGlob = hasGlobCharacters(mLower);
    if (mIsGlob) {
        mGlobLead = mLower.left(mLower.indexOf(QRegularExpression(QStringLiteral("[*?[]"))));
        const QString glob = globExpression(mLower);
        mGlob = QRegularExpression(QStringLiteral("\\A(?:") + glob + QStringLiteral(")\\z"),
            QRegularExpression::DotMatchesEverythingOption);
        mGlobOrBelow = QRegularExpression(QStringLiteral("\\A(?:") + glob + QStringLiteral(")(?:\\\\.*)?\\z"),
            QRegularExpression::DotMatchesEverythingOption);
    }
}

bool NamePattern::matches(QStringView lowerName) const
{
    if (mIsGlob) {
        // Most names differ in their first characters already; that test is
        // far cheaper than a match.
        if (!lowerName.startsWith(mGlobLead))
            return false;
        // A glob that names a folder takes everything below it, as a plain
        // folder name does: one match over the whole name. A name that
        // starts with a separator has no folder before it.
        if (lowerName.startsWith(kSeparator))
            return mGlob.match(lowerName).hasMatch();
        return mGlobOrBelow.match(lowerName).hasMatch();
    }
    if (lowerName == mRawLower)
        return true;
    if (lowerName.size() == mLower.size())
        return lowerName == mLower;
    return lowerName.size() > mLower.size() && lowerName.startsWith(mLower) && lowerName[mLower.size()] == kSeparator
        && !mLower.isEmpty();
}

} // namespace pelkora
