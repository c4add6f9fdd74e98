#include "fonts/FontSubset.h"

#include <hb-subset.h>

#include <memory>

namespace fonts {
namespace {

struct BlobRelease {
  void operator()(hb_blob_t* blob) const { hb_blob_destroy(blob); }
};
struct FaceRelease {
  void operator()(hb_face_t* face) const { hb_face_destroy(face); }
};
struct InputRelease {
  void operator()(hb_subset_input_t* input) const { hb_subset_input_destroy(input); }
};
using Blob = std::unique_ptr<hb_blob_t, BlobRelease>;
using Face = std::unique_ptr<hb_face_t, FaceRelease>;
using Input = std::unique_ptr<hb_subset_input_t, InputRelease>;

// HarfBuzz reads the bytes where they lie; they outlive every object made of them here.
Blob blobOf(std::span<const std::uint8_t> font) {
  return Blob(hb_blob_create(reinterpret_cast<const char*>(font.data()), static_cast<unsigned>(font.size()),
                             HB_MEMORY_MODE_READONLY, nullptr, nullptr));
}

}  // namespace

unsigned faceCount(std::span<const std::uint8_t> font) {
  if (font.empty() || font.size() > UINT32_MAX) return 0;
  return hb_face_count(blobOf(font).get());
}

std::optional<std::vector<std::uint8_t>> subset(std::span<const std::uint8_t> font, unsigned index,
                                                const std::u32string& characters, SubsetFailure& failure) {
  const unsigned faces = faceCount(font);
  if (faces == 0) {
    failure = SubsetFailure::Unreadable;
    return std::nullopt;
  }
  if (index >= faces) {
    failure = SubsetFailure::NoSuchFace;
    return std::nullopt;
  }
  const Blob blob = blobOf(font);
  const Face face(hb_face_create(blob.get(), index));
  if (hb_face_get_glyph_count(face.get()) == 0) {
    failure = SubsetFailure::Unreadable;
    return std::nullopt;
  }
  const Input input(hb_subset_input_create_or_fail());
  if (!input) {
    failure = SubsetFailure::NotSubsetted;
    return std::nullopt;
  }
  hb_set_t* unicodes = hb_subset_input_unicode_set(input.get());
  for (const char32_t character : characters) hb_set_add(unicodes, character);
  // The family's names in every language: a Chinese font is known by its Chinese name too.
  hb_set_t* languages = hb_subset_input_set(input.get(), HB_SUBSET_SETS_NAME_LANG_ID);
  hb_set_clear(languages);
  hb_set_invert(languages);
  const Face cut(hb_subset_or_fail(face.get(), input.get()));
  if (!cut) {
    failure = SubsetFailure::NotSubsetted;
    return std::nullopt;
  }
  const Blob result(hb_face_reference_blob(cut.get()));
  unsigned length = 0;
  const char* data = hb_blob_get_data(result.get(), &length);
  if (data == nullptr || length == 0) {
    failure = SubsetFailure::NotSubsetted;
    return std::nullopt;
  }
  return std::vector<std::uint8_t>(data, data + length);
}

}  // namespace fonts
