#include "PayloadTestSupport.h"

#include <memory>

#include "support/ChildProcess.h"

namespace payloadtest {

void extractZip(const std::filesystem::path& archive, const std::filesystem::path& folder) {
  for (const testsupport::ArchivedEntry& entry : testsupport::readZip(archive)) {
    if (entry.name.ends_with('/')) {
      std::filesystem::create_directories(folder / entry.name);
    } else {
      testsupport::writeFile(folder / entry.name, entry.data);
    }
  }
}

const Payloads& payloads() {
  static const Payloads made{std::filesystem::path(PAYLOAD_DIR) / "install.zip",
                             std::filesystem::path(PAYLOAD_DIR) / "uninstall.zip",
                             testsupport::readFile(std::filesystem::path(WINDOWS_BIN) / "qmx.exe")};
  return made;
}

bool makeDemoGame(const std::filesystem::path& folder) {
  return testsupport::runProgram(MAKE_DEMO_GAME, {folder.wstring()}, folder.parent_path()).exitCode == 0;
}

}  // namespace payloadtest
