#include "platform/common/option_reader.h"

#include <algorithm>

namespace platform {

bool ReadOptions(std::string_view program, std::span<const Option> options, std::span<const std::string> arguments,
                 const TakeArgument& positional, bool& help, std::string& error) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    const std::size_t equals = argument.starts_with("--") ? argument.find('=') : std::string_view::npos;
    const std::string_view name = argument.substr(0, equals);
    if (name == "-h" || name == "--help") {
      help = true;
      return true;
    }
    if (!argument.starts_with("-") || argument == "-") {
      if (!positional(argument, error)) return false;
      continue;
    }
    const auto option = std::find_if(options.begin(), options.end(), [&](const Option& o) { return o.name == name; });
    if (option == options.end()) {
      error = "unknown option '" + std::string(argument) + "' (see " + std::string(program) + " --help)";
      return false;
    }
    std::string_view value;
    if (equals != std::string_view::npos) {
      if (!option->takesValue) {
        error = std::string(name) + " takes no value";
        return false;
      }
      value = argument.substr(equals + 1);
    } else if (option->takesValue) {
      if (i + 1 >= arguments.size()) {
        error = std::string(name) + " needs a value";
        return false;
      }
      value = arguments[++i];
    }
    if (!option->take(value, error)) return false;
  }
  return true;
}

}  // namespace platform
