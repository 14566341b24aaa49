// pelkora-cli: list, extract, test, create and update "Big file" archives from scripts.

#include "cli/ArchiveEntries.h"
#include "cli/CliOptions.h"
#include "cli/CliOutput.h"
#include "cli/Commands.h"
#include "lzss/UnLZSS.h"
#include "support/Crc.h"
#include "support/Interruption.h"
#include "support/Paths.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

using namespace pelkora::cli;

namespace {

int run(const CliOptions& options)
{
    CliOutput out(false);
    switch (options.verb) {
    case Verb::Help:
        out.Text(UsageText(options.helpFor));
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
    case Verb::Info:
        return InfoCommand(options);
    case Verb::Create:
        return CreateCommand(options);
    case Verb::Update:
        return UpdateCommand(options);
    case Verb::None:
        break;
    }
    out.Error(QStringLiteral("usage"), options.usageError + QStringLiteral(" (see pelkora-cli --help)"));
    return ExitUsage;
}

} // namespace

int main(int argc, char** argv)
{
    // SIGINT and SIGTERM let a file being written be removed first; a write
    // past the file size limit fails (and is reported) instead of killing.
    pelkora::InstallInterruptionHandlers();
    QCoreApplication app(argc, argv);
    pelkora::BuildCrcTable();
    pelkora::InitLZSS();

    // An argument that does not decode (a file name in another encoding)
    // would silently turn into another path: refuse it instead.
    if (const int i = pelkora::UndecodableArgument(argc, argv)) {
        CliOutput(false).Error(QStringLiteral("usage"),
            QStringLiteral("argument %1 (\"%2\") is not valid in the locale's encoding (UTF-8); "
                           "rename the file or folder (see pelkora-cli --help)")
                .arg(i)
                .arg(QString::fromLocal8Bit(argv[i])));
        return ExitUsage;
    }

    const CliOptions options = ParseCommandLine(QCoreApplication::arguments().mid(1));
    int code = ExitArchiveFailed;
    try {
        code = run(options);
    } catch (const std::bad_alloc&) {
        // A listing or a plan too large for the memory the process may have
        // (a `ulimit -v`, a container's limit): a message and a failure
        // status, not an abort.
        CliOutput(false).Error(options.archive.isEmpty() ? QStringLiteral("pelkora-cli") : options.archive,
            QStringLiteral("out of memory."));
    }
    // Output that never arrived (a full disk, a closed pipe end) is a failure
    // of the whole command, not a success with a short listing.
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno != 0 ? errno : EIO;
        CliOutput(false).Error(QStringLiteral("stdout"), QString::fromLocal8Bit(std::strerror(error)));
        return ExitArchiveFailed;
    }
    return code;
}
