#pragma once
// A file in shared memory (or TMPDIR) that a fuzz target rewrites with each
// input, for code that reads archives by path. Removed at exit.

#include <QString>

#include <cstddef>
#include <cstdint>

class FuzzFile {
public:
    FuzzFile(const char* tag, const char* suffix);
    ~FuzzFile();
    FuzzFile(const FuzzFile&) = delete;
    FuzzFile& operator=(const FuzzFile&) = delete;

    void write(const std::uint8_t* data, std::size_t size);
    const QString& path() const { return mPath; }
    // The folder the file lives in (a private one per process).
    const QString& folder() const { return mFolder; }

private:
    QString mFolder;
    QString mPath;
};
