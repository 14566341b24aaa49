#include "app/JsonText.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

namespace pelkora {

namespace {

// Appends bytes by copying them into room made at the end: a listing
// appends a dozen short pieces per entry, and QByteArray's general append
// costs more than the copy.
void appendBytes(QByteArray& out, std::string_view bytes)
{
    const qsizetype at = out.size();
    out.resize(at + static_cast<qsizetype>(bytes.size()));
    std::memcpy(out.data() + at, bytes.data(), bytes.size());
}

// UTF-8 bytes with JSON's escapes.
void appendEscaped(QByteArray& out, const QByteArray& utf8)
{
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        switch (u) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20) {
                out += "\\u00";
                out += kHex[u >> 4];
                out += kHex[u & 0xF];
            } else {
                out += c;
            }
        }
    }
}

} // namespace

void AppendJsonString(QByteArray& out, QStringView text)
{
    // Most names are printable ASCII, "\\" between folders: written a
    // character at a time, escapes and quotes included, into room made once
    // (two bytes per character at most). The rest, from the first character
    // that is not, goes through UTF-8 (the cut is at an ASCII character, so
    // no surrogate pair is split).
    const qsizetype start = out.size();
    const qsizetype size = text.size();
    out.resize(start + 2 * size + 2);
    char* at = out.data() + start;
    *at++ = '"';
    const char16_t* chars = text.utf16();
    qsizetype plain = 0;
    for (; plain < size; ++plain) {
        const char16_t u = chars[plain];
        if (static_cast<char16_t>(u - 0x20) >= 0x60) // a control character or not ASCII
            break;
        if (u == '"' || u == '\\')
            *at++ = '\\';
        *at++ = static_cast<char>(u);
    }
    if (plain == size)
        *at++ = '"';
    out.resize(at - out.constData());
    if (plain == size)
        return;
    appendEscaped(out, text.sliced(plain).toUtf8());
    out += '"';
}

void AppendJsonString(QByteArray& out, QLatin1String text)
{
    const bool plain = std::all_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u < 0x80 && u != '"' && u != '\\';
    });
    if (!plain)
        return AppendJsonString(out, QString(text));
    out += '"';
    appendBytes(out, std::string_view(text.data(), static_cast<std::size_t>(text.size())));
    out += '"';
}

JsonObjectText::JsonObjectText(QByteArray& out, Layout layout, const char* indent)
    : mOut(out)
    , mLayout(layout)
    , mIndent(indent)
{
    mOut += '{';
}

void JsonObjectText::key(std::string_view name)
{
    // The separator, the line's indent and the quoted key, written straight
    // into room made for them.
    const bool indented = mLayout == Layout::Indented;
    const qsizetype length = (mFirst ? 0 : 1) + (indented ? 1 + static_cast<qsizetype>(mIndent.size()) + 4 : 0)
        + static_cast<qsizetype>(name.size()) + 3 + (indented ? 1 : 0);
    const qsizetype start = mOut.size();
    mOut.resize(start + length);
    char* at = mOut.data() + start;
    if (!mFirst)
        *at++ = ',';
    mFirst = false;
    if (indented) {
        *at++ = '\n';
        at = std::copy(mIndent.begin(), mIndent.end(), at);
        at = std::fill_n(at, 4, ' ');
    }
    *at++ = '"';
    at = std::copy(name.begin(), name.end(), at);
    *at++ = '"';
    *at++ = ':';
    if (indented)
        *at = ' ';
}

void JsonObjectText::add(std::string_view name, std::int64_t value)
{
    key(name);
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    appendBytes(mOut, std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void JsonObjectText::add(std::string_view name, double value)
{
    key(name);
    if (!std::isfinite(value)) {
        appendBytes(mOut, "null");
        return;
    }
    // Ratios, nearly every double a listing writes, lie within (-1, 1).
    // Where neither of Qt's two forms has an exponent (at 0, and from 0.01 up
    // to below 1) the standard library's shortest text is the same as Qt's,
    // and is made without a QByteArray per value.
    const double magnitude = std::abs(value);
    if ((value == 0.0 && !std::signbit(value)) || (magnitude >= 0.01 && magnitude < 1.0)) {
        char digits[32];
        const auto end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general).ptr;
        appendBytes(mOut, std::string_view(digits, static_cast<std::size_t>(end - digits)));
        return;
    }
    mOut += QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

void JsonObjectText::add(std::string_view name, bool value)
{
    key(name);
    appendBytes(mOut, value ? "true" : "false");
}

void JsonObjectText::add(std::string_view name, QStringView value)
{
    key(name);
    AppendJsonString(mOut, value);
}

void JsonObjectText::add(std::string_view name, QLatin1String value)
{
    key(name);
    AppendJsonString(mOut, value);
}

void JsonObjectText::finish()
{
    if (mLayout == Layout::Indented) {
        mOut += '\n';
        appendBytes(mOut, mIndent);
    }
    mOut += '}';
}

} // namespace pelkora
