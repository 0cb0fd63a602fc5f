// Reads one command's arguments against the options it declares, the same
// way for every oxel command: "--name VALUE" and "--name=VALUE", flags,
// options with an optional number, repeatable options, positionals in any
// order among the options, "--" to end the options and "-" as a positional
// (standard input or output). Every kind of mistake has one wording, printed
// as one "oxel: COMMAND: ..." line; read() returns the exit status for it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"

namespace oxel {

class ArgumentReader {
 public:
  // Takes a value's text. Returns false when it cannot: with `problem` left
  // empty the reader says "--name needs <what the option needs>, got 'VALUE'"
  // (exit status kExitUsage); otherwise it prints `problem` as it is, with
  // `status` (kExitUsage unless the take sets another).
  using Take = std::function<bool(const std::string& value, std::string& problem, int& status)>;

  // `help` is printed on standard output for --help or -h.
  ArgumentReader(std::string command, const char* help);

  // `names` lists the spellings, "|"-separated: "--quiet|-q".
  ArgumentReader& flag(const std::string& names, bool& target);
  // A value described by `needs` ("a CSV file"); repeated, the last one counts.
  ArgumentReader& text(const std::string& names, const std::string& needs, std::string& target);
  // Repeatable: every value is kept, in order.
  ArgumentReader& texts(const std::string& names, const std::string& needs,
                        std::vector<std::string>& target);
  // One of a few words, compared without case.
  ArgumentReader& choice(const std::string& names, const std::vector<std::string>& choices,
                         std::string& target);
  // A whole number in [low, high]; `unit` ("frames", "Hz") goes into the wording.
  ArgumentReader& integer(const std::string& names, int low, int high, const std::string& unit,
                          int& target);
  // A number in [low, high].
  ArgumentReader& number(const std::string& names, double low, double high, const std::string& unit,
                         double& target);
  // A flag that may carry a number: "--name", "--name=N", or "--name N" when
  // the next argument is a number. Without one, target becomes `absent`.
  ArgumentReader& optionalNumber(const std::string& names, double low, double high,
                                 const std::string& unit, double absent,
                                 std::optional<double>& target);
  // Anything else: `take` is called for each value.
  ArgumentReader& custom(const std::string& names, const std::string& needs, Take take);

  // Positionals, described as shown in messages ("PLUGIN IN OUT"), between
  // `least` and `most` of them.
  ArgumentReader& positionals(const std::string& described, size_t least, size_t most,
                              std::vector<std::string>& target);

  // kExitOk when all arguments were taken (check helpShown()), or the exit
  // status after printing the problem.
  int read(const Args& args);
  bool helpShown() const { return helpShown_; }
  // Whether an option (by its first spelling) appeared on the command line.
  bool given(const std::string& name) const;

  // The one wording for a problem with the command line, printed; returns kExitUsage.
  int usageError(const std::string& problem) const;

 private:
  struct Option {
    std::vector<std::string> names;
    enum class Kind { Flag, Value, OptionalNumber } kind;
    std::string needs;
    Take take;
    std::function<void()> set;  // flags and optional values without one
  };
  Option* find(const std::string& name);
  Option& add(const std::string& names, Option::Kind kind, const std::string& needs);
  // Reads the option at args[i] and its value (moving i past a separate
  // value); kExitOk or the status after printing the problem.
  int readOption(const Args& args, size_t& i, const std::string& tryHelp);
  // Checks the count of positional arguments and hands them over.
  int takePositionals(std::vector<std::string>& positional, const std::string& tryHelp);

  std::string command_;
  const char* help_;
  std::vector<Option> options_;
  std::string positionalsDescribed_;
  size_t least_ = 0, most_ = 0;
  std::vector<std::string>* positionals_ = nullptr;
  std::vector<std::string> given_;
  bool helpShown_ = false;
};

}  // namespace oxel
