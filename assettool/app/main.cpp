#include "app/CommandLine.h"
#include "app/RepackRun.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
  platform::initialise();
  const RunOptions options =
      parseArguments(platform::arguments(argc, argv), readModeNumberFromInput, platform::printLine);
  if (options.valid && options.mode == RunMode::Repack) runRepack(options.assetPath, platform::printLine);
  return 0;  // the installer's batch never reads it; the files on disk are the result
}
