// libFuzzer target: every input is an asset file that qmx repacks in place, beside an unpacked
// folder whose names match the seed corpus, exactly as `qmx -i` would. Beyond the sanitizers, one
// property is checked: a file that qmx reports as rebuilt must load again, since qmx keeps no backup
// and a file it cannot read back is a file it has broken.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "SeedAssets.h"
#include "app/ClassIdTable.h"
#include "app/Messages.h"
#include "app/RepackRun.h"
#include "platform/Platform.h"
#include "serialized/SerializedFile.h"
#include "support/Files.h"

namespace {

struct Workspace {
  testsupport::TempDirectory folder;  // under TMPDIR; removed when the fuzzer exits normally
  std::wstring assetPath;
  ClassIdTable classes;

  Workspace() {
    platform::initialise();
    const auto table = platform::classTableText();
    if (!table) {
      std::fputs("repack_fuzz: no class table built in\n", stderr);
      std::abort();
    }
    classes.build(*table);
    fuzzseeds::writeUnpackFolder(folder / fuzzseeds::kUnpackFolderName);
    assetPath = (folder / fuzzseeds::kAssetName).wstring();
  }
};

Workspace& workspace() {
  static Workspace instance;
  return instance;
}

void writeInput(const std::wstring& path, const std::uint8_t* data, std::size_t size) {
  FILE* file = std::fopen(platform::toNarrow(path).c_str(), "wb");
  if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) {
    std::fputs("repack_fuzz: cannot write the input file\n", stderr);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  workspace();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Workspace& w = workspace();
  writeInput(w.assetPath, data, size);

  std::wstring lastLine;
  runRepack(w.assetPath, w.classes, [&lastLine](std::wstring_view line) { lastLine = line; });

  if (lastLine == messages::kDone) {
    SerializedFile rebuilt;
    const LoadStatus status = rebuilt.load(w.assetPath);
    if (status != LoadStatus::Loaded) {
      std::fprintf(stderr, "repack_fuzz: a file reported as rebuilt no longer loads (status %d)\n",
                   static_cast<int>(status));
      std::abort();
    }
  }
  return 0;
}
