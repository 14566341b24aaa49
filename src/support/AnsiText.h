#pragma once
// Conversion between text and the single-byte code page that archive names
// use. The format stores names in the writer's "ANSI" code page; Pelkora
// assumes Windows-1252 for names and for the name hash alike.

#include <QByteArray>
#include <QString>

namespace pelkora {

// Bytes of an archive name to text. Every byte maps to one character.
QString FromAnsi(const char* data, qsizetype size);
inline QString FromAnsi(const QByteArray& bytes)
{
    return FromAnsi(bytes.constData(), bytes.size());
}

// Text to Windows-1252 bytes; characters the code page lacks become '?'.
QByteArray ToAnsi(const QString& text);

// C0, DEL and C1 controls. The code page's undefined bytes 0x81, 0x8D, 0x8F,
// 0x90 and 0x9D decode to C1 controls, so names can carry them.
constexpr bool IsControlCharacter(QChar c)
{
    return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F);
}

} // namespace pelkora
