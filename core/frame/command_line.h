#pragma once
// The program's command line, kept by the platform so that the libraries below
// the program read the same switches.
#include "platform/base/command_line.h"

namespace core {

using rt::commandName;
using rt::hasSwitch;
using rt::setCommandLine;

}  // namespace core
