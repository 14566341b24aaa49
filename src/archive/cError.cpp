#include "archive/cError.h"

namespace pelkora {

cError::cError()
{
    InitMessages();
    Clear();
}

void cError::InitMessages()
{
    messages_ = {
        QStringLiteral("File not found."),
        QStringLiteral("File is not a Big file."),
        QStringLiteral("No Big file has been loaded."),
        QStringLiteral("File not found in archive."),
        QStringLiteral("ID out of bounds."),
    };
}

void cError::Clear()
{
    number_ = 0;
    description_.clear();
}

QString cError::Description() const
{
    if (number_ == 0)
        return {};
    if (number_ >= FileNotFound && number_ <= IdOutOfBounds)
        return messages_[static_cast<std::size_t>(number_ - FileNotFound)];
    return description_;
}

} // namespace pelkora
