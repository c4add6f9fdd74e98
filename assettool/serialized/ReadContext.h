#pragma once

#include <cstdint>
#include <string>

// What every record of a serialized file needs to know to read or write itself.
struct ReadContext {
  std::string engineVersion;  // filled in the metadata's copy only
  std::int32_t formatVersion = 0;
};
