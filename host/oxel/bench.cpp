// oxel bench: runs the benchmark programs (Google Benchmark) built beside oxel
// and prints each timing as a ratio to the reference loop in the same program,
// since this machine is shared and only ratios within one run mean much.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "argument_reader.h"
#include "commands.h"
#include "text_parse.h"

namespace fs = std::filesystem;

namespace oxel {

namespace {

const char* const kBenchHelp =
    "usage: oxel bench [--dir DIR] [--filter REGEX] [--min-time SECONDS]\n"
    "\n"
    "Runs every benchmark program and prints, for each benchmark, its CPU time and\n"
    "its ratio to the reference benchmark of the same program: one whose name\n"
    "contains 'reference' or 'baseline' (case ignored) and has the same arguments\n"
    "(the part after the first '/'), e.g. Plugin/Pelrin/settled/64 against\n"
    "Reference_plain/Pelrin/settled/64; among several such references, the one\n"
    "whose name begins most like the benchmark's (BM_CopyPort: BM_CopyReferenceLoop).\n"
    "A benchmark's own counter named 'ratio' is printed too.\n"
    "\n"
    "Programs are looked for in the build tree (bench/*/*_bench beside oxel's\n"
    "bin/) and in an installation (libexec/oxel/ beside bin/), or in DIR.\n"
    "Benchmarks are not built in sanitizer builds.\n"
    "\n"
    "  --dir DIR           run the executable programs in DIR instead\n"
    "  --filter REGEX      only benchmarks whose name matches (passed to each program)\n"
    "  --min-time SECONDS  minimum time per benchmark (passed to each program)\n"
    "\n"
    "exit status: 0 done, 1 no programs found or a program failed, 2 bad command line.\n";

bool isExecutableFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec) && access(path.c_str(), X_OK) == 0;
}

std::vector<fs::path> executablesIn(const fs::path& dir, bool benchNamesOnly) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (benchNamesOnly && !(name.size() > 6 && name.ends_with("_bench"))) continue;
    if (isExecutableFile(entry.path())) found.push_back(entry.path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::vector<fs::path> defaultPrograms(std::vector<std::string>& searched) {
  std::vector<fs::path> programs;
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return programs;
  const fs::path prefix = exe.parent_path().parent_path();
  const fs::path buildBench = prefix / "bench";
  searched.push_back((buildBench / "*").string());
  for (const auto& entry : fs::directory_iterator(buildBench, ec)) {
    if (!entry.is_directory(ec)) continue;
    for (const fs::path& p : executablesIn(entry.path(), true)) programs.push_back(p);
  }
  const fs::path installed = prefix / "libexec" / "oxel";
  searched.push_back(installed.string());
  for (const fs::path& p : executablesIn(installed, false)) programs.push_back(p);
  return programs;
}

std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string{"'\\''"} : std::string{c};
  return quoted + "'";
}

double toNanoseconds(double value, const std::string& unit) {
  if (unit == "us") return value * 1e3;
  if (unit == "ms") return value * 1e6;
  if (unit == "s") return value * 1e9;
  return value;
}

std::string formatTime(double ns) {
  char text[32];
  if (ns >= 1e9) std::snprintf(text, sizeof text, "%.3f s", ns / 1e9);
  else if (ns >= 1e6) std::snprintf(text, sizeof text, "%.3f ms", ns / 1e6);
  else if (ns >= 1e3) std::snprintf(text, sizeof text, "%.3f us", ns / 1e3);
  else std::snprintf(text, sizeof text, "%.1f ns", ns);
  return text;
}

struct Result {
  std::string name, family, arguments;
  double nanoseconds = 0.0;
  bool hasRatio = false;
  double ratio = 0.0;
};

bool isReference(const std::string& family) {
  const std::string lower = lowercase(family);
  return lower.find("reference") != std::string::npos || lower.find("baseline") != std::string::npos;
}

size_t commonPrefix(const std::string& a, const std::string& b) {
  size_t n = 0;
  while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
  return n;
}

// The reference with the same arguments; among several, the one whose name
// shares the longest beginning with the benchmark's (BM_CopyPort goes with
// BM_CopyReferenceLoop); none when that is a tie.
const Result* referenceFor(const Result& r, const std::vector<Result>& results) {
  const Result* best = nullptr;
  size_t bestPrefix = 0;
  bool tie = false;
  for (const Result& o : results) {
    if (!isReference(o.family) || o.arguments != r.arguments || o.nanoseconds <= 0.0) continue;
    const size_t prefix = commonPrefix(o.family, r.family);
    if (best == nullptr || prefix > bestPrefix) {
      best = &o;
      bestPrefix = prefix;
      tie = false;
    } else if (prefix == bestPrefix) {
      tie = true;
    }
  }
  return tie ? nullptr : best;
}

// The program's output for these arguments, or nullopt when it could not run or failed.
std::optional<std::string> capture(const std::string& command) {
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string output;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  if (pclose(pipe) != 0) return std::nullopt;
  return output;
}

// Whether any benchmark of the program passes the filter (a program exits
// with an error when none does, which is no failure of the program).
bool hasMatchingBenchmarks(const fs::path& program, const std::vector<std::string>& passThrough) {
  std::string command = shellQuote(program.string()) + " --benchmark_list_tests=true";
  for (const std::string& arg : passThrough)
    if (arg.rfind("--benchmark_filter=", 0) == 0) command += " " + shellQuote(arg);
  const auto listed = capture(command + " 2>/dev/null");
  // A program that cannot even list its benchmarks is run anyway, so its failure is reported.
  return !listed || listed->find_first_not_of(" \n") != std::string::npos;
}

// One benchmark of the program's JSON output as a result; nullopt for the
// entries that are not a plain iteration run (aggregates, errors).
std::optional<Result> resultOf(const nlohmann::json& b) {
  if (!b.is_object() || !b.contains("name") || !b.contains("real_time")) return std::nullopt;
  if (b.value("run_type", std::string{"iteration"}) != "iteration") return std::nullopt;
  if (b.value("error_occurred", false)) return std::nullopt;
  Result r;
  r.name = b["name"].get<std::string>();
  const size_t slash = r.name.find('/');
  r.family = r.name.substr(0, slash);
  r.arguments = slash == std::string::npos ? "" : r.name.substr(slash + 1);
  // CPU time where given: the machine may be shared.
  const char* timeKey = b.contains("cpu_time") ? "cpu_time" : "real_time";
  r.nanoseconds = toNanoseconds(b[timeKey].get<double>(), b.value("time_unit", "ns"));
  if (b.contains("ratio") && b["ratio"].is_number()) {
    r.hasRatio = true;
    r.ratio = b["ratio"].get<double>();
  }
  return r;
}

// The line for one result: its name, its time, and how it compares with its reference.
std::string resultLine(const Result& r, const std::vector<Result>& results, size_t width) {
  const std::string time = formatTime(r.nanoseconds);
  std::string line = "  " + r.name + std::string(width - r.name.size() + 2, ' ') +
                     std::string(time.size() < 10 ? 10 - time.size() : 0, ' ') + time;
  if (isReference(r.family)) {
    line += "   (reference)";
  } else if (const Result* reference = referenceFor(r, results)) {
    char ratio[64];
    std::snprintf(ratio, sizeof ratio, "   %.2fx %s", r.nanoseconds / reference->nanoseconds,
                  reference->name.c_str());
    line += ratio;
  }
  if (r.hasRatio) {
    char ratio[48];
    std::snprintf(ratio, sizeof ratio, "   ratio %.3f", r.ratio);
    line += ratio;
  }
  return line;
}

// The program's JSON output; nullopt after printing why it could not run or failed.
std::optional<std::string> runForJson(const fs::path& program,
                                      const std::vector<std::string>& passThrough) {
  std::string command = shellQuote(program.string()) + " --benchmark_format=json";
  for (const std::string& arg : passThrough) command += " " + shellQuote(arg);
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    fail(kExitFailure, "bench: cannot run " + program.string());
    return std::nullopt;
  }
  std::string output;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  const int status = pclose(pipe);
  if (status != 0) {
    fail(kExitFailure, "bench: " + program.filename().string() + " failed (status " +
                           std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : status) + ")");
    return std::nullopt;
  }
  return output;
}

// Runs one program; false after printing why it failed.
bool runProgram(const fs::path& program, const std::vector<std::string>& passThrough) {
  if (!hasMatchingBenchmarks(program, passThrough)) {
    std::printf("bench: %s: no benchmark matches the filter\n", program.filename().c_str());
    return true;
  }
  const std::optional<std::string> output = runForJson(program, passThrough);
  if (!output) return false;
  const nlohmann::json doc = nlohmann::json::parse(*output, nullptr, false);
  if (doc.is_discarded() || !doc.contains("benchmarks") || !doc["benchmarks"].is_array()) {
    fail(kExitFailure, "bench: " + program.filename().string() + " gave no benchmark results");
    return false;
  }
  std::vector<Result> results;
  for (const auto& b : doc["benchmarks"])
    if (std::optional<Result> r = resultOf(b)) results.push_back(*r);
  std::printf("%s\n", program.filename().c_str());
  if (results.empty()) {
    std::printf("  (no benchmarks ran)\n");
    return true;
  }
  size_t width = 0;
  for (const Result& r : results) width = std::max(width, r.name.size());
  for (const Result& r : results) std::printf("%s\n", resultLine(r, results, width).c_str());
  std::fflush(stdout);
  return true;
}

}  // namespace

int runBench(const Args& args) {
  std::string dir;
  std::vector<std::string> passThrough;
  ArgumentReader reader{"bench", kBenchHelp};
  reader.text("--dir", "a folder", dir)
      .custom("--filter", "a regular expression",
              [&passThrough](const std::string& v, std::string&, int&) {
                passThrough.push_back("--benchmark_filter=" + v);
                return true;
              })
      .custom("--min-time", "a number of seconds",
              [&passThrough](const std::string& v, std::string&, int&) {
                double seconds = 0.0;
                if (!parseDouble(v, seconds) || seconds <= 0.0) return false;
                passThrough.push_back("--benchmark_min_time=" + v);
                return true;
              });
  if (const int status = reader.read(args); status != kExitOk || reader.helpShown()) return status;
  std::vector<std::string> searched;
  std::vector<fs::path> programs;
  if (!dir.empty()) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return fail(kExitUsage, "bench: no such folder: " + dir);
    searched.push_back(dir);
    programs = executablesIn(dir, false);
  } else {
    programs = defaultPrograms(searched);
  }
  if (programs.empty()) {
    std::string where;
    for (const std::string& s : searched) where += (where.empty() ? "" : ", ") + s;
    return fail(kExitFailure, "bench: no benchmark programs are built (looked in " + where +
                                  "); build them with 'cmake --build build' outside sanitizer builds");
  }
  int status = kExitOk;
  for (const fs::path& program : programs)
    if (!runProgram(program, passThrough)) status = kExitFailure;
  return status;
}

}  // namespace oxel
