#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/ClassIdTable.h"
#include "app/CommandLine.h"

struct EncodeOptions {
  std::wstring assetPath;
  std::optional<std::wstring> folder;  // the asset file's own unpacked folder when not given
};

// cmkit encode: for every texture whose picture (<name>.png) stands where qmx looks for its DDS
// file, that DDS file in the texture's own format and size, with every mip level the texture has.
// The picture stays. 0 when every picture was encoded, 1 when some were not (a line says why for
// each) or the folder is missing, 2 when the asset file cannot be read.
int encodePictures(const EncodeOptions& options, const ClassIdTable& classes, const LinePrinter& print);

// A picture encoded: where it lies, the DDS file qmx looks for in its place, and the file the DDS
// data was written to.
struct EncodedPicture {
  std::wstring picture;
  std::wstring dds;
  std::wstring written;
};

// Encodes every picture of the folder as encode does, writing each DDS file to the path that
// target gives for the path qmx looks for it at. Nothing when the asset file cannot be read or a
// picture cannot be encoded (a line says why).
std::optional<std::vector<EncodedPicture>> encodeFolderPictures(
    const std::wstring& assetPath, const std::wstring& folder, const ClassIdTable& classes,
    const std::function<std::wstring(const std::wstring&)>& target, const LinePrinter& print);
