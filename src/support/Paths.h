#pragma once
// Cutting texts at a separator and creating nested folders.

#include <QChar>
#include <QString>

namespace pelkora {

// The part of `text` after (right = true) or before (right = false) the last
// `separator`. Without a separator the right part is the whole text and the
// left part is empty.
QString SplitAtLast(const QString& text, bool right, QChar separator);

// Makes sure the folder `path` exists, creating missing parents first. The
// path uses the platform's native separator, with or without a trailing one.
// Never reports a failure: a folder that could not be made shows up when the
// caller writes into it.
void MakeDirs(const QString& path);

// The first program argument (1-based) whose bytes do not decode in the
// locale's encoding (UTF-8), or 0. Read as text, such a path would name
// another file, so the programs refuse it instead.
int UndecodableArgument(int argc, const char* const* argv);
inline int UndecodableArgument(int argc, char** argv)
{
    return UndecodableArgument(argc, const_cast<const char* const*>(argv));
}

} // namespace pelkora
