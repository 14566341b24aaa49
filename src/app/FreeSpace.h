#pragma once
// Whether the entries of a run fit into the free space of its destination.
// Many names may point at the same data, so an archive of a few megabytes
// can promise terabytes: a run is looked at before anything is written.

#include "archive/cBig.h"

#include <QString>
#include <QStringList>

namespace pelkora {

// The bytes that writing the entries with these full names takes: each name
// once (in any letter case), by its stored unpacked size.
qint64 UnpackedBytesOf(cBig& big, const QStringList& fullNames);

// The bytes free for the user at `folder`, or at the nearest folder above it
// that exists; -1 when unknown.
qint64 FreeBytesAt(const QString& folder);

// The sentence telling that `needed` bytes do not fit into `available` at
// `destination`.
QString ShortOfSpaceText(qint64 needed, qint64 available, const QString& destination);

} // namespace pelkora
