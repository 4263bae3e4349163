#pragma once
// The lines of a file's bytes split at CR LF, as the settings and program
// files are written; a last line without a line end is kept.

#include <cstddef>
#include <string>
#include <vector>

inline std::vector<std::string> CrlfLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const auto end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(bytes.substr(start));
      break;
    }
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}
