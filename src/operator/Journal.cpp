#include "operator/Journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "operator/OperatorMessages.h"
#include "platform/UserFolders.h"

namespace journal {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view kKindKey = "\"kind\":\"";

// An event waiting for the writing thread: its time and everything after
// the time field.
struct Pending {
  Clock::time_point time;
  std::string body;
};

// The journal. The queue, the writer's identity and the failure are shared
// with every thread under `mutex`; the file and the hooks belong to the
// writing thread.
struct JournalRecord {
  std::mutex mutex;
  std::atomic<bool> open{false};
  std::thread::id writer;
  std::vector<Pending> queue;
  WakeHook wake = nullptr;
  std::string path;
  std::string failure;

  int fd = -1;
  LineHook lineHook;
  FailureHook failureHook;
};

JournalRecord Journal;

// Length of the well-formed UTF-8 sequence at `at`, 0 when it is not one
// (overlong forms, surrogates and values past U+10FFFF are not).
std::size_t Utf8Length(std::string_view s, std::size_t at) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[at + k]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > s.size()) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (byte(k) < 0x80 || byte(k) > 0xBF) return 0;
  }
  return length;
}

std::string_view ButtonsName(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::Ok:
      return "ok";
    case BoxButtons::OkCancel:
      return "ok-cancel";
    case BoxButtons::YesNo:
      return "yes-no";
    case BoxButtons::YesNoCancel:
      return "yes-no-cancel";
  }
  return "";
}

std::string_view AnswerName(int answer) {
  switch (answer) {
    case kBoxOk:
      return "ok";
    case kBoxCancel:
      return "cancel";
    case kBoxYes:
      return "yes";
    case kBoxNo:
      return "no";
    default:
      return "none";  // nothing shown, or closed unanswered when quitting
  }
}

// --- the writing thread's side ----------------------------------------------

void CloseFile() {
  if (Journal.fd >= 0) close(Journal.fd);
  Journal.fd = -1;
}

std::string PathCopy() {
  std::lock_guard lock(Journal.mutex);
  return Journal.path;
}

// The first failure is kept and told; later ones only cost their line.
void Fail(const std::string& path, const char* what, int error) {
  CloseFile();  // the next line tries the file afresh
  std::string why = path + ": " + what;
  if (error != 0) why.append(": ").append(std::generic_category().message(error));
  {
    std::lock_guard lock(Journal.mutex);
    if (!Journal.failure.empty()) return;
    Journal.failure = why;
  }
  if (Journal.failureHook) Journal.failureHook(why);
}

bool OpenFile(const std::string& path) {
  // Non-blocking: a FIFO without a reader fails instead of holding the
  // program; on a regular file the flag changes nothing.
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
  if (fd < 0) {
    Fail(path, "cannot open", errno);
    return false;
  }
  Journal.fd = fd;
  return true;
}

// The file at the path is no longer the one open: it was moved (by
// another instance's rotation) or deleted. Lines go to the path.
bool MovedAway(const std::string& path) {
  struct stat atPath {};
  struct stat held {};
  if (fstat(Journal.fd, &held) != 0) return true;
  if (stat(path.c_str(), &atPath) != 0) return true;
  return atPath.st_dev != held.st_dev || atPath.st_ino != held.st_ino;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void WriteToFile(const std::string& path, std::string_view line) {
  if (path.empty()) {
    Fail("journal", "no folder for it (the user has no home folder)", 0);
    return;
  }
  if (Journal.fd >= 0 && MovedAway(path)) CloseFile();
  if (Journal.fd < 0 && !OpenFile(path)) return;
  struct stat st {};
  if (fstat(Journal.fd, &st) != 0) {
    Fail(path, "cannot be read back", errno);
    return;
  }
  const bool regular = S_ISREG(st.st_mode);
  if (regular && st.st_size > 0 && static_cast<std::uint64_t>(st.st_size) + line.size() > kRotateBytes) {
    if (std::rename(path.c_str(), RotatedPath(path).c_str()) != 0) {
      // The lines go on into the full file rather than nowhere.
      Fail(path, "cannot be moved to its .1 name", errno);
      if (!OpenFile(path)) return;
    } else {
      CloseFile();
      if (!OpenFile(path)) return;
    }
    if (fstat(Journal.fd, &st) != 0) st.st_size = 0;
  }
  if (WriteAll(Journal.fd, line)) return;
  const int error = errno;
  // No half line stays behind to break the lines after it.
  if (regular && ftruncate(Journal.fd, st.st_size) != 0) {
    // Nothing more to do: the failure is reported below.
  }
  Fail(path, "cannot be written", error);
}

void Write(std::vector<Pending>& batch) {
  if (batch.empty()) return;
  const std::string path = PathCopy();
  std::string line;
  for (Pending& p : batch) {
    line.assign("{\"time\":\"").append(FormatTime(p.time)).append("\",").append(p.body).append("}\n");
    if (Journal.lineHook) Journal.lineHook(std::string_view(line).substr(0, line.size() - 1));
    WriteToFile(path, line);
  }
  batch.clear();
}

// Hands `body` to the writing thread, or writes it when this is that
// thread (after what others queued before it).
void Submit(std::string body) {
  std::vector<Pending> batch;
  {
    std::lock_guard lock(Journal.mutex);
    if (!Journal.open.load()) return;
    const Clock::time_point now = Clock::now();
    if (std::this_thread::get_id() != Journal.writer) {
      const bool first = Journal.queue.empty();
      Journal.queue.push_back({now, std::move(body)});
      // Under the lock, so that no wake-up outlives Close.
      if (first && Journal.wake != nullptr) Journal.wake();
      return;
    }
    batch.swap(Journal.queue);
    batch.push_back({now, std::move(body)});
  }
  Write(batch);
}

bool OnWriter() {
  std::lock_guard lock(Journal.mutex);
  return Journal.open.load() && std::this_thread::get_id() == Journal.writer;
}

}  // namespace

void Field::AppendTo(std::string& json) const {
  json.push_back(',');
  AppendJsonString(json, key_);
  json.push_back(':');
  switch (type_) {
    case Type::Text:
      AppendJsonString(json, text_);
      break;
    case Type::Number:
      json.append(std::to_string(number_));
      break;
    case Type::Flag:
      json.append(number_ != 0 ? "true" : "false");
      break;
  }
}

void Record(std::string_view kind, std::initializer_list<Field> details) {
  if (!Journal.open.load(std::memory_order_relaxed)) return;
  std::string body;
  body.reserve(96);
  body.append("\"kind\":");
  AppendJsonString(body, kind);
  for (const Field& field : details) field.AppendTo(body);
  Submit(std::move(body));
}

void RecordBox(std::string_view text, BoxButtons buttons, int answer, Clock::time_point shown) {
  if (!Journal.open.load(std::memory_order_relaxed)) return;
  const int number = OperatorMessageNumber(text);
  const std::string shownAt = FormatTime(shown);
  if (number >= 0) {
    Record(kind::kBox, {{"number", number},
                        {"text", text},
                        {"buttons", ButtonsName(buttons)},
                        {"answer", AnswerName(answer)},
                        {"shown", shownAt}});
  } else {
    Record(kind::kBox,
           {{"text", text}, {"buttons", ButtonsName(buttons)}, {"answer", AnswerName(answer)}, {"shown", shownAt}});
  }
}

bool Open(const std::string& path) {
  Close();
  CloseFile();  // left by a writing thread that did not close it
  {
    std::lock_guard lock(Journal.mutex);
    Journal.path = path;
    Journal.writer = std::this_thread::get_id();
    Journal.failure.clear();
    Journal.open = true;
  }
  if (path.empty()) {
    Fail("journal", "no folder for it (the user has no home folder)", 0);
    return false;
  }
  return OpenFile(path);
}

void Close() {
  std::vector<Pending> batch;
  {
    std::lock_guard lock(Journal.mutex);
    if (!Journal.open.load()) return;
    Journal.open = false;
    batch.swap(Journal.queue);
    // Only the writing thread may touch the file.
    if (std::this_thread::get_id() != Journal.writer) return;
  }
  Write(batch);
  CloseFile();
  std::lock_guard lock(Journal.mutex);
  Journal.path.clear();
}

bool IsOpen() { return Journal.open.load(); }

std::string Path() {
  std::lock_guard lock(Journal.mutex);
  return Journal.open.load() ? Journal.path : std::string();
}

void Drain() {
  if (!OnWriter()) return;
  std::vector<Pending> batch;
  {
    std::lock_guard lock(Journal.mutex);
    batch.swap(Journal.queue);
  }
  Write(batch);
}

void SetWakeHook(WakeHook hook) {
  std::lock_guard lock(Journal.mutex);
  Journal.wake = hook;
}

void SetLineHook(LineHook hook) { Journal.lineHook = std::move(hook); }

void SetFailureHook(FailureHook hook) { Journal.failureHook = std::move(hook); }

std::string FailureReason() {
  std::lock_guard lock(Journal.mutex);
  return Journal.failure;
}

std::string DefaultPath() {
  const std::string state = platform::UserStateFolder();
  return state.empty() ? std::string() : state + "tessor/journal.jsonl";
}

std::string RotatedPath(const std::string& path) {
  constexpr std::string_view kEnding = ".jsonl";
  const std::size_t slash = path.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  if (path.size() - nameStart > kEnding.size() && path.ends_with(kEnding)) {
    return path.substr(0, path.size() - kEnding.size()) + ".1" + std::string(kEnding);
  }
  return path + ".1";
}

std::string_view KindOf(std::string_view line) {
  if (!line.starts_with("{\"time\":\"")) return {};
  const std::size_t at = line.find(kKindKey);
  if (at == std::string_view::npos) return {};
  const std::size_t start = at + kKindKey.size();
  const std::size_t end = line.find('"', start);
  if (end == std::string_view::npos) return {};
  return line.substr(start, end - start);
}

namespace {

// Reads flat JSON objects: the lines the journal writes, and what a person
// may have typed into the file (blanks, other field orders).
class FieldReader {
 public:
  explicit FieldReader(std::string_view text) : text_(text) {}

  bool Object(Fields& fields) {
    if (!Take('{')) return false;
    if (Take('}')) return AtEnd();
    do {
      std::string key;
      std::string value;
      if (!String(key) || !Take(':') || !Value(value)) return false;
      fields.emplace_back(std::move(key), std::move(value));
    } while (Take(','));
    return Take('}') && AtEnd();
  }

 private:
  void Blanks() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r')) ++at_;
  }
  bool Take(char c) {
    Blanks();
    if (at_ >= text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool AtEnd() {
    Blanks();
    return at_ == text_.size();
  }
  bool Value(std::string& value) {
    Blanks();
    if (at_ < text_.size() && text_[at_] == '"') return String(value);
    const std::size_t start = at_;
    while (at_ < text_.size() &&
           std::string_view("+-.0123456789eEtrufalsn").find(text_[at_]) != std::string_view::npos) {
      ++at_;
    }
    value.assign(text_.substr(start, at_ - start));
    return !value.empty();
  }
  bool Hex4(unsigned& code) {
    if (at_ + 4 > text_.size()) return false;
    code = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = text_[at_++];
      code <<= 4;
      if (c >= '0' && c <= '9') {
        code |= static_cast<unsigned>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        code |= static_cast<unsigned>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        code |= static_cast<unsigned>(c - 'A' + 10);
      } else {
        return false;
      }
    }
    return true;
  }
  static void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code >> 6)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (code >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (code >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  bool Escape(std::string& out) {
    if (at_ >= text_.size()) return false;
    const char c = text_[at_++];
    switch (c) {
      case '"':
      case '\\':
      case '/':
        out.push_back(c);
        return true;
      case 'n':
        out.push_back('\n');
        return true;
      case 'r':
        out.push_back('\r');
        return true;
      case 't':
        out.push_back('\t');
        return true;
      case 'b':
        out.push_back('\b');
        return true;
      case 'f':
        out.push_back('\f');
        return true;
      case 'u': {
        unsigned code = 0;
        if (!Hex4(code)) return false;
        if (code >= 0xD800 && code < 0xDC00 && text_.substr(at_, 2) == "\\u") {
          const std::size_t back = at_;
          at_ += 2;
          unsigned low = 0;
          if (Hex4(low) && low >= 0xDC00 && low < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else {
            at_ = back;
          }
        }
        if (code >= 0xD800 && code < 0xE000) code = 0xFFFD;  // a lone half of a pair
        AppendUtf8(out, code);
        return true;
      }
      default:
        return false;
    }
  }
  bool String(std::string& out) {
    if (!Take('"')) return false;
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') return true;
      if (c == '\\') {
        if (!Escape(out)) return false;
      } else {
        out.push_back(c);
      }
    }
    return false;
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

Fields ReadFields(std::string_view line) {
  Fields fields;
  FieldReader reader(line);
  if (!reader.Object(fields)) fields.clear();
  return fields;
}

std::string FormatTime(Clock::time_point time) {
  const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
  auto seconds = static_cast<std::time_t>(sinceEpoch / 1000);
  auto millis = static_cast<int>(sinceEpoch % 1000);
  if (millis < 0) {
    millis += 1000;
    seconds -= 1;
  }
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return "0000-00-00T00:00:00.000+00:00";
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
  const long offset = local.tm_gmtoff;
  const long minutes = (offset < 0 ? -offset : offset) / 60;
  char text[64];
  std::snprintf(text, sizeof text, "%s.%03d%c%02ld:%02ld", date, millis, offset < 0 ? '-' : '+', minutes / 60,
                minutes % 60);
  return text;
}

void AppendJsonString(std::string& json, std::string_view text) {
  json.push_back('"');
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const std::size_t length = Utf8Length(text, i);
      if (length == 0) {
        json.append(kReplacement);
        ++i;
      } else {
        json.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
    switch (c) {
      case '"':
        json.append("\\\"");
        break;
      case '\\':
        json.append("\\\\");
        break;
      case '\n':
        json.append("\\n");
        break;
      case '\r':
        json.append("\\r");
        break;
      case '\t':
        json.append("\\t");
        break;
      case '\b':
        json.append("\\b");
        break;
      case '\f':
        json.append("\\f");
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          json.append(escape);
        } else {
          json.push_back(static_cast<char>(c));
        }
    }
    ++i;
  }
  json.push_back('"');
}

}  // namespace journal
