#pragma once
// Argument checks shared by the project's small tools (demo writer, seed
// writer, benchmark archive writer): "--help" prints the usage, and an
// option-like or missing argument is a usage error instead of a file name.

#include <cstdio>
#include <cstring>

namespace pelkora::testsupport {

// -1 when the tool should go on, otherwise the exit status to return.
inline int CheckToolArguments(int argc, char** argv, int minArguments, int maxArguments, const char* usage)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: %s\n", usage);
            return 0;
        }
        if (argv[i][0] == '-' || argv[i][0] == '\0') {
            std::fprintf(stderr, "usage: %s\n(\"%s\" is not a usable argument)\n", usage, argv[i]);
            return 64;
        }
    }
    if (argc - 1 < minArguments || argc - 1 > maxArguments) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return 64;
    }
    return -1;
}

} // namespace pelkora::testsupport
