// quorvane-cli: the recorder's engine without a window, for servers and batch work.
#include "cli/Commands.h"

int main(int argc, char** argv) {
  quorvane::CliJob job;
  if (const auto exit = quorvane::parseCommandLine(argc, argv, job)) return *exit;
  switch (job.command) {
    case quorvane::CliJob::Command::Devices:
      return quorvane::runDevices();
    case quorvane::CliJob::Command::Record:
      return quorvane::runRecord(job);
    case quorvane::CliJob::Command::Process:
      return quorvane::runProcess(job);
  }
  return 1;
}
