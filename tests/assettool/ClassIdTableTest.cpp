#include "app/ClassIdTable.h"

#include <gtest/gtest.h>

#include "platform/Platform.h"

namespace {

ClassIdTable tableOf(std::string_view text) {
  ClassIdTable table;
  table.build(text);
  return table;
}

TEST(ClassIdTable, ShippedTableNamesTheHandledClasses) {
  const auto text = platform::classTableText();
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(std::count(text->begin(), text->end(), '\n'), 245);
  const ClassIdTable table = tableOf(*text);
  EXPECT_EQ(table.className(28), L"Texture2D");
  EXPECT_EQ(table.className(49), L"TextAsset");
  EXPECT_EQ(table.className(114), L"MonoBehaviour");
  EXPECT_EQ(table.className(128), L"Font");
  EXPECT_EQ(table.className(1120), L"LightmapSnapshot");
  EXPECT_EQ(table.className(10), L"Unknow");
  EXPECT_EQ(table.className(-1), L"Unknow");
}

TEST(ClassIdTable, LineRules) {
  const ClassIdTable table = tableOf(
      "//5\tX\n"
      "#28\tY\n"
      "7\tA\n"
      "7\tB\n"
      "  49\tTextAsset  \r\n"
      "5\tA\t\n"
      "6\t\tA\n"
      "\tZero\n"
      "-3\tNegative\n"
      "12abc\tDigits\n"
      "8\tLast");
  EXPECT_EQ(table.className(5), L"A");  // a trailing tab adds no field
  EXPECT_EQ(table.className(28), L"Unknow");
  EXPECT_EQ(table.className(7), L"A");
  EXPECT_EQ(table.className(49), L"TextAsset");
  EXPECT_EQ(table.className(6), L"Unknow");  // three fields
  EXPECT_EQ(table.className(0), L"Unknow");  // the leading tab is trimmed away: one field
  EXPECT_EQ(table.className(-3), L"Negative");
  EXPECT_EQ(table.className(12), L"Digits");
  EXPECT_EQ(table.className(8), L"Last");  // no final line feed
}

TEST(ClassIdTable, AnEmptyOrMissingTableKnowsNothing) {
  EXPECT_EQ(ClassIdTable().className(28), L"Unknow");
  EXPECT_EQ(tableOf("").className(-1), L"Unknow");
  EXPECT_EQ(tableOf("-1\tMine\n").className(-1), L"Mine");
}

}  // namespace
