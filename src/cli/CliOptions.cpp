#include "cli/CliOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include "cli/PackingOptions.h"

namespace pelkora::cli {
namespace {

CliOptions usageError(const QString& message)
{
    CliOptions options;
    options.usageError = message;
    return options;
}

struct VerbName {
    const char* name;
    Verb verb;
};
constexpr VerbName kVerbs[] = {{"list", Verb::List}, {"extract", Verb::Extract}, {"test", Verb::Test},
    {"info", Verb::Info}, {"create", Verb::Create}, {"update", Verb::Update}};

Verb verbNamed(const QString& name)
{
    for (const VerbName& v : kVerbs)
        if (name == QLatin1String(v.name))
            return v.verb;
    return Verb::None;
}

bool isHelp(const QString& argument)
{
    return argument == QLatin1String("-h") || argument == QLatin1String("--help");
}

bool isQuiet(const QString& argument)
{
    return argument == QLatin1String("-q") || argument == QLatin1String("--quiet");
}

// The options each verb takes, besides -q and -h that every verb takes.
struct VerbOptions {
    QCommandLineOption json{{QStringLiteral("j"), QStringLiteral("json")}};
    QCommandLineOption jsonLines{{QStringLiteral("J"), QStringLiteral("json-lines")}};
    QCommandLineOption longList{{QStringLiteral("l"), QStringLiteral("long")}};
    QCommandLineOption exclude{{QStringLiteral("x"), QStringLiteral("exclude")}, QString(), QStringLiteral("PATTERN")};
    QCommandLineOption directory{{QStringLiteral("C"), QStringLiteral("directory")}, QString(), QStringLiteral("DIR")};
    QCommandLineOption toStdout{{QStringLiteral("O"), QStringLiteral("to-stdout")}};
    QCommandLineOption keepExisting{{QStringLiteral("k"), QStringLiteral("keep-existing")}};
    QCommandLineOption overwrite{{QStringLiteral("o"), QStringLiteral("overwrite")}};
    QCommandLineOption verbose{{QStringLiteral("v"), QStringLiteral("verbose")}};
    QCommandLineOption force{{QStringLiteral("f"), QStringLiteral("force")}};
    QCommandLineOption quiet{{QStringLiteral("q"), QStringLiteral("quiet")}};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}};
    QCommandLineOption follow{QStringLiteral("follow")};
    QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")}, QString(), QStringLiteral("OUT")};
    QCommandLineOption remove{QStringLiteral("remove"), QString(), QStringLiteral("NAME")};
    const std::vector<QCommandLineOption> levels = PackingLevelOptions();

    void addTo(QCommandLineParser& parser, Verb verb) const
    {
        parser.addOption(quiet);
        parser.addOption(help);
        switch (verb) {
        case Verb::List:
            parser.addOptions({json, jsonLines, longList, exclude});
            break;
        case Verb::Extract:
            parser.addOptions({directory, toStdout, keepExisting, overwrite, verbose, force, exclude});
            break;
        case Verb::Info:
            parser.addOption(json);
            break;
        case Verb::Create:
            parser.addOption(follow);
            parser.addOptions(QList<QCommandLineOption>(levels.begin(), levels.end()));
            break;
        case Verb::Update:
            parser.addOptions({follow, output, remove});
            parser.addOptions(QList<QCommandLineOption>(levels.begin(), levels.end()));
            break;
        default:
            break;
        }
    }
};

CliOptions parseVerb(Verb verb, const QString& verbName, const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const VerbOptions o;
    o.addTo(parser, verb);
    if (!parser.parse(QStringList(QStringLiteral("pelkora-cli")) + arguments))
        return usageError(QStringLiteral("%1: %2").arg(verbName, parser.errorText()));

    CliOptions options;
    if (parser.isSet(o.help)) {
        options.verb = Verb::Help;
        options.helpFor = verb;
        return options;
    }
    options.verb = verb;
    options.quiet = parser.isSet(o.quiet);
    QStringList positional = parser.positionalArguments();
    switch (verb) {
    case Verb::List:
        options.json = parser.isSet(o.json);
        options.jsonLines = parser.isSet(o.jsonLines);
        options.longList = parser.isSet(o.longList);
        options.excludes = parser.values(o.exclude);
        if (int(options.json) + int(options.jsonLines) + int(options.longList) > 1)
            return usageError(QStringLiteral("list: --json, --json-lines and --long exclude each other"));
        if (positional.isEmpty())
            return usageError(QStringLiteral("list takes ARCHIVE [NAME...]"));
        options.archive = positional.takeFirst();
        options.names = positional;
        break;
    case Verb::Extract: {
        options.toStdout = parser.isSet(o.toStdout);
        options.keepExisting = parser.isSet(o.keepExisting);
        options.verbose = parser.isSet(o.verbose);
        options.force = parser.isSet(o.force);
        options.excludes = parser.values(o.exclude);
        const bool directory = parser.isSet(o.directory);
        if (options.keepExisting && parser.isSet(o.overwrite))
            return usageError(QStringLiteral("extract: --keep-existing and --overwrite exclude each other"));
        if (options.toStdout && directory)
            return usageError(QStringLiteral("extract: --to-stdout and --directory exclude each other"));
        if (directory && parser.values(o.directory).size() > 1)
            return usageError(QStringLiteral("extract: --directory given more than once"));
        if (positional.isEmpty())
            return usageError(
                QStringLiteral("extract takes ARCHIVE DEST [NAME...], or -C DIR or -O with ARCHIVE [NAME...]"));
        options.archive = positional.takeFirst();
        if (directory) {
            options.destination = parser.value(o.directory);
        } else if (!options.toStdout) {
            if (positional.isEmpty())
                return usageError(
                    QStringLiteral("extract takes ARCHIVE DEST [NAME...], or -C DIR or -O with ARCHIVE [NAME...]"));
            options.destination = positional.takeFirst();
        }
        options.names = positional;
        if (!options.toStdout && options.destination.isEmpty())
            return usageError(QStringLiteral("an empty DEST"));
        break;
    }
    case Verb::Create:
    case Verb::Update: {
        const QString problem = ReadPackingOptions(parser, verb, verbName, positional, options);
        if (!problem.isEmpty())
            return usageError(problem);
        break;
    }
    case Verb::Test:
    case Verb::Info:
        options.json = verb == Verb::Info && parser.isSet(o.json);
        if (positional.size() != 1)
            return usageError(QStringLiteral("%1 takes one ARCHIVE").arg(verbName));
        options.archive = positional.first();
        break;
    default:
        break;
    }
    if (options.archive.isEmpty())
        return usageError(QStringLiteral("an empty ARCHIVE"));
    return options;
}

} // namespace

QString UsageText(Verb verb)
{
    switch (verb) {
    case Verb::List:
        return QStringLiteral(
            "Usage: pelkora-cli list [-l | --json | --json-lines] [--exclude PATTERN]... ARCHIVE [NAME...]\n"
            "\n"
            "One line per entry in the window's order: name, size, packed size, 1 when\n"
            "compressed, modified (YYYY-MM-DD HH:MM:SS); tab-separated.\n"
            "A NAME is a full name, a folder (everything below it) or a glob: * and ?\n"
            "stay within one folder, ** crosses folders; any letter case, / or \\.\n"
            "\n"
            "  -l, --long          the window's columns, aligned for reading\n"
            "  -j, --json          one JSON array, written as it goes\n"
            "  -J, --json-lines    one JSON object per line\n"
            "  -x, --exclude PAT   leave out entries matching PAT (repeatable)\n"
            "  -q, --quiet         accepted; list prints its results anyway\n"
            "\n"
            "Examples:\n"
            "  pelkora-cli list -l game.big 'data/maps'\n"
            "  pelkora-cli list --json-lines game.big '**.wav' | jq .name\n");
    case Verb::Extract:
        return QStringLiteral(
            "Usage: pelkora-cli extract [OPTIONS] ARCHIVE DEST [NAME...]\n"
            "       pelkora-cli extract [OPTIONS] (-C DIR | -O) ARCHIVE [NAME...]\n"
            "\n"
            "Writes every entry, or those the NAMEs select (full names, folders or globs\n"
            "as list takes them), under DEST, creating DEST and the entries' folders.\n"
            "\n"
            "  -C, --directory DIR  extract under DIR\n"
            "  -O, --to-stdout      write the entries' bytes to stdout, one after another\n"
            "  -k, --keep-existing  skip entries whose file already exists\n"
            "  -o, --overwrite      replace existing files (the default)\n"
            "  -v, --verbose        print each path written\n"
            "  -f, --force          extract even when the entries' sizes add up to more\n"
            "                       than the destination has free\n"
            "  -x, --exclude PAT    leave out entries matching PAT (repeatable)\n"
            "  -q, --quiet          print nothing but errors\n"
            "\n"
            "Examples:\n"
            "  pelkora-cli extract game.big out/ 'data/maps/*.map'\n"
            "  pelkora-cli extract -O game.big readme.txt | less\n");
    case Verb::Test:
        return QStringLiteral(
            "Usage: pelkora-cli test [-q] ARCHIVE\n"
            "\n"
            "Decodes every entry in memory and reports the ones whose length differs from\n"
            "their record, whose data cannot be read, whose stored hash does not match\n"
            "their name, and entries whose data areas overlap.\n"
            "\n"
            "  -q, --quiet   print nothing but errors\n"
            "\n"
            "Examples:\n"
            "  pelkora-cli test game.big\n"
            "  pelkora-cli test -q game.big && echo intact\n");
    case Verb::Create:
    case Verb::Update:
        return PackingUsageText(verb);
    case Verb::Info:
        return QStringLiteral(
            "Usage: pelkora-cli info [--json] ARCHIVE\n"
            "\n"
            "The archive's path, size, entry count, total unpacked and packed size,\n"
            "compressed entries, date range, entries whose stored hash does not match\n"
            "their name, and overlapping data areas.\n"
            "\n"
            "  -j, --json    one JSON object\n"
            "\n"
            "Examples:\n"
            "  pelkora-cli info game.big\n"
            "  pelkora-cli info --json game.big\n");
    default:
        break;
    }
    return QStringLiteral(
        "Usage:\n"
        "  pelkora-cli list [-l | --json | --json-lines] [--exclude PATTERN]... ARCHIVE [NAME...]\n"
        "  pelkora-cli extract [-q] [-v] [-k] [--force] ARCHIVE DEST [NAME...]\n"
        "  pelkora-cli extract [-C DIR | -O] ARCHIVE [NAME...]\n"
        "  pelkora-cli test [-q] ARCHIVE\n"
        "  pelkora-cli info [--json] ARCHIVE\n"
        "  pelkora-cli create [-0|-1..-9] [--follow] OUT.big DIR|FILE...\n"
        "  pelkora-cli update [-o OUT.big] [--remove NAME]... ARCHIVE [DIR|FILE...]\n"
        "  pelkora-cli --help | --version | VERB --help\n"
        "\n"
        "list     one line per entry in the window's order: name, size, packed size,\n"
        "         1 when compressed, modified (YYYY-MM-DD HH:MM:SS); tab-separated.\n"
        "extract  writes every entry, or the NAMEs given (full names, folders or globs,\n"
        "         any letter case), under DEST, creating DEST and the entries' folders.\n"
        "         Refuses to start when the entries' unpacked sizes add up to more\n"
        "         than DEST has free; --force extracts anyway.\n"
        "test     decodes every entry in memory and reports the ones that do not verify,\n"
        "         and entries whose data areas overlap.\n"
        "info     the archive's figures: entries, sizes, dates, hashes, overlaps.\n"
        "create   packs the files below each DIR (named by their path below it) and\n"
        "         each FILE (named by its file name) into a new archive.\n"
        "update   writes ARCHIVE again with the files given replacing or joining its\n"
        "         entries and the --remove NAMEs dropped; the rest is copied as it lies.\n"
        "  -q     print nothing but errors (any verb, before or after it).\n"
        "\n"
        "Exit status: 0 all done; 1 an entry failed, was refused or did not verify;\n"
        "2 the archive could not be opened or read, or nothing could be extracted;\n"
        "create and update: 1 an input was refused, 2 the archive could not be written\n"
        "(nothing is written in either case);\n"
        "64 a usage error.\n");
}

CliOptions ParseCommandLine(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return usageError(QStringLiteral("no command given"));

    // Options before the verb: only those every verb takes.
    QStringList before;
    qsizetype at = 0;
    for (; at < arguments.size(); ++at) {
        const QString& argument = arguments[at];
        if (!argument.startsWith(u'-') || argument == QLatin1String("-"))
            break;
        if (argument == QLatin1String("--version")) {
            if (arguments.size() > 1)
                return usageError(QStringLiteral("--version takes no arguments"));
            CliOptions options;
            options.verb = Verb::Version;
            return options;
        }
        if (isHelp(argument)) {
            CliOptions options;
            options.verb = Verb::Help;
            if (at + 1 < arguments.size())
                options.helpFor = verbNamed(arguments[at + 1]);
            return options;
        }
        if (!isQuiet(argument))
            return usageError(QStringLiteral("unknown option \"%1\"").arg(argument));
        before << argument;
    }
    if (at == arguments.size())
        return usageError(QStringLiteral("no command given"));
    const QString& verbName = arguments[at];
    const Verb verb = verbNamed(verbName);
    if (verb == Verb::None)
        return usageError(QStringLiteral("unknown command \"%1\"").arg(verbName));
    return parseVerb(verb, verbName, before + arguments.mid(at + 1));
}

} // namespace pelkora::cli
