#include "images/PngFile.h"

#include <png.h>

namespace png_file {
namespace {

// The simplified interface of libpng keeps its state in the image structure; it is freed here
// whatever happens.
struct PngImage {
  png_image image{};
  PngImage() { image.version = PNG_IMAGE_VERSION; }
  ~PngImage() { png_image_free(&image); }
  PngImage(const PngImage&) = delete;
  PngImage& operator=(const PngImage&) = delete;
};

}  // namespace

std::optional<Image> read(const std::vector<std::uint8_t>& file, ReadFailure& failure) {
  PngImage png;
  if (!png_image_begin_read_from_memory(&png.image, file.data(), file.size())) {
    failure.reason = png.image.message;
    return std::nullopt;
  }
  const auto width = static_cast<std::int64_t>(png.image.width);
  const auto height = static_cast<std::int64_t>(png.image.height);
  if (width < 1 || height < 1 || width > texture_decode::kLargestSide ||
      height > texture_decode::kLargestSide) {
    failure.reason = "size " + std::to_string(width) + "x" + std::to_string(height);
    return std::nullopt;
  }
  png.image.format = PNG_FORMAT_RGBA;
  Image image;
  image.width = static_cast<std::int32_t>(width);
  image.height = static_cast<std::int32_t>(height);
  image.rgba.resize(PNG_IMAGE_SIZE(png.image));
  if (!png_image_finish_read(&png.image, nullptr, image.rgba.data(), 0, nullptr)) {
    failure.reason = png.image.message;
    return std::nullopt;
  }
  return image;
}

std::optional<std::vector<std::uint8_t>> write(const Image& image, bool withAlpha) {
  std::vector<std::uint8_t> pixels;
  const std::vector<std::uint8_t>* source = &image.rgba;
  if (!withAlpha) {
    pixels.reserve(image.rgba.size() / 4 * 3);
    for (std::size_t i = 0; i < image.rgba.size(); i += 4)
      pixels.insert(pixels.end(), image.rgba.begin() + static_cast<std::ptrdiff_t>(i),
                    image.rgba.begin() + static_cast<std::ptrdiff_t>(i + 3));
    source = &pixels;
  }
  PngImage png;
  png.image.width = static_cast<png_uint_32>(image.width);
  png.image.height = static_cast<png_uint_32>(image.height);
  png.image.format = withAlpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  png_alloc_size_t length = 0;
  if (!png_image_write_get_memory_size(png.image, length, 0, source->data(), 0, nullptr)) return std::nullopt;
  std::vector<std::uint8_t> file(length);
  if (!png_image_write_to_memory(&png.image, file.data(), &length, 0, source->data(), 0, nullptr)) {
    return std::nullopt;
  }
  file.resize(length);
  return file;
}

}  // namespace png_file
