#pragma once
// Conversion between text and the single-byte code page that archive names
// use. The format stores names in the writer's "ANSI" code page; Pelkora
// assumes Windows-1252 for names and for the name hash alike.

#include <QByteArray>
#include <QString>

namespace pelkora {

// Bytes of an archive name to text. Every byte maps to one character.
QString FromAnsi(const char* data, qsizetype size);
inline QString FromAnsi(const QByteArray& bytes) { return FromAnsi(bytes.constData(), bytes.size()); }

// Text to Windows-1252 bytes; characters the code page lacks become '?'.
QByteArray ToAnsi(const QString& text);

} // namespace pelkora
