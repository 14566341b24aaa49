#include "app/JsonText.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace pelkora {

void AppendJsonString(QByteArray& out, const QString& text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    // Most names need no escape: copy them whole.
    const bool plain = std::none_of(utf8.begin(), utf8.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == '"' || u == '\\';
    });
    if (plain) {
        out += utf8;
        out += '"';
        return;
    }
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
    if (!mFirst)
        mOut += ',';
    mFirst = false;
    if (mLayout == Layout::Indented) {
        mOut += '\n';
        mOut += mIndent;
        mOut += "    ";
    }
    mOut += '"';
    mOut += key;
    mOut += mLayout == Layout::Indented ? "\": " : "\":";
}

void JsonObjectText::add(const char* name, std::int64_t value)
{
    key(name);
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    mOut.append(digits, end - digits);
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
    mOut += value ? "true" : "false";
}

void JsonObjectText::add(const char* name, const QString& value)
{
    key(name);
    AppendJsonString(mOut, value);
}

void JsonObjectText::finish()
{
    if (mLayout == Layout::Indented) {
        mOut += '\n';
        mOut += mIndent;
    }
    mOut += '}';
}

} // namespace pelkora
