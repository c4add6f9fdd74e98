#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/KitPlatform.h"
#include "platform/Platform.h"

namespace kit_platform {
namespace {

// An iconv descriptor that is closed again whatever happens.
class Converter {
 public:
  Converter() : descriptor_(iconv_open("GBK", "WCHAR_T")) {}
  ~Converter() {
    if (valid()) iconv_close(descriptor_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return descriptor_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return descriptor_; }

 private:
  iconv_t descriptor_;
};

}  // namespace

std::optional<std::string> toGbk(std::wstring_view text) {
  Converter converter;
  if (!converter.valid()) return std::nullopt;
  std::wstring input(text);
  // GBK takes at most two bytes for a character.
  std::string output(input.size() * 2 + 1, '\0');
  char* in = reinterpret_cast<char*>(input.data());
  std::size_t inLeft = input.size() * sizeof(wchar_t);
  char* out = output.data();
  std::size_t outLeft = output.size();
  if (iconv(converter.get(), &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
    return std::nullopt;
  output.resize(output.size() - outLeft);
  return output;
}

std::wstring programFolder() {
  std::vector<char> buffer(4096);
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return L".";
  const std::string path(buffer.data(), static_cast<std::size_t>(length));
  return platform::toWide(path.substr(0, path.find_last_of('/')));
}

std::error_code replaceFile(const std::wstring& from, const std::wstring& target) {
  if (std::rename(platform::fileSystemPath(from).c_str(), platform::fileSystemPath(target).c_str()) == 0)
    return {};
  return {errno, std::generic_category()};
}

}  // namespace kit_platform
