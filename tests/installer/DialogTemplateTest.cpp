// Reads dialog 129 and the version block out of the built cmpatch.exe and checks them item by item.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace {

// A reader over the extended dialog template's words.
class TemplateReader {
 public:
  explicit TemplateReader(const BYTE* data) : start_(data), at_(data) {}

  WORD word() { return read<WORD>(); }
  DWORD dword() { return read<DWORD>(); }
  short coordinate() { return read<short>(); }
  // A string, or an ordinal (0xFFFF then the number) written as "#number".
  std::wstring textOrOrdinal() {
    if (peekWord() == 0xFFFF) {
      word();
      return L"#" + std::to_wstring(word());
    }
    std::wstring text;
    for (WORD c = word(); c != 0; c = word()) text += static_cast<wchar_t>(c);
    return text;
  }
  void alignToDword() {
    while ((at_ - start_) % 4 != 0) ++at_;
  }
  void skip(std::size_t bytes) { at_ += bytes; }

 private:
  WORD peekWord() const { return *reinterpret_cast<const WORD*>(at_); }
  template <typename T>
  T read() {
    T value;
    std::memcpy(&value, at_, sizeof value);
    at_ += sizeof value;
    return value;
  }

  const BYTE* start_;
  const BYTE* at_;
};

struct Item {
  DWORD exStyle;
  DWORD style;
  short x, y, cx, cy;
  DWORD id;
  std::wstring windowClass;
  std::wstring text;
};

TEST(DialogTemplate, MatchesTheInstallerLayout) {
  const HMODULE program = ::LoadLibraryExW(testsupport::siblingProgram("cmpatch").wstring().c_str(), nullptr,
                                           LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr);
  const HRSRC found = ::FindResourceExW(program, RT_DIALOG, MAKEINTRESOURCEW(129),
                                        MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
  ASSERT_NE(found, nullptr) << "dialog 129 in language 2052";
  TemplateReader reader(static_cast<const BYTE*>(::LockResource(::LoadResource(program, found))));

  EXPECT_EQ(reader.word(), 1);       // version
  EXPECT_EQ(reader.word(), 0xFFFF);  // extended template
  reader.dword();                    // help ID
  EXPECT_EQ(reader.dword(), 0u);     // extended style
  EXPECT_EQ(reader.dword(), 0x00C00048u);
  const WORD items = reader.word();
  EXPECT_EQ(reader.coordinate(), 0);
  EXPECT_EQ(reader.coordinate(), 0);
  EXPECT_EQ(reader.coordinate(), 200);
  EXPECT_EQ(reader.coordinate(), 219);
  EXPECT_EQ(reader.textOrOrdinal(), L"");  // no menu
  EXPECT_EQ(reader.textOrOrdinal(), L"");  // standard class
  EXPECT_EQ(reader.textOrOrdinal(), L"补丁");
  EXPECT_EQ(reader.word(), 9);  // points
  EXPECT_EQ(reader.word(), 0);  // weight
  reader.skip(2);               // italic, character set
  EXPECT_EQ(reader.textOrOrdinal(), L"MS Shell Dlg");

  std::vector<Item> controls;
  for (WORD i = 0; i < items; ++i) {
    reader.alignToDword();
    Item item{};
    reader.dword();  // help ID
    item.exStyle = reader.dword();
    item.style = reader.dword();
    item.x = reader.coordinate();
    item.y = reader.coordinate();
    item.cx = reader.coordinate();
    item.cy = reader.coordinate();
    item.id = reader.dword();
    item.windowClass = reader.textOrOrdinal();
    item.text = reader.textOrOrdinal();
    reader.skip(reader.word());
    controls.push_back(item);
  }
  ASSERT_EQ(controls.size(), 4u);
  const struct {
    DWORD id;
    std::wstring windowClass;
    std::wstring text;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
  } expected[] = {
      {1007, L"STATIC", L"", 0x5000000E, 0, 0, 0, 13, 12},
      {IDOK, L"BUTTON", L"安装", 0x50010001, 0x20, 52, 186, 38, 24},
      {IDCANCEL, L"BUTTON", L"退出", 0x50010000, 0x20, 116, 186, 38, 24},
      {1008, L"msctls_progress32", L"", 0x50000001, 0, 6, 170, 186, 10},
  };
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const Item& item = controls[i];
    EXPECT_EQ(item.id, expected[i].id) << i;
    // Class names are compared as the system does, without regard to case.
    EXPECT_EQ(::_wcsicmp(item.windowClass.c_str(), expected[i].windowClass.c_str()), 0) << i;
    EXPECT_EQ(item.text, expected[i].text) << i;
    EXPECT_EQ(item.style, expected[i].style) << i;
    EXPECT_EQ(item.exStyle, expected[i].exStyle) << i;
    EXPECT_EQ(item.x, expected[i].x) << i;
    EXPECT_EQ(item.y, expected[i].y) << i;
    EXPECT_EQ(item.cx, expected[i].cx) << i;
    EXPECT_EQ(item.cy, expected[i].cy) << i;
  }
  ::FreeLibrary(program);
}

// A string of the version block's one translation (Chinese, UTF-16), as Explorer shows it.
std::wstring versionString(const std::filesystem::path& program, const std::wstring& name) {
  DWORD ignored = 0;
  std::vector<BYTE> block(::GetFileVersionInfoSizeW(program.wstring().c_str(), &ignored));
  if (block.empty() ||
      !::GetFileVersionInfoW(program.wstring().c_str(), 0, static_cast<DWORD>(block.size()), block.data())) {
    return L"(no version block)";
  }
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = L"\\StringFileInfo\\080404b0\\" + name;
  if (!::VerQueryValueW(block.data(), path.c_str(), &value, &length) || length == 0) return L"(missing)";
  return static_cast<const wchar_t*>(value);
}

TEST(VersionBlock, NamesThePatchAndCarriesTheMakersCreditLine) {
  const std::filesystem::path program = testsupport::siblingProgram("cmpatch");
  for (const wchar_t* name : {L"FileDescription", L"InternalName", L"OriginalFilename"}) {
    EXPECT_EQ(versionString(program, name), L"《Cindermoor》A13.5_x64简体中文汉化补丁") << name;
  }
  for (const wchar_t* name : {L"CompanyName", L"LegalCopyright", L"ProductName"}) {
    EXPECT_EQ(versionString(program, name), L"灰沼汉化组 荣誉出品") << name;
  }
  EXPECT_EQ(versionString(program, L"FileVersion"), L"1, 0, 0, 0");
}

}  // namespace
