#include "app/KitCommandLine.h"
#include "app/KitMessages.h"
#include "app/Messages.h"
#include "commands/CheckCommand.h"
#include "commands/EncodeCommand.h"
#include "commands/ExportCommand.h"
#include "commands/FontCommand.h"
#include "commands/ListCommand.h"
#include "commands/PackCommand.h"
#include "platform/Platform.h"

namespace {

int showUsage(const ShowUsage& usage) {
  if (!usage.asked) platform::printLine(kit_messages::kWrongArguments);
  for (std::wstring_view line : kit_messages::kUsage) platform::printLine(line);
  return usage.asked ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  platform::initialise();
  const KitCommand command = parseKitArguments(platform::arguments(argc, argv));
  if (const auto* usage = std::get_if<ShowUsage>(&command)) return showUsage(*usage);
  if (const auto* font = std::get_if<FontOptions>(&command)) return cutFont(*font, platform::printLine);
  ClassIdTable classes;
  const auto text = platform::classTableText();
  if (!text) {
    platform::printLine(messages::kClassTableMissing);
    return 2;
  }
  classes.build(*text);
  if (const auto* list = std::get_if<ListCommand>(&command)) {
    return listObjects(list->assetPath, classes, platform::printLine);
  }
  if (const auto* check = std::get_if<CheckOptions>(&command))
    return checkFolder(*check, classes, platform::printLine);
  if (const auto* encode = std::get_if<EncodeOptions>(&command))
    return encodePictures(*encode, classes, platform::printLine);
  if (const auto* pack = std::get_if<PackOptions>(&command))
    return packInstaller(*pack, classes, platform::printLine);
  return exportObjects(std::get<ExportOptions>(command), classes, platform::printLine);
}
