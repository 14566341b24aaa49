#pragma once
// The tool's command line:
//   pelkora-cli [-q] VERB [OPTIONS] ARGUMENTS...
//   pelkora-cli list    [-l | --json | --json-lines] [--exclude PATTERN]... ARCHIVE [NAME...]
//   pelkora-cli extract [-C DIR | -O] [-k | --overwrite] [-v] [--force] [--exclude PATTERN]... ARCHIVE [DEST] [NAME...]
//   pelkora-cli test    ARCHIVE
//   pelkora-cli info    [--json] ARCHIVE
//   pelkora-cli create  [-0|-1..-9] [--follow] OUT.big DIR|FILE...
//   pelkora-cli update  [-0|-1..-9] [--follow] [-o OUT.big] [--remove NAME]... ARCHIVE [DIR|FILE...]
//   pelkora-cli --help | --version | VERB --help
// Options may stand before or after the arguments; "--" ends them.

#include <QString>
#include <QStringList>

namespace pelkora::cli {

enum class Verb { None, Help, Version, List, Extract, Test, Info, Create, Update };

struct CliOptions {
    Verb verb = Verb::None;
    Verb helpFor = Verb::None; // with Help: the verb whose help was asked for
    bool quiet = false;
    bool json = false;         // list, info: one JSON document
    bool jsonLines = false;    // list: one JSON object per line
    bool longList = false;     // list: the window's columns, aligned
    bool verbose = false;      // extract: print each path written
    bool force = false;        // extract: even when the sizes exceed the free space
    bool toStdout = false;     // extract: the bytes to stdout instead of files
    bool keepExisting = false; // extract: skip entries whose target exists
    QString archive;
    QString destination;
    QStringList names;    // full names, folder prefixes or globs
    QStringList excludes; // patterns of the same kinds
    QString usageError;   // set when the command line is not usable
    int level = 6;        // create, update: 0 stores, 1-9 the LZSS level
    bool follow = false;  // create, update: follow symbolic links below a DIR
    QString output;       // update: -o, written instead of replacing ARCHIVE
    QStringList removes;  // update: full names to drop
    QStringList inputs;   // create, update: the DIRs and FILEs to pack
};

// `arguments` without the program name.
CliOptions ParseCommandLine(const QStringList& arguments);

// The general usage, or one verb's usage, options and examples.
QString UsageText(Verb verb = Verb::None);

} // namespace pelkora::cli
