#include "settings/ProfileFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "operator/OperatorPort.h"
#include "platform/SystemLanguage.h"
#include "settings/NumberText.h"

CProfileFile ProfileFile;

namespace {

// Distinguishes the temporary files of one process.
std::atomic<unsigned> tempCounter{0};

std::string FileNamePart(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool ReadWholeFile(int fd, std::string& out) {
  out.clear();
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    out.append(buffer, static_cast<std::size_t>(n));
  }
}

// The file a write replaces: a symbolic link is followed, so the link stays.
std::string ResolveTarget(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string result(resolved);
  std::free(resolved);
  return result;
}

// The line starting at `pos` without its LF and the CR before it; `pos`
// moves to the start of the next line.
std::string_view NextLine(std::string_view all, std::size_t& pos) {
  const std::size_t newline = all.find('\n', pos);
  std::string_view line;
  if (newline == std::string_view::npos) {
    line = all.substr(pos);
    pos = all.size();
  } else {
    line = all.substr(pos, newline - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = newline + 1;
  }
  return line;
}

// A save's temporary file is ".tessor-TAG-PID-N.tmp" beside its target:
// TAG names the target (a hash of its file name, so that a name of any
// length fits), PID the writing process, N its count of saves.
constexpr std::string_view kTempPrefix = ".tessor-";
constexpr std::string_view kTempSuffix = ".tmp";

std::string TargetTag(const std::string& name) {
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016" PRIx64, hash);
  return text;
}

// A run of 1 to 18 digits at the front of `text`, taken off it.
bool TakeNumber(std::string_view& text, unsigned long long& value) {
  std::size_t n = 0;
  value = 0;
  while (n < text.size() && n < 18 && text[n] >= '0' && text[n] <= '9')
    value = value * 10 + static_cast<unsigned>(text[n++] - '0');
  text.remove_prefix(n);
  return n > 0;
}

// The writing process of one of our temporaries of the target tagged
// `tag`: ".tessor-TAG-PID-N.tmp", or the older ".tessor-PID-N.tmp" that
// did not name its target. 0 for any other name.
pid_t TemporaryWriter(std::string_view name, const std::string& tag) {
  if (name.size() <= kTempPrefix.size() + kTempSuffix.size() || !name.starts_with(kTempPrefix) ||
      !name.ends_with(kTempSuffix)) {
    return 0;
  }
  std::string_view rest = name.substr(kTempPrefix.size(), name.size() - kTempPrefix.size() - kTempSuffix.size());
  if (rest.size() > tag.size() && rest.starts_with(tag) && rest[tag.size()] == '-') rest.remove_prefix(tag.size() + 1);
  unsigned long long pid = 0;
  unsigned long long count = 0;
  if (!TakeNumber(rest, pid) || !rest.starts_with('-')) return 0;
  rest.remove_prefix(1);
  if (!TakeNumber(rest, count) || !rest.empty()) return 0;
  if (pid == 0 || pid > static_cast<unsigned long long>(INT_MAX)) return 0;
  return static_cast<pid_t>(pid);
}

// A save killed before its rename leaves its temporary file behind, as
// large as the program. Removes those of this target whose writer is gone,
// so that they cannot pile up: the writing process no longer exists here,
// and no one holds the file's lock (a writer elsewhere that shares the
// folder does). Names that are not ours, and files that are not plain
// files, are never touched.
void RemoveStaleTemporaries(const std::string& folder, const std::string& tag) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = readdir(dir)) {
    const pid_t writer = TemporaryWriter(entry->d_name, tag);
    if (writer == 0 || writer == getpid()) continue;
    if (kill(writer, 0) == 0 || errno != ESRCH) continue;  // alive, or not ours to judge
    const std::string path = folder + entry->d_name;
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) unlink(path.c_str());
    close(fd);
  }
  closedir(dir);
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

CProfileFile::~CProfileFile() {
  // At exit the front end may be gone: commit without messages.
  if (mode == Mode::Write && stream != nullptr) {
    const bool ok = FlushPending() == 0 && std::fflush(stream) == 0 && fsync(fileno(stream)) == 0;
    std::fclose(stream);
    stream = nullptr;
    if (!ok || std::rename(tempPath.c_str(), targetPath.c_str()) != 0) unlink(tempPath.c_str());
  }
}

int CProfileFile::OpenRead(const std::string& path) {
  if (isOpen) Close();
  bool ok = false;
  if (!path.empty()) {
    // Non-blocking, so that a named pipe is refused instead of waiting for
    // a writer; regular files read as usual.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      ok = ReadWholeFile(fd, content);
      close(fd);
    }
  }
  if (!ok) {
    content.clear();
    content.shrink_to_fit();
    isOpen = false;
    mode = Mode::None;
    const std::string text = platform::SystemDefaultLangId() == platform::kLangChinese
                                 ? "打开配置文件" + FileNamePart(path) + "失败！系统将采用缺省值。"
                                 : "Open config file " + path + "failed! System will take default value.";
    Operator().MessageBox(text, kAppTitle, BoxButtons::Ok, BoxIcon::None);
    return 1;
  }
  readPos = 0;
  firstLines.clear();
  indexed = false;
  searchesFromStart = 0;
  isOpen = true;
  mode = Mode::Read;
  return 0;
}

void CProfileFile::ShowCreateFailure(const std::string& path) const {
  const std::string text = platform::SystemDefaultLangId() == platform::kLangChinese
                               ? "创建配置文件" + path + "失败！"
                               : "Create config file " + path + " Failed!";
  Operator().MessageBox(text, kAppTitle, BoxButtons::Ok, BoxIcon::Exclamation);
}

int CProfileFile::OpenWrite(const std::string& path) {
  if (isOpen) Close();
  isOpen = false;
  mode = Mode::None;
  lastWriteCommitted = false;
  shownPath = path;
  targetPath = path.empty() ? path : ResolveTarget(path);

  struct stat st {};
  const bool exists = !targetPath.empty() && stat(targetPath.c_str(), &st) == 0;
  // A file the operator may not write stays as it is, although the folder
  // would let a replacement be renamed over it.
  if (targetPath.empty() || (exists && (!S_ISREG(st.st_mode) || access(targetPath.c_str(), W_OK) != 0))) {
    ShowCreateFailure(path);
    return 1;
  }
  const std::string folder = FolderPart(targetPath);
  const std::string tag = TargetTag(FileNamePart(targetPath));
  RemoveStaleTemporaries(folder, tag);
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tempPath = folder + std::string(kTempPrefix) + tag + "-" + std::to_string(getpid()) + "-" +
               std::to_string(tempCounter.fetch_add(1)) + std::string(kTempSuffix);
    fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    ShowCreateFailure(path);
    return 1;
  }
  // Held until the file is closed: tells a save from another machine that
  // shares the folder this file is still being written.
  flock(fd, LOCK_EX | LOCK_NB);
  // The replacement keeps the permissions of the file it replaces.
  if (exists) fchmod(fd, st.st_mode & 07777);
  stream = fdopen(fd, "wb");
  if (stream == nullptr) {
    close(fd);
    unlink(tempPath.c_str());
    ShowCreateFailure(path);
    return 1;
  }
  // The lines gather in `pending`, which goes to the file in large pieces.
  std::setvbuf(stream, nullptr, _IONBF, 0);
  pending.clear();
  pending.reserve(kPendingLimit + 512);
  writeFailed = false;
  lastWriteCommitted = false;
  isOpen = true;
  mode = Mode::Write;
  return 0;
}

void CProfileFile::AbandonWrite() {
  pending.clear();
  if (stream != nullptr) std::fclose(stream);
  stream = nullptr;
  unlink(tempPath.c_str());
}

void CProfileFile::Close() {
  if (!isOpen) return;
  isOpen = false;
  if (mode == Mode::Read) {
    mode = Mode::None;
    firstLines.clear();
    indexed = false;
    content.clear();
    content.shrink_to_fit();
    readPos = 0;
    return;
  }
  mode = Mode::None;
  bool ok = FlushPending() == 0 && std::fflush(stream) == 0 && fsync(fileno(stream)) == 0;
  pending.clear();
  pending.shrink_to_fit();
  ok = std::fclose(stream) == 0 && ok;
  stream = nullptr;
  if (ok && std::rename(tempPath.c_str(), targetPath.c_str()) == 0) {
    SyncFolder(FolderPart(targetPath));
    lastWriteCommitted = true;
    return;
  }
  unlink(tempPath.c_str());
  ShowCreateFailure(shownPath);
}

bool CProfileFile::FindKey(std::string_view key, std::string_view& value) {
  const std::size_t n = key.size();
  while (readPos < content.size()) {
    const std::string_view line = NextLine(content, readPos);
    // The name is what stands before the line's first "=": a key holding
    // one never matches.
    if (line.size() >= n + 3 && line[0] == '[' && line[n + 1] == ']' && line[n + 2] == '=' &&
        line.substr(1, n) == key && key.find('=') == std::string_view::npos) {
      value = line.substr(n + 3);
      return true;
    }
  }
  return false;
}

bool CProfileFile::FindKeyFromStart(std::string_view key, std::string_view& value) {
  if (!indexed && ++searchesFromStart > 4) {
    readPos = 0;
    while (readPos < content.size()) {
      const std::string_view line = NextLine(content, readPos);
      const std::size_t equals = line.find('=');
      if (equals < 2 || equals == std::string_view::npos) continue;
      if (line.front() != '[' || line[equals - 1] != ']') continue;
      firstLines.try_emplace(line.substr(1, equals - 2), Found{line.substr(equals + 1), readPos});
    }
    indexed = true;
  }
  if (!indexed) {
    readPos = 0;
    return FindKey(key, value);
  }
  const auto it = firstLines.find(key);
  if (it == firstLines.end()) {
    readPos = content.size();
    return false;
  }
  value = it->second.value;
  readPos = it->second.next;
  return true;
}

int CProfileFile::ReadString(std::string_view key, std::string& out) {
  if (!isOpen || mode != Mode::Read) return 1;
  std::string_view value;
  if (!FindKeyFromStart(key, value)) return 1;
  if (!value.empty()) out.assign(value);
  return 0;
}

int CProfileFile::ReadInt(std::string_view key, std::int32_t& out) {
  if (!isOpen || mode != Mode::Read) return 1;
  std::string_view value;
  if (!FindKeyFromStart(key, value)) return 1;
  if (!value.empty()) out = numtext::ParseInt(value);
  return 0;
}

int CProfileFile::ReadDouble(std::string_view key, double& out) {
  if (!isOpen || mode != Mode::Read) return 1;
  std::string_view value;
  if (!FindKeyFromStart(key, value)) return 1;
  if (!value.empty()) out = numtext::ParseDouble(value);
  return 0;
}

int CProfileFile::ReadNextInt(std::string_view key, std::int32_t& out) {
  if (!isOpen || mode != Mode::Read) return 1;
  std::string_view value;
  if (!FindKey(key, value)) return 1;
  if (!value.empty()) out = numtext::ParseInt(value);
  return 0;
}

int CProfileFile::ReadNextDouble(std::string_view key, double& out) {
  if (!isOpen || mode != Mode::Read) return 1;
  std::string_view value;
  if (!FindKey(key, value)) return 1;
  if (!value.empty()) out = numtext::ParseDouble(value);
  return 0;
}

int CProfileFile::FlushPending() {
  if (!pending.empty() && !writeFailed && std::fwrite(pending.data(), 1, pending.size(), stream) != pending.size()) {
    writeFailed = true;
  }
  pending.clear();
  return writeFailed ? 1 : 0;
}

int CProfileFile::EndLine() {
  pending.append("\r\n");
  if (pending.size() >= kPendingLimit) return FlushPending();
  return writeFailed ? 1 : 0;
}

int CProfileFile::WriteSection(std::string_view name) {
  if (!isOpen || mode != Mode::Write) return 1;
  pending.append("\r\n[").append(name).append("]\r\n");
  return EndLine();
}

int CProfileFile::WriteString(std::string_view key, std::string_view text) {
  if (!isOpen || mode != Mode::Write) return 1;
  pending.append("[").append(key).append("]=").append(text);
  return EndLine();
}

int CProfileFile::WriteInt(std::string_view key, std::int32_t value) {
  if (!isOpen || mode != Mode::Write) return 1;
  pending.append("[").append(key).append("]=");
  numtext::AppendInt(pending, value);
  return EndLine();
}

int CProfileFile::WriteDouble(std::string_view key, double value) {
  if (!isOpen || mode != Mode::Write) return 1;
  // A program's keys and values are short: the line is written byte by byte
  // in place at the end of `pending` (its room is reserved). Appending it in
  // small pieces calls the C library's copy routine for each, which in the
  // window program costs more than the formatting itself.
  constexpr std::size_t kShortKey = 48;
  constexpr std::size_t kLineRoom = kShortKey + 3 + numtext::kFixedRoom + 2;
  const std::size_t used = pending.size();
  if (key.size() <= kShortKey && pending.capacity() - used >= kLineRoom) {
    pending.resize(used + kLineRoom);
    char* p = pending.data() + used;
    *p++ = '[';
    for (const char c : key) *p++ = c;
    *p++ = ']';
    *p++ = '=';
    if (char* end = numtext::WriteFixed(p, value, 6)) {
      *end++ = '\r';
      *end++ = '\n';
      pending.resize(static_cast<std::size_t>(end - pending.data()));
      if (pending.size() >= kPendingLimit) return FlushPending();
      return writeFailed ? 1 : 0;
    }
    pending.resize(used);
  }
  pending.append("[").append(key).append("]=");
  numtext::AppendFixed(pending, value, 6);
  return EndLine();
}
