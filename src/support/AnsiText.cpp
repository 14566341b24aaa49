#include "support/AnsiText.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace pelkora {
namespace {

bool isAscii(const char* data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i)
        if (static_cast<unsigned char>(data[i]) >= 0x80)
            return false;
    return true;
}

} // namespace

QString FromAnsi(const char* data, qsizetype size)
{
    // Most names are plain ASCII; skip the converter for them.
    if (isAscii(data, size))
        return QString::fromLatin1(data, size);
    thread_local QStringDecoder decoder("windows-1252", QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return QString::fromLatin1(data, size);
    return decoder.decode(QByteArrayView(data, size));
}

QByteArray ToAnsi(const QString& text)
{
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return text.toLatin1();
    thread_local QStringEncoder encoder("windows-1252", QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        return text.toLatin1();
    return encoder.encode(text);
}

} // namespace pelkora
