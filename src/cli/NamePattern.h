#pragma once
// The tool's NAME patterns are the application layer's (app/NamePattern.h).

#include "app/NamePattern.h"

namespace pelkora::cli {
using pelkora::NamePattern;
} // namespace pelkora::cli
