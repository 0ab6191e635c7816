// A program's command line read against its own table of options: each long
// option as "--name VALUE" or "--name=VALUE" when it takes a value, "-h" or
// "--help" for the usage, and every other argument (and "-" alone) in order.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// Takes an option's value, or an argument that is no option; false with a
// one-line `error` when it is not one the program takes.
using TakeArgument = std::function<bool(std::string_view text, std::string& error)>;

// One line of a program's table of options.
struct Option {
  std::string_view name;  // with its dashes: "--mount"
  bool takesValue = false;
  TakeArgument take;  // handed the value, or "" for an option without one
};

// Reads `arguments` (without the program's name) in order, each option of
// `options` through its `take` and each other argument through `positional`.
// Stops at the first -h or --help, setting `help`. False at the first
// refusal, with a one-line `error`: an option the table lacks ("unknown
// option '--x' (see PROGRAM --help)"), a value missing ("--x needs a value")
// or given to an option that takes none, or what a `take` refused.
bool ReadOptions(std::string_view program, std::span<const Option> options, std::span<const std::string> arguments,
                 const TakeArgument& positional, bool& help, std::string& error);

}  // namespace platform
