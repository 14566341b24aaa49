#pragma once
// The tool's verbs. Each returns the process's exit status.

#include "cli/CliOptions.h"

namespace pelkora::cli {

int ListCommand(const CliOptions& options);
int ExtractCommand(const CliOptions& options);
int TestCommand(const CliOptions& options);
int InfoCommand(const CliOptions& options);
int CreateCommand(const CliOptions& options);
int UpdateCommand(const CliOptions& options);

} // namespace pelkora::cli
