#pragma once
// The event journal: what the operator did and what the program told them,
// one JSON object per line, each with the wall-clock time, its kind and the
// details of that kind:
//
//   {"time":"2025-03-04T10:11:12.345+08:00","kind":"motion","command":"jog","axis":3,"direction":-1}
//
// Events may be recorded from any thread. Only the thread that opened the
// journal writes the file: events from other threads (the status tick, a
// box's courier) wait in a queue until it drains them, so the tick never
// writes a file. A line is written with one call and is in the file when
// Record returns (on the writing thread) or when the queue is drained.
// At kRotateBytes the file moves to its ".1" name, replacing the old one.
// A journal that cannot be written costs nothing but the lost lines: the
// program goes on, and the failure hook hears of it once.

#include <chrono>
#include <concepts>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "operator/OperatorPort.h"

namespace journal {

// The kinds of event, as the `kind` field names them.
namespace kind {
inline constexpr std::string_view kSession = "session";    // the program started or quit
inline constexpr std::string_view kCards = "cards";        // card initialisation's result
inline constexpr std::string_view kBox = "box";            // a box shown to the operator and the answer
inline constexpr std::string_view kMotion = "motion";      // a motion command: Start, jog, home, stops, Clear
inline constexpr std::string_view kRunEnd = "run-end";     // a program run ended
inline constexpr std::string_view kFile = "file";          // program New, Open, Save, Save As
inline constexpr std::string_view kSettings = "settings";  // a dialog saved the parameters
}  // namespace kind

inline constexpr std::uint64_t kRotateBytes = std::uint64_t{10} * 1024 * 1024;

using Clock = std::chrono::system_clock;

// One detail of an event: a key and a text, a whole number or a truth value.
// Keys are plain ASCII names; texts may hold anything (invalid UTF-8 is
// written as U+FFFD, so every line stays valid JSON).
class Field {
 public:
  Field(std::string_view key, std::string_view text) : key_(key), text_(text), type_(Type::Text) {}
  Field(std::string_view key, const char* text) : Field(key, std::string_view(text)) {}
  Field(std::string_view key, const std::string& text) : Field(key, std::string_view(text)) {}
  template <std::integral T>
  requires(!std::same_as<T, bool>) Field(std::string_view key, T number)
      : key_(key), number_(static_cast<std::int64_t>(number)), type_(Type::Number) {}
  Field(std::string_view key, bool flag) : key_(key), number_(flag ? 1 : 0), type_(Type::Flag) {}

  // `,"key":value`
  void AppendTo(std::string& json) const;

 private:
  enum class Type { Text, Number, Flag };
  std::string_view key_;
  std::string_view text_;
  std::int64_t number_ = 0;
  Type type_;
};

// Records an event of `kind` stamped with the wall clock now. Nothing when
// no journal is open.
void Record(std::string_view kind, std::initializer_list<Field> details = {});

// A box shown from `shown` until it was answered with `answer` (a kBox
// result, 0 for none): its number when the text is a numbered operator
// message, its text, its buttons and the answer.
void RecordBox(std::string_view text, BoxButtons buttons, int answer, Clock::time_point shown);

// Opens the journal at `path` (appending; the folder must exist) for the
// calling thread, which writes it from now on. False when the file cannot
// be opened: the journal still takes events (the line hook hears them) and
// tries the file again at each one.
bool Open(const std::string& path);
// Writes what is queued and closes the file; Record does nothing after.
void Close();
bool IsOpen();
// The open journal's path; empty when none is open.
std::string Path();

// On the writing thread: writes the lines other threads queued.
void Drain();

// Called by the other threads when their event waits in an empty queue, so
// the writing thread can be asked to drain it. Null: the writer drains on
// its own.
using WakeHook = void (*)();
void SetWakeHook(WakeHook hook);

// Called on the writing thread with each line (without its line end) as
// it is written, whether or not the file took it.
using LineHook = std::function<void(std::string_view line)>;
void SetLineHook(LineHook hook);

// Called on the writing thread at the first failure to write the file, with
// the path and the reason. FailureReason keeps it: empty while none failed.
using FailureHook = std::function<void(const std::string& why)>;
void SetFailureHook(FailureHook hook);
std::string FailureReason();

// $XDG_STATE_HOME/tessor/journal.jsonl (by default in ~/.local/state);
// empty when the user has no home folder.
std::string DefaultPath();
// The name the file moves to at the size limit: "journal.1.jsonl" for
// "journal.jsonl", NAME.1 for a name without that ending.
std::string RotatedPath(const std::string& path);

// The line's `kind`, read from where the journal writes it; empty when the
// line is not one of the journal's.
std::string_view KindOf(std::string_view line);

// The fields of a journal line in their order, each value as text (strings
// unescaped, numbers and truth values as written); empty when the line is
// not a flat JSON object.
using Fields = std::vector<std::pair<std::string, std::string>>;
Fields ReadFields(std::string_view line);

// ISO 8601 local time with milliseconds and offset:
// "2025-03-04T10:11:12.345+08:00".
std::string FormatTime(Clock::time_point time);
// `text` as a JSON string, quotes included.
void AppendJsonString(std::string& json, std::string_view text);

}  // namespace journal
