// Writes a small demo archive: a few folders, stored and compressed entries.
#include "BigWriter.h"
#include "ToolArguments.h"

#include <QByteArray>
#include <QString>
#include <cstdio>

using pelkora::testsupport::TestEntry;

namespace {

QByteArray textOf(const char* line, int repeat)
{
    QByteArray out;
    for (int i = 0; i < repeat; ++i)
        out += QByteArray(line) + " " + QByteArray::number(i) + "\n";
    return out;
}

QByteArray pattern(int size)
{
    QByteArray out(size, '\0');
    for (int i = 0; i < size; ++i)
        out[i] = static_cast<char>((i * 7 + i / 13) & 0xFF);
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (const int code = pelkora::testsupport::CheckToolArguments(argc, argv, 1, 1, "pelkora-make-demo OUTPUT.big");
        code >= 0)
        return code;
    const std::int32_t t = 1104580800; // 2005-01-01 12:00:00
    std::vector<TestEntry> entries = {
        {.name = "readme.txt", .data = textOf("Welcome to the demo archive.", 40), .compress = true, .timestamp = t},
        {.name = "credits", .data = "Made by the Pelkora test writer.\n", .compress = false, .timestamp = t + 60},
        {.name = "data\\maps\\level1.map", .data = pattern(5000), .compress = true, .timestamp = t + 3600},
        {.name = "data\\maps\\level2.map", .data = pattern(7000), .compress = false, .timestamp = t + 7200},
        {.name = "data\\art\\tree.tga", .data = pattern(3000), .compress = true, .timestamp = t - 86400},
        {.name = "data\\art\\rock.tga", .data = pattern(2500), .compress = false, .timestamp = t - 86400 * 2},
        {.name = "sound\\intro.wav", .data = pattern(12000), .compress = true, .timestamp = 946684800},
        {.name = "scripts\\start.cfg", .data = textOf("set option", 25), .compress = true, .timestamp = 0},
    };
    if (!pelkora::testsupport::WriteBigArchive(QString::fromLocal8Bit(argv[1]), entries)) {
        std::fprintf(stderr, "pelkora-make-demo: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
