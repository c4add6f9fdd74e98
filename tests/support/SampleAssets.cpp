#include "support/SampleAssets.h"

namespace testsupport {
namespace {

Hash hashOf(std::uint8_t seed) {
  Hash hash;
  for (std::size_t i = 0; i < hash.size(); ++i) hash[i] = static_cast<std::uint8_t>(seed + i);
  return hash;
}

Bytes namedData(std::string_view name, std::size_t extra) {
  Bytes data;
  appendString(data, name);
  while (data.size() % 4 != 0) data.push_back(0);
  for (std::size_t i = 0; i < extra; ++i) data.push_back(static_cast<std::uint8_t>(i * 7));
  return data;
}

}  // namespace

AssetDescription sampleAsset(std::int32_t formatVersion) {
  AssetDescription d;
  d.formatVersion = formatVersion;
  d.targetPlatform = 19;
  d.types.push_back({-1, hashOf(0x10), hashOf(0x20), treeWithLeaves(0), {}});
  d.types.push_back({1, {}, hashOf(0x30), treeWithLeaves(2), {}});
  d.types.push_back({28, {}, hashOf(0x40), treeWithLeaves(3), {}});

  d.objects.push_back({1, 1, 1, 0xFFFF, 0, Bytes(83, 0x5A)});
  d.objects.push_back({2, 28, 28, 0xFFFF, 0, namedData("Atlas", 40)});
  d.objects.push_back({3, 49, 49, 0xFFFF, 0, namedData("Localization", 9)});
  if (formatVersion >= 14) d.objects.push_back({(std::int64_t{1} << 32) + 2, -1, 114, 0, 0, Bytes(8, 0x22)});
  d.objects.push_back({-5, -1, 114, 0, 0x01020304, Bytes(21, 0x11)});
  d.externals = {1, 0, 0, 0, 'e', 'x', 't', 0, 9, 9, 9, 9};
  return d;
}

}  // namespace testsupport
