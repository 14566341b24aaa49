#pragma once
// The tool's command line:
//   pelkora-cli list [--json] ARCHIVE
//   pelkora-cli extract [-q] [--force] ARCHIVE DEST [NAME...]
//   pelkora-cli test [-q] ARCHIVE
//   pelkora-cli --help | --version
// Options may stand anywhere after the verb; "--" ends them.

#include <QString>
#include <QStringList>

namespace pelkora::cli {

enum class Verb { None, Help, Version, List, Extract, Test };

struct CliOptions {
    Verb verb = Verb::None;
    bool json = false;
    bool quiet = false;
    bool force = false; // extract even when the entries look larger than the free space
    QString archive;
    QString destination;
    QStringList names;
    QString usageError; // set when the command line is not usable
};

// `arguments` without the program name.
CliOptions ParseCommandLine(const QStringList& arguments);

QString UsageText();

} // namespace pelkora::cli
