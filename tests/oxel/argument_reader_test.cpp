// The argument reader every oxel command uses: both spellings of a value,
// flags, optional numbers, repeats, positionals among options, "--" and "-",
// and the one wording (and exit status) for each kind of mistake.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "argument_reader.h"

namespace {

struct Parsed {
  bool quiet = false;
  int block = 512;
  double gain = 0.0;
  std::string mode = "scene";
  std::string file;
  std::vector<std::string> sets;
  std::optional<double> normalize;
  std::vector<std::string> positional;
  int status = -1;
  bool help = false;
  std::string err;
};

Parsed readWith(const std::vector<std::string>& args) {
  Parsed p;
  oxel::ArgumentReader reader{"render", "usage: help text\n"};
  reader.flag("--quiet|-q", p.quiet)
      .integer("--block", 1, 65536, "frames", p.block)
      .number("--gain", -120.0, 120.0, "dB", p.gain)
      .choice("--mode", {"scene", "head"}, p.mode)
      .text("--file", "a CSV file", p.file)
      .texts("--set", "NAME=VALUE", p.sets)
      .optionalNumber("--normalize", -120.0, 0.0, "dBFS", -1.0, p.normalize)
      .custom("--odd", "an odd number",
              [](const std::string& v, std::string& problem, int& status) {
                if (v == "even") {
                  problem = "'even' is a word, not a number";
                  status = oxel::kExitBadInput;
                }
                return v == "1" || v == "3";
              })
      .positionals("PLUGIN IN OUT", 2, 3, p.positional);
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  p.status = reader.read(args);
  testing::internal::GetCapturedStdout();
  p.err = testing::internal::GetCapturedStderr();
  p.help = reader.helpShown();
  return p;
}

TEST(ArgumentReader, TakesEverySpellingOfAValue) {
  const Parsed p = readWith({"P", "--block=64", "IN", "--gain", "-6.5", "-q", "--mode=HEAD",
                             "--set", "A=1", "--set=B=2", "--file", "-", "OUT"});
  ASSERT_EQ(p.status, oxel::kExitOk) << p.err;
  EXPECT_EQ(p.err, "");
  EXPECT_EQ(p.block, 64);
  EXPECT_EQ(p.gain, -6.5);  // a value may start with '-'
  EXPECT_TRUE(p.quiet);
  EXPECT_EQ(p.mode, "head");
  EXPECT_EQ(p.sets, (std::vector<std::string>{"A=1", "B=2"}));  // only the first '=' splits
  EXPECT_EQ(p.file, "-");
  EXPECT_EQ(p.positional, (std::vector<std::string>{"P", "IN", "OUT"}));
  EXPECT_FALSE(p.normalize);
}

TEST(ArgumentReader, OptionalNumbersAndTheEndOfOptions) {
  const struct {
    std::vector<std::string> args;
    std::optional<double> normalize;
    std::vector<std::string> positional;
  } cases[] = {
      {{"P", "IN", "--normalize"}, -1.0, {"P", "IN"}},
      {{"P", "--normalize", "IN"}, -1.0, {"P", "IN"}},
      {{"P", "IN", "--normalize", "-3"}, -3.0, {"P", "IN"}},
      {{"P", "IN", "--normalize=-0.5"}, -0.5, {"P", "IN"}},
      {{"P", "--", "--normalize", "-"}, std::nullopt, {"P", "--normalize", "-"}},
  };
  for (const auto& c : cases) {
    const Parsed p = readWith(c.args);
    ASSERT_EQ(p.status, oxel::kExitOk) << p.err;
    EXPECT_EQ(p.normalize, c.normalize) << c.args.back();
    EXPECT_EQ(p.positional, c.positional) << c.args.back();
  }
}

TEST(ArgumentReader, EachMistakeHasOneWording) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* message;
  } cases[] = {
      {{"P", "IN", "--loud"},
       2,
       "oxel: render: unknown option --loud (try 'oxel render --help')\n"},
      {{"P", "IN", "--loud=3"},
       2,
       "oxel: render: unknown option --loud (try 'oxel render --help')\n"},
      {{"P", "IN", "--block"},
       2,
       "oxel: render: --block needs a whole number from 1 to 65536 frames\n"},
      {{"P", "IN", "--block", "0"},
       2,
       "oxel: render: --block needs a whole number from 1 to 65536 frames, got '0'\n"},
      {{"P", "IN", "--block=1.5"},
       2,
       "oxel: render: --block needs a whole number from 1 to 65536 frames, got '1.5'\n"},
      {{"P", "IN", "--gain", "loud"},
       2,
       "oxel: render: --gain needs a number from -120 to 120 dB, got 'loud'\n"},
      {{"P", "IN", "--mode", "room"}, 2, "oxel: render: --mode needs scene or head, got 'room'\n"},
      {{"P", "IN", "--normalize=1"},
       2,
       "oxel: render: --normalize needs a number from -120 to 0 dBFS, got '1'\n"},
      {{"P", "IN", "--quiet=yes"}, 2, "oxel: render: --quiet takes no value\n"},
      {{"P", "IN", "--odd", "2"}, 2, "oxel: render: --odd needs an odd number, got '2'\n"},
      {{"P", "IN", "--odd", "even"}, 3, "oxel: render: 'even' is a word, not a number\n"},
      {{"P"}, 2, "oxel: render: needs PLUGIN IN OUT (try 'oxel render --help')\n"},
      {{"P", "IN", "OUT", "MORE"},
       2,
       "oxel: render: takes PLUGIN IN OUT; 'MORE' is one too many (try 'oxel render --help')\n"},
  };
  for (const auto& c : cases) {
    const Parsed p = readWith(c.args);
    EXPECT_EQ(p.status, c.status) << c.message;
    EXPECT_EQ(p.err, c.message);
  }
}

TEST(ArgumentReader, HelpStopsTheReading) {
  for (const char* help : {"--help", "-h"}) {
    const Parsed p = readWith({"--block", "0", help});
    EXPECT_EQ(p.status, 2) << "a mistake before --help is still reported";
    const Parsed q = readWith({help, "--loud"});
    EXPECT_EQ(q.status, oxel::kExitOk);
    EXPECT_TRUE(q.help);
    EXPECT_EQ(q.err, "");
  }
}

}  // namespace
