#pragma once
// The last failure of an archive reader: a number and a description.

#include <QString>
#include <array>

namespace pelkora {

class cError {
public:
    // The reader's own failures.
    static constexpr int FileNotFound = 1001;
    static constexpr int NotABigFile = 1002;
    static constexpr int NotLoaded = 1003;
    static constexpr int NotInArchive = 1004;
    static constexpr int IdOutOfBounds = 1005;

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
