#include "app/ModMain.h"

namespace pelkora {

void ExtractFile(const QString&, const QString&, const QString&)
{
}

} // namespace pelkora
