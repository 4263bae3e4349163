#pragma once
// Helpers of the installed-tree and package tests: a scratch folder,
// commands run through the shell with their output and status, and small
// readers of the installed files.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace install_test {

namespace fs = std::filesystem;

inline std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

// Single-quoted for the shell.
inline std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

struct Result {
  int status = -1;  // exit status, or -1 when the command did not exit
  std::string out;
  std::string err;
};

// Runs `command` through /bin/sh; stdout and stderr are kept apart.
inline Result Shell(const std::string& command) {
  char errName[] = "/tmp/tessor-install-err-XXXXXX";
  const int errFd = mkstemp(errName);
  Result result;
  if (errFd < 0) return result;
  close(errFd);
  const std::string full = "{ " + command + " ; } 2>" + Quote(errName) + " </dev/null";
  if (FILE* pipe = popen(full.c_str(), "r")) {
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  result.err = ReadText(errName);
  unlink(errName);
  return result;
}

inline std::string Describe(const Result& r) {
  return "status " + std::to_string(r.status) + "\n--- stdout\n" + r.out + "\n--- stderr\n" + r.err;
}

inline bool HasProgram(const std::string& name) {
  return Shell("command -v " + Quote(name) + " >/dev/null").status == 0;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

inline bool HasLine(const std::string& text, const std::string& line) {
  for (const std::string& l : Lines(text)) {
    if (l == line) return true;
  }
  return false;
}

// The value of `key` in the [Desktop Entry] group of a desktop entry.
inline std::string DesktopValue(const std::string& entry, const std::string& key) {
  for (const std::string& line : Lines(entry)) {
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  }
  return {};
}

// The width and height of a PNG file from its header; 0 x 0 when it is none.
struct ImageSize {
  unsigned width = 0;
  unsigned height = 0;
};
inline ImageSize PngSize(const fs::path& path) {
  const std::string bytes = ReadText(path);
  ImageSize size;
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || bytes.compare(12, 4, "IHDR") != 0) {
    return size;
  }
  auto be32 = [&](std::size_t at) {
    unsigned v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
  };
  size.width = be32(16);
  size.height = be32(20);
  return size;
}

// A scratch folder that others may enter (the tests run programs as another
// user too), removed with everything in it.
class Scratch {
 public:
  explicit Scratch(const std::string& name) {
    std::string pattern = (fs::temp_directory_path() / (name + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    if (!path_.empty()) chmod(path_.c_str(), 0755);
  }
  ~Scratch() {
    if (path_.empty()) return;
    // Folders made read-only by a test are opened up again first.
    Shell("chmod -R u+rwX " + Quote(path_.string()) + " ; rm -rf " + Quote(path_.string()));
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// The settings of the demo machine, changed in one key.
inline std::string WithKey(std::string text, const std::string& key, const std::string& value) {
  const std::string head = "[" + key + "]=";
  const std::size_t at = text.find(head);
  if (at == std::string::npos) return text + head + value + "\r\n";
  const std::size_t start = at + head.size();
  const std::size_t end = text.find_first_of("\r\n", start);
  text.replace(start, end - start, value);
  return text;
}

}  // namespace install_test
