#include "archive/SafeName.h"

#include "support/AnsiText.h"

#include <QStringList>

namespace pelkora {
namespace {

const QChar kArchiveSeparator = u'\\';

// Windows opens a device instead of a file for these names, in any folder,
// with any extension and whatever the letter case. They are refused on every
// platform so that an archive extracts the same everywhere.
bool isReservedDeviceName(QStringView component)
{
    QStringView base = component.left(component.indexOf(u'.')); // all of it when there is no dot
    // Windows also ignores trailing blanks before the extension ("CON .txt").
    while (base.endsWith(u' '))
        base.chop(1);
    if (base.size() == 3) {
        for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
            if (base.compare(QLatin1String(device), Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    }
    if (base.size() != 4
        || !(base.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)
            || base.startsWith(QLatin1String("LPT"), Qt::CaseInsensitive)))
        return false;
    // COM1-COM9 and LPT1-LPT9; Windows treats the superscript digits alike.
    const QChar digit = base[3];
    return (digit >= u'1' && digit <= u'9') || digit == QChar(0x00B9) || digit == QChar(0x00B2)
        || digit == QChar(0x00B3);
}

} // namespace

QString UnsafeNameReason(const QString& fullName)
{
    if (fullName.isEmpty())
        return QStringLiteral("the name is empty");
    if (fullName.startsWith(QLatin1String("\\\\?\\")) || fullName.startsWith(QLatin1String("\\\\.\\")))
        return QStringLiteral("the name starts with a device path prefix");
    if (fullName.startsWith(QLatin1String("\\\\")) || fullName.startsWith(QLatin1String("//")))
        return QStringLiteral("the name starts with a network path");
    if (fullName.startsWith(kArchiveSeparator) || fullName.startsWith(u'/'))
        return QStringLiteral("the name starts with a separator");
    if (fullName.size() >= 2 && fullName[1] == u':' && fullName[0].isLetter())
        return QStringLiteral("the name starts with a drive");
    for (const QChar c : fullName) {
        if (IsControlCharacter(c))
            return QStringLiteral("the name contains the control character 0x%1")
                .arg(c.unicode(), 2, 16, QLatin1Char('0'));
    }
    if (fullName.contains(u':'))
        return QStringLiteral("the name contains \":\"");

    for (const QStringView component : QStringView(fullName).split(kArchiveSeparator)) {
        if (component.isEmpty())
            return QStringLiteral("the name has an empty folder or file name");
        if (component == QLatin1String(".") || component == QLatin1String(".."))
            return QStringLiteral("the name has a \"%1\" component").arg(component.toString());
        if (component.contains(u'/'))
            return QStringLiteral("the name contains \"/\" inside \"%1\"").arg(component.toString());
        if (isReservedDeviceName(component))
            return QStringLiteral("\"%1\" is a reserved device name").arg(component.toString());
    }
    return {};
}

} // namespace pelkora
