// oxel bench runs each benchmark program, passes the options through, and
// prints every timing as a ratio to the reference with the same arguments; it
// says so when there is nothing to run or a program fails.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "oxel_test_support.h"

namespace oxel_test {
namespace {

// A stand-in benchmark program: prints fixed results and records its arguments.
void writeProgram(const ScratchDir& dir, const std::string& name, const std::string& body) {
  const std::string path = dir / name;
  std::ofstream{path} << "#!/bin/sh\n" << body;
  chmod(path.c_str(), 0755);
}

TEST(OxelBench, PrintsRatiosToTheReferenceWithTheSameArguments) {
  ScratchDir dir;
  writeProgram(dir, "dsp_bench",
               "echo \"$@\" > \"$(dirname \"$0\")/args.txt\"\n"
               "cat <<'EOF'\n"
               "{\"context\": {}, \"benchmarks\": [\n"
               " {\"name\": \"Reference_copy/64\", \"run_type\": \"iteration\", \"real_time\": 100, \"time_unit\": \"ns\"},\n"
               " {\"name\": \"Pelrin_process/64\", \"run_type\": \"iteration\", \"real_time\": 250, \"time_unit\": \"ns\"},\n"
               " {\"name\": \"Pelrin_process/735\", \"run_type\": \"iteration\", \"real_time\": 3, \"time_unit\": \"us\", \"ratio\": 1.5},\n"
               " {\"name\": \"Reference_copy/735\", \"run_type\": \"iteration\", \"real_time\": 1000, \"time_unit\": \"ns\"}\n"
               "]}\n"
               "EOF\n");
  const RunResult run = runOxel({"bench", "--dir", dir.path().string(), "--filter", "Pelrin"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("dsp_bench\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("2.50x Reference_copy/64"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("3.00x Reference_copy/735"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("ratio 1.500"), std::string::npos) << run.out;
  EXPECT_NE(slurp(dir / "args.txt").find("--benchmark_filter=Pelrin"), std::string::npos);
}

// Without arguments, a benchmark goes with the reference named most like it,
// and with none when two references are equally far.
TEST(OxelBench, PairsUnnamedArgumentsByTheLongestCommonBeginning) {
  ScratchDir dir;
  writeProgram(dir, "gui_bench",
               "cat <<'EOF'\n"
               "{\"benchmarks\": [\n"
               " {\"name\": \"BM_FillPort\", \"real_time\": 9, \"cpu_time\": 40, \"time_unit\": \"us\"},\n"
               " {\"name\": \"BM_FillReferenceLoop\", \"real_time\": 9, \"cpu_time\": 10, \"time_unit\": \"us\"},\n"
               " {\"name\": \"BM_CopyPort\", \"real_time\": 9, \"cpu_time\": 30, \"time_unit\": \"us\"},\n"
               " {\"name\": \"BM_CopyReferenceLoop\", \"real_time\": 9, \"cpu_time\": 20, \"time_unit\": \"us\"},\n"
               " {\"name\": \"BM_TextLine\", \"real_time\": 9, \"cpu_time\": 5, \"time_unit\": \"us\"}\n"
               "]}\n"
               "EOF\n");
  const RunResult run = runOxel({"bench", "--dir", dir.path().string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("4.00x BM_FillReferenceLoop"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("1.50x BM_CopyReferenceLoop"), std::string::npos) << run.out;
  const size_t text = run.out.find("BM_TextLine");
  ASSERT_NE(text, std::string::npos);
  const std::string line = run.out.substr(text, run.out.find('\n', text) - text);
  EXPECT_EQ(line.find("x BM_"), std::string::npos) << "BM_TextLine has no reference: " << line;
}

TEST(OxelBench, SaysWhenNothingIsBuiltOrAProgramFails) {
  ScratchDir empty;
  const RunResult none = runOxel({"bench", "--dir", empty.path().string()});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("oxel: bench: no benchmark programs are built"), std::string::npos)
      << none.err;

  ScratchDir broken;
  writeProgram(broken, "gui_bench", "echo 'not json'\n");
  writeProgram(broken, "crash_bench", "exit 3\n");
  const RunResult bad = runOxel({"bench", "--dir", broken.path().string()});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("crash_bench failed (status 3)"), std::string::npos) << bad.err;
  EXPECT_NE(bad.err.find("gui_bench gave no benchmark results"), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace oxel_test
