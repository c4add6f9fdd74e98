#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

// Class ID to class name, from the tab-separated table text built into qmx.
class ClassIdTable {
 public:
  static constexpr std::wstring_view kUnknown = L"Unknow";

  // Reads "ID<tab>name" lines; '#' and '//' lines are comments and the first line for an ID wins.
  void build(std::string_view text);
  // The name for the ID, "Unknow" for IDs the table does not list (and for an empty table).
  std::wstring className(std::int32_t classId) const;

 private:
  void addLine(std::string_view line);

  std::map<std::int32_t, std::wstring> entries_;
};
