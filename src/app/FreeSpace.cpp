#include "app/FreeSpace.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QStorageInfo>

#include <algorithm>

namespace pelkora {

qint64 UnpackedBytesOf(cBig& big, const QStringList& fullNames)
{
    QSet<std::int32_t> seen;
    qint64 bytes = 0;
    for (const QString& name : fullNames) {
        const std::int32_t id = big.FindFullName(name);
        if (id < 0 || seen.contains(id))
            continue;
        seen.insert(id);
        bytes += std::max(0, big.data_uncompressed_size(id));
    }
    return bytes;
}

qint64 FreeBytesAt(const QString& folder)
{
    QString path = QFileInfo(folder.isEmpty() ? QStringLiteral(".") : folder).absoluteFilePath();
    while (!QFileInfo::exists(path)) {
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            return -1;
        path = parent;
    }
    const QStorageInfo volume(path);
    return volume.isValid() ? volume.bytesAvailable() : -1;
}

QString ShortOfSpaceText(qint64 needed, qint64 available, const QString& destination)
{
    const QLocale locale = QLocale::system();
    return QStringLiteral("The entries to extract need %1 (%2 bytes), but \"%3\" has only %4 (%5 bytes) free.")
        .arg(locale.formattedDataSize(needed), QString::number(needed), QDir::toNativeSeparators(destination),
            locale.formattedDataSize(available), QString::number(available));
}

} // namespace pelkora
