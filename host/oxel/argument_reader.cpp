#include "argument_reader.h"

#include <algorithm>
#include <cstdio>

#include "text_parse.h"

namespace oxel {

namespace {

std::string shortNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string rangeWords(const std::string& kind, double low, double high, const std::string& unit) {
  return kind + " from " + shortNumber(low) + " to " + shortNumber(high) +
         (unit.empty() ? "" : " " + unit);
}

}  // namespace

ArgumentReader::ArgumentReader(std::string command, const char* help)
    : command_{std::move(command)}, help_{help} {}

ArgumentReader::Option& ArgumentReader::add(const std::string& names, Option::Kind kind,
                                            const std::string& needs) {
  Option option{split(names, '|'), kind, needs, {}, {}};
  options_.push_back(std::move(option));
  return options_.back();
}

ArgumentReader& ArgumentReader::flag(const std::string& names, bool& target) {
  add(names, Option::Kind::Flag, "").set = [&target] { target = true; };
  return *this;
}

ArgumentReader& ArgumentReader::text(const std::string& names, const std::string& needs,
                                     std::string& target) {
  add(names, Option::Kind::Value, needs).take = [&target](const std::string& v, std::string&,
                                                          int&) {
    target = v;
    return true;
  };
  return *this;
}

ArgumentReader& ArgumentReader::texts(const std::string& names, const std::string& needs,
                                      std::vector<std::string>& target) {
  add(names, Option::Kind::Value, needs).take = [&target](const std::string& v, std::string&,
                                                          int&) {
    target.push_back(v);
    return true;
  };
  return *this;
}

ArgumentReader& ArgumentReader::choice(const std::string& names,
                                       const std::vector<std::string>& choices,
                                       std::string& target) {
  std::string needs;
  for (size_t i = 0; i < choices.size(); ++i)
    needs += (i == 0 ? "" : i + 1 == choices.size() ? " or " : ", ") + choices[i];
  add(names, Option::Kind::Value, needs).take = [&target, choices](const std::string& v,
                                                                   std::string&, int&) {
    const std::string word = lowercase(std::string{trim(v)});
    if (std::find(choices.begin(), choices.end(), word) == choices.end()) return false;
    target = word;
    return true;
  };
  return *this;
}

ArgumentReader& ArgumentReader::integer(const std::string& names, int low, int high,
                                        const std::string& unit, int& target) {
  const std::string needs = rangeWords("a whole number", low, high, unit);
  add(names, Option::Kind::Value, needs).take = [&target, low, high](const std::string& v,
                                                                     std::string&, int&) {
    int value = 0;
    if (!parseInt(v, value) || value < low || value > high) return false;
    target = value;
    return true;
  };
  return *this;
}

ArgumentReader& ArgumentReader::number(const std::string& names, double low, double high,
                                       const std::string& unit, double& target) {
  const std::string needs = rangeWords("a number", low, high, unit);
  add(names, Option::Kind::Value, needs).take = [&target, low, high](const std::string& v,
                                                                     std::string&, int&) {
    double value = 0.0;
    if (!parseDouble(v, value) || value < low || value > high) return false;
    target = value;
    return true;
  };
  return *this;
}

ArgumentReader& ArgumentReader::optionalNumber(const std::string& names, double low, double high,
                                               const std::string& unit, double absent,
                                               std::optional<double>& target) {
  Option& option =
      add(names, Option::Kind::OptionalNumber, rangeWords("a number", low, high, unit));
  option.take = [&target, low, high](const std::string& v, std::string&, int&) {
    double value = 0.0;
    if (!parseDouble(v, value) || value < low || value > high) return false;
    target = value;
    return true;
  };
  option.set = [&target, absent] { target = absent; };
  return *this;
}

ArgumentReader& ArgumentReader::custom(const std::string& names, const std::string& needs,
                                       Take take) {
  add(names, Option::Kind::Value, needs).take = std::move(take);
  return *this;
}

ArgumentReader& ArgumentReader::positionals(const std::string& described, size_t least, size_t most,
                                            std::vector<std::string>& target) {
  positionalsDescribed_ = described;
  least_ = least;
  most_ = most;
  positionals_ = &target;
  return *this;
}

ArgumentReader::Option* ArgumentReader::find(const std::string& name) {
  for (Option& option : options_)
    if (std::find(option.names.begin(), option.names.end(), name) != option.names.end())
      return &option;
  return nullptr;
}

bool ArgumentReader::given(const std::string& name) const {
  return std::find(given_.begin(), given_.end(), name) != given_.end();
}

int ArgumentReader::usageError(const std::string& problem) const {
  return fail(kExitUsage, command_ + ": " + problem);
}

int ArgumentReader::read(const Args& args) {
  const std::string tryHelp = " (try 'oxel " + command_ + " --help')";
  std::vector<std::string> positional;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      std::fputs(help_, stdout);
      helpShown_ = true;
      return kExitOk;
    }
    if (const int status = readOption(args, i, tryHelp); status != kExitOk) return status;
  }
  return takePositionals(positional, tryHelp);
}

int ArgumentReader::readOption(const Args& args, size_t& i, const std::string& tryHelp) {
  const std::string& arg = args[i];
  const size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
  const std::string name = arg.substr(0, equals);
  Option* option = find(name);
  if (option == nullptr) return usageError("unknown option " + name + tryHelp);
  given_.push_back(option->names.front());
  std::optional<std::string> value;
  if (equals != std::string::npos) value = arg.substr(equals + 1);
  switch (option->kind) {
    case Option::Kind::Flag:
      if (value) return usageError(name + " takes no value");
      option->set();
      return kExitOk;
    case Option::Kind::OptionalNumber:
      if (!value) {
        double ignored = 0.0;
        if (i + 1 < args.size() && parseDouble(args[i + 1], ignored))
          value = args[++i];
        else {
          option->set();
          return kExitOk;
        }
      }
      break;
    case Option::Kind::Value:
      if (!value) {
        if (i + 1 >= args.size()) return usageError(name + " needs " + option->needs);
        value = args[++i];
      }
      break;
  }
  std::string problem;
  int status = kExitUsage;
  if (!option->take(*value, problem, status)) {
    if (!problem.empty()) return fail(status, command_ + ": " + problem);
    return usageError(name + " needs " + option->needs + ", got '" + *value + "'");
  }
  return kExitOk;
}

int ArgumentReader::takePositionals(std::vector<std::string>& positional,
                                    const std::string& tryHelp) {
  if (positional.size() < least_) return usageError("needs " + positionalsDescribed_ + tryHelp);
  if (positional.size() > most_) {
    if (most_ == 0)
      return usageError("takes no argument like '" + positional[most_] + "'" + tryHelp);
    return usageError("takes " + positionalsDescribed_ + "; '" + positional[most_] +
                      "' is one too many" + tryHelp);
  }
  if (positionals_) *positionals_ = std::move(positional);
  return kExitOk;
}

}  // namespace oxel
