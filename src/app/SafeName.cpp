#include "app/SafeName.h"

namespace pelkora {

QString UnsafeNameReason(const QString& fullName)
{
    if (fullName.isEmpty())
        return QStringLiteral("the name is empty");
    return {};
}

} // namespace pelkora
