#include "app/ClassIdTable.h"
#include "app/CommandLine.h"
#include "app/Messages.h"
#include "app/RepackRun.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
  platform::initialise();
  ClassIdTable classes;
  if (const auto text = platform::classTableText()) {
    classes.build(*text);
  } else {
    platform::printLine(messages::kClassTableMissing);
  }
  const RunOptions options =
      parseArguments(platform::arguments(argc, argv), readModeNumberFromInput, platform::printLine);
  if (options.valid && options.mode == RunMode::Repack)
    runRepack(options.assetPath, classes, platform::printLine);
  return 0;  // the installer's batch never reads it; the files on disk are the result
}
