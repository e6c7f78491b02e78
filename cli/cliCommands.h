// The commands of `ondix`: each one an API call (or a few) on the unit chosen, its result
// printed as text or JSON. Returns the exit code.
#pragma once

#include "cli/cliDevice.h"
#include "cli/cliOptions.h"

#include <QTextStream>

namespace ondixcli {

// Commands that need no device: generate, and library list, import and export (`input` is
// read by an import from "-").
bool isOffline(TCommand command);
int runOffline(const TCliOptions& options, TConsole& console, QTextStream& input);

// Every other command. `input` is read by "send" without a line.
int runCommand(const TCliOptions& options, TConsole& console, QTextStream& input);

}  // namespace ondixcli
