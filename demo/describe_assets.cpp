// Prints an asset file's object table, one object a line: path ID, class name, byte start, size.
// scripts/demo compares the lines before and after the installer's run.
#include <cstdio>

#include "app/ClassIdTable.h"
#include "platform/Platform.h"
#include "serialized/SerializedFile.h"

int main(int argc, char** argv) {
  platform::initialise();
  if (argc != 2) {
    std::fprintf(stderr, "usage: describe_assets FILE\n");
    return 2;
  }
  ClassIdTable classes;
  classes.build(*platform::classTableText());
  SerializedFile file;
  if (file.load(platform::toWide(argv[1])) != LoadStatus::Loaded) {
    std::fprintf(stderr, "describe_assets: cannot read %s\n", argv[1]);
    return 1;
  }
  for (const auto& [key, info] : file.objects().entries()) {
    std::printf("%lld %s %llu %u\n", static_cast<long long>(info.pathId),
                platform::toNarrow(classes.className(info.classId)).c_str(),
                static_cast<unsigned long long>(info.byteStart), info.byteSize);
  }
  return 0;
}
