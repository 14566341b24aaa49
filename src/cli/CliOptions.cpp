#include "cli/CliOptions.h"

namespace pelkora::cli {
namespace {

CliOptions usageError(const QString& message)
{
    CliOptions options;
    options.usageError = message;
    return options;
}

} // namespace

QString UsageText()
{
    return QStringLiteral(
        "Usage:\n"
        "  pelkora-cli list [--json] ARCHIVE\n"
        "  pelkora-cli extract [-q] [--force] ARCHIVE DEST [NAME...]\n"
        "  pelkora-cli test [-q] ARCHIVE\n"
        "  pelkora-cli --help | --version\n"
        "\n"
        "list     one line per entry in the window's order: name, size, packed size,\n"
        "         1 when compressed, modified (YYYY-MM-DD HH:MM:SS); tab-separated.\n"
        "         --json prints one JSON array instead.\n"
        "extract  writes every entry, or the NAMEs given (full names, any letter case),\n"
        "         under DEST, creating DEST and the entries' folders.\n"
        "         Refuses to start when the entries' unpacked sizes add up to more\n"
        "         than DEST has free; --force extracts anyway.\n"
        "test     decodes every entry in memory and reports the ones that do not verify,\n"
        "         and entries whose data areas overlap.\n"
        "  -q     print nothing but errors.\n"
        "\n"
        "Exit status: 0 all done; 1 an entry failed, was refused or did not verify;\n"
        "2 the archive could not be opened or read, or nothing could be extracted;\n"
        "64 a usage error.\n");
}

CliOptions ParseCommandLine(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return usageError(QStringLiteral("no command given"));
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--"))
            break;
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            CliOptions options;
            options.verb = Verb::Help;
            return options;
        }
    }

    CliOptions options;
    const QString& verb = arguments.first();
    if (verb == QLatin1String("--version")) {
        if (arguments.size() > 1)
            return usageError(QStringLiteral("--version takes no arguments"));
        options.verb = Verb::Version;
        return options;
    }
    if (verb == QLatin1String("list"))
        options.verb = Verb::List;
    else if (verb == QLatin1String("extract"))
        options.verb = Verb::Extract;
    else if (verb == QLatin1String("test"))
        options.verb = Verb::Test;
    else if (verb.startsWith(u'-'))
        return usageError(QStringLiteral("unknown option \"%1\"").arg(verb));
    else
        return usageError(QStringLiteral("unknown command \"%1\"").arg(verb));

    QStringList positional;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(u'-') || argument == QLatin1String("-")) {
            positional << argument;
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("--json") && options.verb == Verb::List) {
            options.json = true;
        } else if (argument == QLatin1String("--force") && options.verb == Verb::Extract) {
            options.force = true;
        } else if ((argument == QLatin1String("-q") || argument == QLatin1String("--quiet"))
            && options.verb != Verb::List) {
            options.quiet = true;
        } else {
            return usageError(QStringLiteral("unknown option \"%1\" for %2").arg(argument, verb));
        }
    }

    switch (options.verb) {
    case Verb::List:
    case Verb::Test:
        if (positional.size() != 1)
            return usageError(QStringLiteral("%1 takes one ARCHIVE").arg(verb));
        options.archive = positional.first();
        break;
    case Verb::Extract:
        if (positional.size() < 2)
            return usageError(QStringLiteral("extract takes ARCHIVE DEST [NAME...]"));
        options.archive = positional[0];
        options.destination = positional[1];
        options.names = positional.mid(2);
        break;
    default:
        break;
    }
    if (options.archive.isEmpty() || (options.verb == Verb::Extract && options.destination.isEmpty()))
        return usageError(QStringLiteral("an empty ARCHIVE or DEST"));
    return options;
}

} // namespace pelkora::cli
