#include "archive/cError.h"

namespace pelkora {

cError::cError()
{
    InitMessages();
    Clear();
}

void cError::InitMessages()
{
    mMessages = {
        QStringLiteral("File not found."),
        QStringLiteral("File is not a Big file."),
        QStringLiteral("No Big file has been loaded."),
        QStringLiteral("File not found in archive."),
        QStringLiteral("ID out of bounds."),
    };
}

void cError::Clear()
{
    mNumber = 0;
    mDescription.clear();
}

QString cError::Description() const
{
    if (mNumber == 0)
        return {};
    if (mNumber >= FileNotFound && mNumber <= IdOutOfBounds)
        return mMessages[static_cast<std::size_t>(mNumber - FileNotFound)];
    return mDescription;
}

} // namespace pelkora
