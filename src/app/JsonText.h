#pragma once
// JSON text of one flat object, written straight into bytes: the same text
// QJsonDocument gives for it (members in key order, its escapes and number
// forms), without building a document per object. Listing a million entries
// writes a million objects.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <string_view>

namespace pelkora {

class JsonObjectText {
public:
    enum class Layout { Compact, Indented };

    // Appends to `out`. Members must be added in the order of their keys'
    // bytes, as QJsonObject keeps them. `indent` is put before every line
    // after the first (for an object inside an indented array).
    JsonObjectText(QByteArray& out, Layout layout, const char* indent = "");

    void add(std::string_view key, std::int64_t value);
    void add(std::string_view key, double value);
    void add(std::string_view key, bool value);
    void add(std::string_view key, QStringView value);
    void add(std::string_view key, QLatin1String value);
    // Closes the object (no line feed after it).
    void finish();

private:
    void key(std::string_view key);

    QByteArray& mOut;
    Layout mLayout;
    std::string_view mIndent;
    bool mFirst = true;
};

// `text` as a JSON string, quotes included, appended to `out`.
void AppendJsonString(QByteArray& out, QStringView text);
void AppendJsonString(QByteArray& out, QLatin1String text);

} // namespace pelkora
