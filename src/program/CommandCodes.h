#pragma once
// The sixteen program codes with their names and shapes.

#include <cstdint>
#include <span>
#include <string_view>

enum class CommandKind { PtoP, Linear, Home, SwitchOutput };

struct CommandCodeInfo {
  std::int32_t code;
  std::string_view english;
  std::string_view chinese;
  int axes;  // axes the command moves (0 for switch output)
  CommandKind kind;
  bool fast;  // start-up, maximum speed and acceleration, not start-up only
};

// All sixteen, in the order of the full command list.
std::span<const CommandCodeInfo> ProgramCodes();

// The entry of `code`, or null when it is not one of the sixteen.
const CommandCodeInfo* FindProgramCode(std::int32_t code);

// English (0) or Chinese (1) name; empty for another language or code.
std::string_view CommandName(std::int32_t code, int language);
