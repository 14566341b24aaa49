#pragma once
// The last failure of an archive reader: a number and a description.

#include "support/Failure.h"

#include <QString>
#include <array>

namespace pelkora {

class cError {
public:
    // The reader's own failures.
    static constexpr int FileNotFound = failure::FileNotFound;
    static constexpr int NotABigFile = failure::NotABigFile;
    static constexpr int NotLoaded = failure::NotLoaded;
    static constexpr int NotInArchive = failure::NotInArchive;
    static constexpr int IdOutOfBounds = failure::IdOutOfBounds;

    cError();

    void Clear();
    int Number() const { return mNumber; }
    void setNumber(int vData) { mNumber = vData; }
    // Empty for 0, the fixed text for 1001-1005, otherwise the stored text.
    QString Description() const;
    void setDescription(const QString& vData) { mDescription = vData; }

private:
    void InitMessages();

    int mNumber = 0;
    QString mDescription;
    std::array<QString, 5> mMessages;
};

} // namespace pelkora
