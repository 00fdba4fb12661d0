// ShowTest still reaches the ostrel runner by its old place; the runner
// itself lives with the command line tests (tests/cli/CliRun.h).
#pragma once

#include "tests/cli/CliRun.h"
