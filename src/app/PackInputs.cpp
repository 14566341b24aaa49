#include "app/PackInputs.h"
#include "support/EntryKey.h"

#include "archive/ArchiveNames.h"
#include "archive/BigRuntimeError.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <sys/stat.h>

namespace pelkora {
namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

class Walker {
public:
    Walker(bool follow, const PackMessage& out, std::vector<PackInput>& inputs, const QString& folder)
        : mFollow(follow)
        , mOut(out)
        , mInputs(inputs)
        , mFolder(folder)
    {
    }

    void argument(const QString& argument)
    {
        struct stat st { };
        if (::stat(QFile::encodeName(argument).constData(), &st) != 0) {
            problem(argument, systemReason(errno));
            return;
        }
        if (S_ISDIR(st.st_mode)) {
            mArgument = argument;
            mOnPath.clear();
            folder(argument, mFolder, st);
        } else if (S_ISREG(st.st_mode)) {
            mArgument = argument;
            QString name = argument;
            while (name.endsWith(u'/'))
                name.chop(1);
            name = name.mid(name.lastIndexOf(u'/') + 1);
            add(argument, mFolder.isEmpty() ? name : mFolder + u'\\' + name, st);
        } else {
            problem(argument, QStringLiteral("neither a folder nor a regular file"));
        }
    }

    bool failed() const { return mFailed; }

private:
    void problem(const QString& what, const QString& reason)
    {
        mOut(what, reason);
        mFailed = true;
    }

    void add(const QString& path, const QString& fullName, const struct stat& st)
    {
        PackInput input;
        input.fullName = fullName;
        input.path = path;
        input.argument = mArgument;
        input.size = st.st_size;
        input.modified = st.st_mtim.tv_sec;
        input.device = st.st_dev;
        input.inode = st.st_ino;
        mInputs.push_back(std::move(input));
    }

    void folder(const QString& path, const QString& prefix, const struct stat& self)
    {
        const std::pair<dev_t, ino_t> identity{self.st_dev, self.st_ino};
        if (mOnPath.contains(identity)) {
            mOut(path, QStringLiteral("skipped, a link back to a folder above it."));
            return;
        }
        mOnPath.insert(identity);
        DIR* dir = ::opendir(QFile::encodeName(path).constData());
        if (!dir) {
            problem(path, QStringLiteral("cannot be read: ") + systemReason(errno));
            mOnPath.remove(identity);
            return;
        }
        std::vector<QByteArray> names;
        errno = 0;
        while (const dirent* d = ::readdir(dir)) {
            if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0)
                names.emplace_back(d->d_name);
        }
        ::closedir(dir);
        for (const QByteArray& raw : names) {
            const QString name = QFile::decodeName(raw);
            const QString child = path.endsWith(u'/') ? path + name : path + u'/' + name;
            if (QFile::encodeName(name) != raw) {
                problem(QFile::decodeName(raw),
                    QStringLiteral("refused, the name is not valid in the locale's "
                                   "encoding (UTF-8)."));
                continue;
            }
            if (name.contains(u'\\')) {
                problem(child,
                    QStringLiteral("refused, the name contains \"\\\", which the archive takes as a "
                                   "folder separator."));
                continue;
            }
            const QByteArray encoded = QFile::encodeName(child);
            struct stat st { };
            if (::lstat(encoded.constData(), &st) != 0) {
                problem(child, systemReason(errno));
                continue;
            }
            if (S_ISLNK(st.st_mode)) {
                if (!mFollow) {
                    mOut(child, QStringLiteral("skipped, a symbolic link (--follow follows links)."));
                    continue;
                }
                if (::stat(encoded.constData(), &st) != 0) {
                    mOut(child, QStringLiteral("skipped, a link to nothing: ") + systemReason(errno));
                    continue;
                }
            }
            const QString fullName = prefix.isEmpty() ? name : prefix + u'\\' + name;
            if (S_ISDIR(st.st_mode))
                folder(child, fullName, st);
            else if (S_ISREG(st.st_mode))
                add(child, fullName, st);
            else
                mOut(child, QStringLiteral("skipped, not a regular file."));
        }
        mOnPath.remove(identity);
    }

    bool mFollow;
    const PackMessage& mOut;
    std::vector<PackInput>& mInputs;
    QString mFolder;
    QString mArgument;
    QSet<std::pair<dev_t, ino_t>> mOnPath;
    bool mFailed = false;
};

} // namespace

bool CollectPackInputs(const QStringList& arguments, bool follow, const PackMessage& out,
    std::vector<PackInput>& inputs, const QString& folder)
{
    Walker walker(follow, out, inputs, folder);
    for (const QString& argument : arguments)
        walker.argument(argument);
    bool ok = !walker.failed();

    QHash<QString, const PackInput*> byName;
    for (PackInput& input : inputs) {
        try {
            input.storedName = ArchiveNameBytes(input.fullName);
            EntryTimestampOf(input.modified, input.fullName);
        } catch (const BigRuntimeError& refusal) {
            out(input.path, refusal.description());
            ok = false;
            continue;
        }
        const QString key = EntryKey(input.fullName);
        if (const PackInput* first = byName.value(key)) {
            out(input.path,
                QStringLiteral("refused, \"%1\" and \"%2\" (from %3) would both be the entry \"%1\".")
                    .arg(input.fullName, first->path, first->argument));
            ok = false;
            continue;
        }
        byName.insert(key, &input);
    }
    // A name that is also a folder of another cannot be extracted as both.
    for (const PackInput& input : inputs) {
        const QString key = EntryKey(input.fullName);
        for (qsizetype at = key.indexOf(u'\\'); at > 0; at = key.indexOf(u'\\', at + 1)) {
            if (const PackInput* file = byName.value(key.left(at))) {
                out(input.path,
                    QStringLiteral("refused, \"%1\" (from %2) would be both a file and a folder of \"%3\".")
                        .arg(file->fullName, file->path, input.fullName));
                ok = false;
                break;
            }
        }
    }
    if (!ok)
        return false;
    std::sort(inputs.begin(), inputs.end(),
        [](const PackInput& a, const PackInput& b) { return a.storedName < b.storedName; });
    return true;
}

qint64 AreaBytesOf(const std::vector<PackInput>& inputs)
{
    qint64 areas = 0;
    for (const PackInput& input : inputs)
        areas += AreaSize(input.storedName.size(), input.size);
    return areas;
}

bool ReportOutputAmongInputs(const QString& path, const std::vector<PackInput>& inputs, const PackMessage& out)
{
    struct stat st { };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    bool found = false;
    for (const PackInput& input : inputs) {
        if (input.device == st.st_dev && input.inode == st.st_ino) {
            out(input.path, QStringLiteral("refused, it is the output archive %1 itself.").arg(path));
            found = true;
        }
    }
    return found;
}

} // namespace pelkora
