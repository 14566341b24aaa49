#include "app/ExtractEntry.h"

#include "lzss/UnLZSS.h"

namespace pelkora {

QByteArray ReadEntryContent(cBig& big, std::int32_t ID)
{
    QByteArray stored = big.GetFileBlob(ID);
    if (big.data_compressed_flag(ID))
        return UnLZSS(stored, static_cast<std::size_t>(std::max(0, big.data_uncompressed_size(ID))));
    return stored;
}

ExtractResult ExtractEntry(cBig&, std::int32_t, const QString&, const QString&)
{
    return {false, QStringLiteral("ExtractEntry"), 0, QStringLiteral("not built yet"), {}};
}

} // namespace pelkora
