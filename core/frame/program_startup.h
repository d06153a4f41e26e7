#pragma once
// The life of the process and of each logical thread: what is made once per
// process and once per thread, the program body's steps before and after the
// frame, and how the program ends.
#include "platform/base/logical_threads.h"

namespace core {

// The process: starts the window layer, runs MainProgram as thread 1 and
// returns the exit code once every thread has ended and ProcessExit has run.
int ProgramEntry(int argc, char** argv);

// The part of ProgramEntry between ProcessFilesBind and ProcessExit: runs
// MainProgram as thread 1 and the event loop until thread 1 has ended (or the
// program halted), then ends the remaining threads. Returns the exit code.
int runProgramThreads();

// Once per process, before and after everything else.
void ProcessInit();
void ProcessFilesBind();
void ProcessExit();

// Joins ThreadStart and ThreadEnd to every logical thread's start and end.
// Idempotent.
void installThreadRoutines();
// Takes them away again: a process that ran one program start (a test)
// leaves later threads as it found them.
void removeThreadRoutines();
// On each thread before its procedure, and after it ends.
void ThreadStart(rt::ThreadNumber thread);
void ThreadEnd(rt::ThreadNumber thread);

// The body of thread 1; returns when the program is to end.
void MainProgram();

// Set once the tables have been registered with the table-upgrade library.
bool tablesRegistered();

// The program INI that the settings object keeps.
inline constexpr char kProgramIni[] = ".\\varneta.INI";

}  // namespace core
