#pragma once
// The process-wide settings the program fills at every start from the
// settings INI (Dezedu.ini in the working folder), writing its defaults on a
// first run; the program and export folders; the version and title texts; the
// seed consultation type and the built-in letter macros.
#include <string>
#include <string_view>

namespace core {

// The build text of this program, shown in the version and the title.
inline constexpr std::string_view kBuildText = "2025.09.29.4";
// The registry value written at every start (a colour, blue-green-red).
inline constexpr std::string_view kRegistryKey = "Software\\Tolvane\\Varneta";
inline constexpr long kBackColor = 16443110;

// "Versión 9.0 (<build>)" padded to 40 characters.
std::string versionText(std::string_view build);
// "Varneta - " followed by all 40 characters of the version.
std::string titleText(const std::string& version);

// The working folder as runtime text (the "program folder"), and a file or
// folder name inside it.
std::string programFolder();
std::string inProgramFolder(std::string_view name);

// The user's local application-data folder; empty when it does not exist.
std::string localDataFolder();

// Fills the settings globals; on a first run (GLO::PrimeraEjecucion) writes
// the settings INI's defaults first. Registered as "InicializaVariablesGlobales".
void InicializaVariablesGlobales();
// Whether the settings file (a runtime name) marks a first run: missing, or
// holding no entry (a write cut short, a full disk).
bool isFirstRun(const std::string& settingsFile);
// Adds consultation type 1, "Consulta Normal" (a failed add is not reported).
void AltaTiposConsulta();

void registerGlobalSettings();

}  // namespace core
