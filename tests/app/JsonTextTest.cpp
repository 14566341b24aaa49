// The JSON writer against QJsonDocument, whose text the listing's JSON form
// has always had: same bytes for awkward strings and numbers, in both layouts.
#include "app/JsonText.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace pelkora {
namespace {

struct JsonCase {
    const char* what;
    QString text;
    std::int64_t integer;
    double number;
    bool flag;
};

QString AllControlCharacters()
{
    QString s;
    for (char16_t c = 0; c < 0x20; ++c)
        s += QChar(c);
    return s + QChar(0x7F);
}

const JsonCase kCases[] = {
    {"plain", QStringLiteral("data\\maps\\level1.map"), 0, 0.0, false},
    {"quotes and backslashes", QStringLiteral("a\"b\\\\c\"\""), -1, 80.0, true},
    {"control characters", AllControlCharacters(), 2147483647, 12.5, false},
    {"code page letters", QStringLiteral("caf\u00e9 \u20ac \u00df"), -2147483648LL, 1.0 / 3.0, true},
    {"outside the basic plane", QString::fromUtf8("\xF0\x9F\x98\x80 x"), 1LL << 40, 214748364700.0, false},
    {"empty", QString(), 42, 1e-7, true},
    {"slash and unicode escapes", QStringLiteral("a/b\u2028c"), 7, 99.99, false},
    {"not a number", QStringLiteral("x"), 0, std::numeric_limits<double>::quiet_NaN(), false},
    {"large ratio", QStringLiteral("y"), 0, 1e21, true},
    // Ratios around the range written without Qt's formatting.
    {"stored entry's ratio", QStringLiteral("lvl\\a.bin"), 0, 0.0, false},
    {"negative zero", QStringLiteral("z"), 0, -0.0, false},
    {"lowest plain ratio", QStringLiteral("z"), 0, 0.01, false},
    {"just below it", QStringLiteral("z"), 0, 0.009999999999999998, false},
    {"ten thousandth", QStringLiteral("z"), 0, 0.0001, false},
    {"long ratio", QStringLiteral("z"), 0, 1.0 - 13.0 / 34.0, false},
    {"nearly one", QStringLiteral("z"), 0, 0.9999999999999999, false},
    {"grown entry", QStringLiteral("z"), 0, -0.37, false},
    {"escapes then a code page letter", QStringLiteral("a\\\"b\u00e9\\c\""), 0, 0.5, true},
};

QByteArray Expected(const JsonCase& c, QJsonDocument::JsonFormat format)
{
    const QJsonObject object{
        {"flag", c.flag}, {"integer", static_cast<qint64>(c.integer)}, {"number", c.number}, {"text", c.text}};
    QByteArray text = QJsonDocument(object).toJson(format);
    if (format == QJsonDocument::Indented) {
        text.chop(1);
        text.replace("\n", "\n    ");
    }
    return text;
}

QByteArray Written(const JsonCase& c, JsonObjectText::Layout layout)
{
    QByteArray out;
    JsonObjectText object(out, layout, layout == JsonObjectText::Layout::Indented ? "    " : "");
    object.add("flag", c.flag);
    object.add("integer", c.integer);
    object.add("number", c.number);
    object.add("text", c.text);
    object.finish();
    return out;
}

TEST(JsonText, WritesWhatQJsonDocumentWrites)
{
    for (const JsonCase& c : kCases) {
        EXPECT_EQ(Written(c, JsonObjectText::Layout::Compact), Expected(c, QJsonDocument::Compact)) << c.what;
        EXPECT_EQ(Written(c, JsonObjectText::Layout::Indented), Expected(c, QJsonDocument::Indented)) << c.what;
    }
}

// A text given as Latin-1 bytes is written as the same text given as UTF-16.
TEST(JsonText, LatinOneTextIsWrittenAsTheSameUnicodeText)
{
    for (const JsonCase& c : kCases) {
        const QByteArray latin1 = c.text.toLatin1();
        if (QString::fromLatin1(latin1) != c.text)
            continue; // not Latin-1
        QByteArray fromLatin1;
        QByteArray fromUnicode;
        AppendJsonString(fromLatin1, QLatin1String(latin1));
        AppendJsonString(fromUnicode, c.text);
        EXPECT_EQ(fromLatin1, fromUnicode) << c.what;
    }
}

} // namespace
} // namespace pelkora
