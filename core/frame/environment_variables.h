#pragma once
// The Windows environment variables the program knows by number, and their
// values on this machine. Runtime text (CP1252).
#include <string>

namespace core {

// The name with its percent signs ("%TEMP%" for 27); empty for any other number.
std::string EnvVarName(long number);

// -k gives the name of variable k, +k its value; empty for 0, beyond 33 either
// way, for a variable that is not set and for a value longer than 259
// characters. TEMP and TMP fall back to the temp folder and COMPUTERNAME to
// the host name, which Windows always sets and Linux does not.
std::string EnvVarValue(long number);

}  // namespace core
