#include "cli/PackingOptions.h"

#include "lzss/LzssEncoder.h"

namespace pelkora::cli {

std::vector<QCommandLineOption> PackingLevelOptions()
{
    std::vector<QCommandLineOption> levels;
    for (int level = 0; level <= kLzssBestLevel; ++level)
        levels.emplace_back(QString::number(level));
    return levels;
}

QString ReadPackingOptions(const QCommandLineParser& parser, Verb verb, const QString& verbName,
    const QStringList& positional, CliOptions& options)
{
    options.level = kLzssDefaultLevel;
    // The last level given counts, as with gzip.
    for (const QString& name : parser.optionNames()) {
        if (name.size() == 1 && name[0].isDigit())
            options.level = name[0].digitValue();
    }
    options.follow = parser.isSet(QStringLiteral("follow"));
    if (verb == Verb::Create) {
        if (positional.size() < 2)
            return QStringLiteral("create takes OUT.big and at least one DIR or FILE");
        options.archive = positional.first();
        options.inputs = positional.mid(1);
    } else {
        const QStringList outputs = parser.values(QStringLiteral("output"));
        if (outputs.size() > 1)
            return QStringLiteral("update: --output given more than once");
        options.output = outputs.value(0);
        if (outputs.size() == 1 && options.output.isEmpty())
            return QStringLiteral("update: an empty OUT");
        options.removes = parser.values(QStringLiteral("remove"));
        if (positional.isEmpty())
            return QStringLiteral("update takes ARCHIVE [DIR|FILE...]");
        options.archive = positional.first();
        options.inputs = positional.mid(1);
        if (options.inputs.isEmpty() && options.removes.isEmpty())
            return QStringLiteral("update takes a DIR or FILE to add, or --remove NAME");
    }
    for (const QString& input : options.inputs) {
        if (input.isEmpty())
            return QStringLiteral("%1: an empty DIR or FILE").arg(verbName);
    }
    return {};
}

QString PackingUsageText(Verb verb)
{
    if (verb == Verb::Create)
        return QStringLiteral(
            "Usage: pelkora-cli create [-0|-1..-9] [--follow] OUT.big DIR|FILE...\n"
            "\n"
            "Packs every file below each DIR, named by its path below DIR with \\ between\n"
            "folders, and each FILE, named by its file name, into the new archive OUT.big\n"
            "(written beside it under a temporary name and renamed once complete).\n"
            "Entries are sorted by name, so the same files give the same bytes. Empty\n"
            "folders give nothing; symbolic links and special files below a DIR are\n"
            "skipped with a warning. A name that Windows-1252 cannot spell, that extract\n"
            "would refuse, or that two arguments both give (in any letter case) is\n"
            "refused, and so is an archive past 2 GiB; nothing is written then.\n"
            "\n"
            "  -0             store every entry as it is\n"
            "  -1 .. -9       LZSS level, fastest to smallest (default 6); an entry is\n"
            "                 stored when its stream would not be smaller\n"
            "      --follow   follow symbolic links below a DIR\n"
            "  -q, --quiet    print nothing but errors\n"
            "\n"
            "Examples:\n"
            "  pelkora-cli create mod.big data/ readme.txt\n"
            "  pelkora-cli create -9 game.big unpacked/\n");
    return QStringLiteral(
        "Usage: pelkora-cli update [OPTIONS] ARCHIVE [DIR|FILE...]\n"
        "\n"
        "Writes ARCHIVE again with the files given (named as create names them)\n"
        "replacing the entries of the same name, in any letter case, or joining them\n"
        "at the end, and the --remove NAMEs dropped. Every other entry is copied as\n"
        "it lies, in its place. ARCHIVE is replaced only once the new one is complete\n"
        "(or OUT.big is written with -o); on any failure it is left as it was.\n"
        "\n"
        "  -o, --output OUT   write OUT.big and leave ARCHIVE as it is\n"
        "      --remove NAME  drop the entries NAME selects (a full name, a folder or\n"
        "                     a glob as list takes them; repeatable); a NAME that\n"
        "                     selects nothing is refused\n"
        "  -0, -1 .. -9       store, or the LZSS level for the files given (default 6)\n"
        "      --follow       follow symbolic links below a DIR\n"
        "  -q, --quiet        print nothing but errors\n"
        "\n"
        "Examples:\n"
        "  pelkora-cli update game.big patch/\n"
        "  pelkora-cli update -o new.big game.big --remove 'data\\old.map' readme.txt\n");
}

} // namespace pelkora::cli
