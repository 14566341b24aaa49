#pragma once
// The files that create and update pack: found below the DIR arguments and
// given as FILE arguments, named as entries, checked before anything is
// written.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include <sys/types.h>

namespace pelkora {

// Hands on one refusal or skipped file: what it is about and why.
using PackMessage = std::function<void(const QString& what, const QString& reason)>;

struct PackInput {
    QString fullName; // "\" between folders
    QString path;     // where it is read from
    QString argument; // the DIR or FILE argument it came from
    QByteArray storedName;
    qint64 size = 0;
    qint64 modified = 0; // seconds since 1970 UTC
    dev_t device = 0;
    ino_t inode = 0;
};

// Every regular file below each DIR (named by its path below it) and each
// FILE (named by its file name). Symbolic links below a DIR are followed
// only with `follow`, otherwise skipped with a warning, as are special
// files; an argument itself is followed. Sorted by the stored name's bytes.
// Arguments that cannot be read, names the format cannot take (see
// ArchiveNames.h) or times, and names given twice in any letter case are
// reported; false then. A non-empty `folder` ("\\" between its parts) puts
// every argument's entries into that folder of the archive.
bool CollectPackInputs(const QStringList& arguments, bool follow, const PackMessage& out,
    std::vector<PackInput>& inputs, const QString& folder = QString());

// The entry areas the inputs take when every one is stored (a stream is
// never larger: it is stored then).
qint64 AreaBytesOf(const std::vector<PackInput>& inputs);

// Reports each input that is the file at `path` (when it exists); true if
// there was one.
bool ReportOutputAmongInputs(const QString& path, const std::vector<PackInput>& inputs, const PackMessage& out);

} // namespace pelkora
