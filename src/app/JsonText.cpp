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
    out += '"';
    // Most names are ASCII that needs no escape: copied a character at a
    // time without a UTF-8 text of their own. The rest, from the first
    // character that is not, goes through UTF-8 (the cut is at an ASCII
    // character, so no surrogate pair is split).
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* at = out.data() + start;
    qsizetype plain = 0;
    for (; plain < text.size(); ++plain) {
        const char16_t u = text[plain].unicode();
        if (u >= 0x80 || u < 0x20 || u == '"' || u == '\\')
            break;
        at[plain] = static_cast<char>(u);
    }
    out.resize(start + plain);
    if (plain < text.size())
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

void JsonObjectText::key(const char* key)
{
    // The separator, the line's indent and the quoted key, made in one
    // piece and appended at once.
    const std::string_view indent = mLayout == Layout::Indented ? std::string_view(mIndent) : std::string_view();
    const std::string_view name(key);
    std::string piece;
    char small[64];
    const std::size_t length = 1 + (mLayout == Layout::Indented ? 1 + indent.size() + 4 : 0) + name.size() + 3 + 1;
    char* const begin = length <= sizeof small ? small : (piece.resize(length), piece.data());
    char* at = begin;
    if (!mFirst)
        *at++ = ',';
    mFirst = false;
    if (mLayout == Layout::Indented) {
        *at++ = '\n';
        at = std::copy(indent.begin(), indent.end(), at);
        at = std::fill_n(at, 4, ' ');
    }
    *at++ = '"';
    at = std::copy(name.begin(), name.end(), at);
    *at++ = '"';
    *at++ = ':';
    if (mLayout == Layout::Indented)
        *at++ = ' ';
    appendBytes(mOut, std::string_view(begin, static_cast<std::size_t>(at - begin)));
}

void JsonObjectText::add(const char* name, std::int64_t value)
{
    key(name);
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    appendBytes(mOut, std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void JsonObjectText::add(const char* name, double value)
{
    key(name);
    if (std::isfinite(value))
        mOut += QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
    else
        mOut += "null";
}

void JsonObjectText::add(const char* name, bool value)
{
    key(name);
    appendBytes(mOut, value ? "true" : "false");
}

void JsonObjectText::add(const char* name, QStringView value)
{
    key(name);
    AppendJsonString(mOut, value);
}

void JsonObjectText::add(const char* name, QLatin1String value)
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
