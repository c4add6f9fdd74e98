#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

struct Parsed {
  RunOptions options;
  std::vector<std::wstring> printed;
  int numbersRead = 0;
};

Parsed parse(std::vector<std::wstring> arguments, std::optional<long> typed = std::nullopt) {
  Parsed parsed;
  parsed.options = parseArguments(
      arguments,
      [&] {
        ++parsed.numbersRead;
        return typed;
      },
      [&](std::wstring_view line) { parsed.printed.emplace_back(line); });
  return parsed;
}

TEST(ParseArguments, OptionsAreComparedInLowerCaseAndExactly) {
  EXPECT_EQ(parse({L"-I", L"a.assets"}).options.mode, RunMode::Repack);
  EXPECT_EQ(parse({L"-i", L"a.assets"}).options.assetPath, L"a.assets");
  EXPECT_EQ(parse({L"-O", L"a.assets"}).options.mode, RunMode::Unpack);
  for (const wchar_t* option : {L"-i ", L"/i", L"i", L""}) {
    const Parsed parsed = parse({option, L"a.assets"});
    EXPECT_FALSE(parsed.options.valid);
    EXPECT_EQ(parsed.printed, std::vector<std::wstring>{L"参数错误"});
  }
}

TEST(ParseArguments, OneArgumentIsAlwaysTheFileAndTheModeIsTyped) {
  const Parsed repack = parse({L"-i"}, 2);
  EXPECT_TRUE(repack.options.valid);
  EXPECT_EQ(repack.options.mode, RunMode::Repack);
  EXPECT_EQ(repack.options.assetPath, L"-i");
  EXPECT_EQ(repack.numbersRead, 1);
  EXPECT_EQ(parse({L"a"}, 1).options.mode, RunMode::Unpack);
  for (std::optional<long> typed : {std::optional<long>{3}, std::optional<long>{0}, std::optional<long>{}}) {
    const Parsed parsed = parse({L"a"}, typed);
    EXPECT_FALSE(parsed.options.valid);
    EXPECT_EQ(parsed.printed, std::vector<std::wstring>{L"输入错误"});
  }
}

TEST(ParseArguments, TwoArgumentsNeverReadInput) {
  EXPECT_EQ(parse({L"-i", L"a"}).numbersRead, 0);
}

}  // namespace
