#pragma once
// Names under which the parts built on top of the start-up plug into it,
// through the procedure registry (a name nobody registered does nothing).
#include <string_view>

namespace core::hook {

// The process-wide objects of the text and utility classes.
inline constexpr std::string_view RegistryAccessConstruct = "RegistryAccess.Construct";
inline constexpr std::string_view RegistryAccessDestruct = "RegistryAccess.Destruct";
// Argument "1": registry errors are then reported without a message.
inline constexpr std::string_view RegistryAccessSetQuietMode = "RegistryAccess.SetQuietMode";
inline constexpr std::string_view DebugLogDefaults = "DebugLog.Defaults";
// The debug object's own start (after its defaults) and end (before the
// process-wide objects are destroyed).
inline constexpr std::string_view DebugLogInit = "DebugLog.Init";
inline constexpr std::string_view DebugLogKill = "DebugLog.Kill";

// The platform's translator, message object and settings object, built in
// this order once per process and destroyed in the reverse order.
inline constexpr std::string_view TextTranslatorConstruct = "TextTranslator.Construct";
inline constexpr std::string_view ErrorReporterConstruct = "ErrorReporter.Construct";
inline constexpr std::string_view SettingsStoreConstruct = "SettingsStore.Construct";
inline constexpr std::string_view SettingsStoreDestruct = "SettingsStore.Destruct";
inline constexpr std::string_view ErrorReporterDestruct = "ErrorReporter.Destruct";
inline constexpr std::string_view TextTranslatorDestruct = "TextTranslator.Destruct";
// Argument: the INI file, ".\varneta.INI".
inline constexpr std::string_view SettingsStoreInit = "SettingsStore.Init";
// Writes back what the settings object holds and closes it.
inline constexpr std::string_view SettingsStoreKill = "SettingsStore.Kill";
inline constexpr std::string_view TextTranslatorInit = "TextTranslator.Init";
inline constexpr std::string_view TextTranslatorKill = "TextTranslator.Kill";
inline constexpr std::string_view ErrorReporterInit = "ErrorReporter.Init";
inline constexpr std::string_view ErrorReporterThreadInit = "ErrorReporter.ThreadInit";

// Per-thread table managers; argument: the thread number.
inline constexpr std::string_view TableManagersInit = "TableManagersInit";
inline constexpr std::string_view TableManagersKill = "TableManagersKill";

// The placeholder file that tells the table-upgrade library the tables' driver.
inline constexpr std::string_view KeyFileDriverBind = "KeyFileDriverPlaceholder.Bind";
inline constexpr std::string_view KeyFileDriverDestroy = "KeyFileDriverPlaceholder.Destroy";
// Registers every table with the table-upgrade library and runs the table
// maintenance window when a bad table was recorded.
inline constexpr std::string_view TableUpgradeRegistration = "TableUpgradeRegistration";

// The socket library closes its hidden call-back window.
inline constexpr std::string_view NetCloseCallBackWindow = "NetCloseCallBackWindow";

// The appointment planner's process-wide day queue.
inline constexpr std::string_view FreeDayQueue = "QTU.Free";

// The frame: runs on thread 1 until the user closes it.
inline constexpr std::string_view Main = "Main";

}  // namespace core::hook
