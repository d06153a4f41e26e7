#pragma once
// The runtime's error codes, their Spanish texts and the error status of each
// logical thread: the last error code and, for driver errors (code 90), the
// driver's own code and message. All texts are runtime text (CP1252).
#include <string>
#include <string_view>

#include "platform/base/logical_threads.h"

namespace rt {

// The codes the runtime reports (the ones the application's messages quote).
namespace error {
constexpr int NoError = 0;
constexpr int NoFile = 2;
constexpr int NoPath = 3;
constexpr int TooManyFiles = 4;
constexpr int AccessDenied = 5;
constexpr int MemoryCorrupted = 7;
constexpr int NoMemory = 8;
constexpr int EntryNotFound = 30;
constexpr int FileLocked = 32;
constexpr int RecordNotAvailable = 33;
constexpr int RecordNotFound = 35;
constexpr int BadDataFile = 36;
constexpr int FileNotOpen = 37;
constexpr int BadKeyFile = 38;
constexpr int DuplicateKey = 40;
constexpr int RecordHeld = 43;
constexpr int BadFileName = 45;
constexpr int RebuildKeys = 46;
constexpr int BadRecordDeclaration = 47;
constexpr int TransactionNotSaved = 48;
constexpr int FileAlreadyOpen = 52;
constexpr int InvalidFile = 53;
constexpr int NoCreateAttribute = 54;
constexpr int TransactionActive = 56;
constexpr int BadMemoFile = 57;
constexpr int ExclusiveAccessDenied = 63;
constexpr int SharingViolation = 64;
constexpr int RollbackFailed = 65;
constexpr int MemoFileMissing = 73;
constexpr int BadFieldType = 75;
constexpr int BadKeyString = 76;
constexpr int KeyUnavailable = 77;
constexpr int BadParameterCount = 78;
constexpr int TypeNotSupported = 79;
constexpr int FunctionNotSupported = 80;
constexpr int UnknownError = 81;
constexpr int BadKeyLength = 88;
constexpr int RecordChanged = 89;
constexpr int DriverError = 90;
constexpr int BadExpression = 800;
constexpr int VariableNotFound = 801;
}  // namespace error

// The text of a code ("Registro no encontrado" for 35); empty for 0 and for
// codes without a text.
std::string errorText(int code);
// Replaces the text of a code (the locale settings "CLAMSG<code>").
void setErrorText(int code, std::string_view text);

// The calling logical thread's error status.
int errorCode();
// The text of the current error code.
std::string errorText();
// The driver's code and message of the last driver error (code 90); empty
// after any other error.
std::string fileErrorCode();
std::string fileError();
// The current error as messages quote it: "Registro no encontrado (35)"; for a
// driver error the driver's message and code, "disk I/O error (10)".
std::string errorDescription();

// Sets the calling thread's error code (0 clears it) and clears the driver error.
void setError(int code);
// Sets error 90 with the driver's code and message.
void setFileError(std::string_view driverCode, std::string_view driverMessage);
void setFileError(long long driverCode, std::string_view driverMessage);
void clearError();

// Frees the status kept for a thread (when it ends). Its next use starts clear.
void freeThreadErrors(ThreadNumber thread);

}  // namespace rt
