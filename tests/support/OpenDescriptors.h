#pragma once
// How many of this process's file descriptors are open on a file, to check
// that a reader closed its archive.

#include <QDir>
#include <QFileInfo>
#include <QString>

namespace pelkora::testsupport {

inline int OpenDescriptorsOn(const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System))
        if (fd.symLinkTarget() == target)
            ++count;
    return count;
}

} // namespace pelkora::testsupport
