// libFuzzer target: every input is an asset file that qmx repacks in place, beside an unpacked
// folder whose names match the seed corpus, exactly as `qmx -i` would. Beyond the sanitizers, two
// properties are checked, since qmx keeps no backup: a file that qmx reports as rebuilt must load
// again, and every Texture2D, Font and TextAsset object that read in its release's layout before
// the run must read so after it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "SeedAssets.h"
#include "app/ClassIdTable.h"
#include "app/Messages.h"
#include "app/RepackRun.h"
#include "app/ReplacementNames.h"
#include "codecs/FontRecord.h"
#include "codecs/LayoutSource.h"
#include "codecs/TextAssetRecord.h"
#include "codecs/Texture2DRecord.h"
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

bool readsInItsLayout(SerializedFile& file, const ObjectInfo& info, const ClassIdTable& classes) {
  const std::optional<fields::ObjectLayout> layout = objectLayout(file, info);
  if (!layout) return false;
  const std::wstring className = classes.className(info.classId);
  const std::shared_ptr<const ByteRegion> data = file.objectRegion(info);
  if (className == class_name::kTexture2D) return Texture2DRecord().parse(data, *layout);
  if (className == class_name::kFont) return FontRecord().parse(data, *layout);
  return TextAssetRecord().parse(data, *layout);
}

// The path IDs of the handled objects that read in their layout; nothing when the file does not load.
std::optional<std::set<std::int64_t>> readableObjects(const std::wstring& path, const ClassIdTable& classes) {
  SerializedFile file;
  if (file.load(path) != LoadStatus::Loaded) return std::nullopt;
  std::set<std::int64_t> readable;
  for (const auto& [key, info] : file.objects().entries()) {
    if (readsInItsLayout(file, info, classes)) readable.insert(info.pathId);
  }
  file.close();
  return readable;
}

void fail(const char* what) {
  std::fprintf(stderr, "repack_fuzz: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  workspace();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Workspace& w = workspace();
  writeInput(w.assetPath, data, size);

  const std::optional<std::set<std::int64_t>> before = readableObjects(w.assetPath, w.classes);
  std::wstring lastLine;
  runRepack(w.assetPath, w.classes, [&lastLine](std::wstring_view line) { lastLine = line; });
  if (lastLine != messages::kDone) return 0;
  const std::optional<std::set<std::int64_t>> after = readableObjects(w.assetPath, w.classes);
  if (!after) fail("a file reported as rebuilt no longer loads");
  if (before && !std::includes(after->begin(), after->end(), before->begin(), before->end())) {
    std::fprintf(stderr, "repack_fuzz: path IDs read before:");
    for (std::int64_t pathId : *before) std::fprintf(stderr, " %lld", static_cast<long long>(pathId));
    std::fprintf(stderr, "; after:");
    for (std::int64_t pathId : *after) std::fprintf(stderr, " %lld", static_cast<long long>(pathId));
    std::fprintf(stderr, "\n");
    fail("an object that read in its layout before the run no longer does");
  }
  return 0;
}
