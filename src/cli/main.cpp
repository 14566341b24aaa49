// pelkora-cli: list, extract and test "Big file" archives from scripts.

#include "cli/ArchiveEntries.h"
#include "cli/CliOptions.h"
#include "cli/CliOutput.h"
#include "cli/Commands.h"
#include "lzss/UnLZSS.h"
#include "support/Crc.h"

#include <QCoreApplication>

#include <cstdio>

using namespace pelkora::cli;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    pelkora::BuildCrcTable();
    pelkora::InitLZSS();

    const CliOptions options = ParseCommandLine(QCoreApplication::arguments().mid(1));
    CliOutput out(false);
    switch (options.verb) {
    case Verb::Help:
        out.Text(UsageText());
        return ExitOk;
    case Verb::Version:
        out.Line(QStringLiteral("pelkora-cli " PELKORA_VERSION));
        return ExitOk;
    case Verb::List:
        return ListCommand(options);
    case Verb::Extract:
        return ExtractCommand(options);
    case Verb::Test:
        return TestCommand(options);
    case Verb::None:
        break;
    }
    out.Error(QStringLiteral("usage"), options.usageError + QStringLiteral(" (see pelkora-cli --help)"));
    return ExitUsage;
}
