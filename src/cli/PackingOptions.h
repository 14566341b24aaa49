#pragma once
// The command lines of the verbs that write archives, create and update.

#include "cli/CliOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <vector>

namespace pelkora::cli {

// -0 (store) and -1 to -9 (LZSS level).
std::vector<QCommandLineOption> PackingLevelOptions();

// Fills `options` from a parsed create or update line; the usage error when
// the line is not usable, otherwise empty.
QString ReadPackingOptions(const QCommandLineParser& parser, Verb verb, const QString& verbName,
    const QStringList& positional, CliOptions& options);

QString PackingUsageText(Verb verb);

} // namespace pelkora::cli
