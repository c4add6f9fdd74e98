#include "support/SampleAssets.h"

#include <algorithm>

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

void putBigEndian(Bytes& bytes, std::size_t offset, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i)
    bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
}

// From format 17: types named by index, MonoBehaviour with its script hash, and objects that name
// their type's index; script types and an external after the table, and user information.
AssetDescription indexedSample(std::int32_t formatVersion) {
  AssetDescription d;
  d.formatVersion = formatVersion;
  d.engineVersion = "2019.4.9f1";
  d.targetPlatform = 19;
  d.types.push_back({1, {}, hashOf(0x30), treeWithLeaves(2), {}});
  d.types.push_back({114, hashOf(0x10), hashOf(0x20), treeWithLeaves(1), {}, 0});
  d.types.push_back({28, {}, hashOf(0x40), treeWithLeaves(3), {}});
  d.types.push_back({49, {}, hashOf(0x50), treeWithLeaves(0), {}});
  d.types.push_back({114, hashOf(0x60), hashOf(0x70), treeWithLeaves(1), {}, 1});
  d.objects.push_back({1, 0, 0, 0, 0, Bytes(83, 0x5A)});
  d.objects.push_back({2, 2, 0, 0, 0, namedData("Atlas", 40)});
  d.objects.push_back({3, 3, 0, 0, 0, namedData("Localization", 9)});
  d.objects.push_back({(std::int64_t{1} << 32) + 2, 1, 0, 0, 0, Bytes(8, 0x22)});
  d.objects.push_back({-5, 4, 0, 0, 0, Bytes(21, 0x11)});
  Bytes& tail = d.metadataTail;
  appendInt32(tail, 2);  // script types: file index, then the path ID on a multiple of 4
  for (std::int64_t pathId : {11, 12}) {
    appendInt32(tail, 0);
    appendInt64(tail, pathId);
  }
  appendInt32(tail, 1);  // an external: empty text, GUID, type, path
  tail.push_back(0);
  for (int i = 0; i < 16; ++i) tail.push_back(static_cast<std::uint8_t>(0xA0 + i));
  appendInt32(tail, 3);
  for (char c : std::string("library/unity default resources")) tail.push_back(static_cast<std::uint8_t>(c));
  tail.push_back(0);
  if (formatVersion >= 20) appendInt32(tail, 0);  // reference types
  for (char c : std::string("user")) tail.push_back(static_cast<std::uint8_t>(c));
  tail.push_back(0);
  return d;
}

}  // namespace

AssetDescription sampleAsset(std::int32_t formatVersion) {
  if (formatVersion >= 17) return indexedSample(formatVersion);
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

Bytes withVersionWord(Bytes bytes, std::int32_t formatVersion) {
  putBigEndian(bytes, 8, static_cast<std::uint32_t>(formatVersion), 4);
  return bytes;
}


}  // namespace testsupport
