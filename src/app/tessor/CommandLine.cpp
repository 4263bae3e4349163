#include "app/tessor/CommandLine.h"

#include <filesystem>
#include <string_view>
#include <system_error>

EarlyAction EarlyAnswer(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h") return EarlyAction::Help;
    if (arg == "--version" || arg == "-v") return EarlyAction::Version;
  }
  return EarlyAction::None;
}

bool ParseWindowArguments(const std::vector<std::string>& args, WindowArguments& out, std::string& error) {
  bool options = true;
  std::string file;
  for (const std::string& arg : args) {
    if (options && arg == "--") {
      options = false;
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      error = "unknown option '" + arg + "'";
      return false;
    } else if (!file.empty()) {
      error = "one program file at a time";
      return false;
    } else if (arg.empty()) {
      error = "an empty file name";
      return false;
    } else {
      file = arg;
    }
  }
  out.program.clear();
  if (!file.empty()) {
    // The recent files and the path shown keep it whole.
    std::error_code failed;
    const std::filesystem::path absolute = std::filesystem::absolute(file, failed);
    out.program = failed ? file : absolute.lexically_normal().string();
  }
  return true;
}
