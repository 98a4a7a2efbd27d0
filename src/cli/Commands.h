#pragma once

#include "cli/CommandLine.h"

namespace quorvane {

// The three commands of quorvane-cli; each returns the program's exit code.

// The input and output devices with the numbers --device and --monitor take.
int runDevices();
// Records from the sound card through the window's record loop until a
// signal, --duration or --until stops it; the file is then complete.
int runRecord(const CliJob& job);
// The window's file transfer as a batch job. On any failure, or when
// interrupted, no output is left behind.
int runProcess(const CliJob& job);

}  // namespace quorvane
