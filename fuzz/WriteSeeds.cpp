// Writes the fuzz target's seed corpus into the folder named on the command line, after checking
// that each seed is still what it is meant to be: a file that qmx rebuilds with every Font,
// Texture2D, TextAsset and MonoBehaviour object replaced (or, for a texture whose data would stay the
// same, kept where it is) and every other object left in place. A
// seed that the codecs came to reject would leave the fuzzer exploring refusals only.
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "SeedAssets.h"
#include "app/ClassIdTable.h"
#include "app/Messages.h"
#include "app/RepackRun.h"
#include "platform/Platform.h"
#include "serialized/SerializedFile.h"
#include "support/Files.h"

namespace {

// Empty when the seed repacks as intended; otherwise what went wrong.
std::string checkSeed(const testsupport::Bytes& bytes, const ClassIdTable& classes) {
  testsupport::TempDirectory folder;
  fuzzseeds::writeUnpackFolder(folder / fuzzseeds::kUnpackFolderName);
  const std::filesystem::path asset = folder / fuzzseeds::kAssetName;
  testsupport::writeFile(asset, bytes);

  ObjectTable::Entries before;
  std::uint64_t dataOffset = 0;
  {
    SerializedFile file;
    if (file.load(asset.wstring()) != LoadStatus::Loaded) return "does not load";
    before = file.objects().entries();
    dataOffset = file.headerCopy().dataOffset;
  }
  const std::uint64_t originalDataEnd = bytes.size() - dataOffset;

  std::vector<std::wstring> lines;
  runRepack(asset.wstring(), classes, [&lines](std::wstring_view line) { lines.emplace_back(line); });
  if (lines.size() < 2 || lines.front() != messages::kRepackStarted || lines.back() != messages::kDone) {
    return "repack did not run to its end";
  }
  for (const std::wstring& line : lines) {
    if (line.starts_with(messages::kObjectDataDamaged) ||
        line.starts_with(messages::kReplacementUnreadable)) {
      return "an object was passed over: " + platform::toNarrow(line);
    }
  }

  SerializedFile file;
  if (file.load(asset.wstring()) != LoadStatus::Loaded) return "the rebuilt file does not load";
  const ObjectTable::Entries& after = file.objects().entries();
  if (after.size() != before.size()) return "the object count changed";
  for (const auto& [key, old] : before) {
    const auto found = after.find(key);
    if (found == after.end()) return "path ID " + std::to_string(old.pathId) + " is gone";
    const ObjectInfo& now = found->second;
    const bool moved = now.byteStart >= originalDataEnd;
    const bool unchanged = now.byteStart == old.byteStart && now.byteSize == old.byteSize;
    const bool replaced = fuzzseeds::isReplacedClass(old.classId);
    // A texture in a format qmx keeps would be written again as it stands, so it stays where it is.
    if (replaced && !moved && !unchanged) return "path ID " + std::to_string(old.pathId) + " was not rebuilt";
    if (!replaced && !unchanged) return "path ID " + std::to_string(old.pathId) + " was changed";
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
    return 2;
  }
  platform::initialise();
  ClassIdTable classes;
  classes.build(platform::classTableText().value_or(""));

  const std::filesystem::path corpus = argv[1];
  std::filesystem::create_directories(corpus);
  int failures = 0;
  for (const fuzzseeds::Seed& seed : fuzzseeds::seedAssets()) {
    const testsupport::Bytes bytes = testsupport::buildAsset(seed.description).bytes;
    const std::string problem = checkSeed(bytes, classes);
    if (!problem.empty()) {
      std::fprintf(stderr, "seed %s: %s\n", seed.name.c_str(), problem.c_str());
      ++failures;
    }
    testsupport::writeFile(corpus / seed.name, bytes);
  }
  std::printf("%d seeds written to %s, %d not as intended\n",
              static_cast<int>(fuzzseeds::seedAssets().size()), corpus.c_str(), failures);
  return failures == 0 ? 0 : 1;
}
