#pragma once
// The reader and writer of the settings files (sysparam.cfg and the .knl
// program files): "[key]=value" lines, section lines "[name]" that only
// group the file for the eye, CR LF line ends when writing, LF or CR LF when
// reading. Every user opens the one global object, reads or writes, and
// closes it before returning.
//
// Results: 0 success, 1 failure (Close returns nothing).
//
// A write never leaves a truncated file: OpenWrite creates a temporary file
// in the target's folder, the writes go there, and Close flushes, syncs and
// renames it over the target. When any step fails the old file stays as it
// was, the temporary file is removed, and the create message is shown. An
// existing file that may not be written is refused as it would be without
// the replacement. A save that was killed leaves its temporary file; the
// next save to that target removes it.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>

class CProfileFile {
 public:
  CProfileFile() = default;
  virtual ~CProfileFile();
  CProfileFile(const CProfileFile&) = delete;
  CProfileFile& operator=(const CProfileFile&) = delete;

  // Opens an existing file for reading. On failure shows "Open config file
  // ... failed!" in the system's default language.
  int OpenRead(const std::string& path);
  // Starts replacing `path`; the file itself changes on Close. On failure
  // shows "Create config file ... Failed!" in the system's default language.
  int OpenWrite(const std::string& path);
  // Ends reading, or commits the written file. Nothing when closed.
  void Close();

  bool IsOpen() const { return isOpen; }
  // Whether the last written file reached its target on Close.
  bool LastWriteCommitted() const { return lastWriteCommitted; }

  // Search from the first line. A key found with an empty value succeeds
  // and leaves the output as it was, for every kind of read.
  int ReadString(std::string_view key, std::string& out);
  int ReadInt(std::string_view key, std::int32_t& out);
  int ReadDouble(std::string_view key, double& out);
  // Search on from the line after the last one found.
  int ReadNextInt(std::string_view key, std::int32_t& out);
  int ReadNextDouble(std::string_view key, double& out);

  int WriteSection(std::string_view name);
  int WriteString(std::string_view key, std::string_view text);
  int WriteInt(std::string_view key, std::int32_t value);
  int WriteDouble(std::string_view key, double value);

 private:
  enum class Mode { None, Read, Write };

  // Finds the next line "[key]=value" from the read position; the value
  // stays valid until the next open.
  bool FindKey(std::string_view key, std::string_view& value);
  // The same from the first line; after a few such searches of one file
  // (sysparam.cfg reads every key so) it answers from an index of first
  // occurrences instead of scanning again.
  bool FindKeyFromStart(std::string_view key, std::string_view& value);
  // Ends the line in `pending`; hands `pending` to the stream once it is
  // large. 1 once a write has failed.
  int EndLine();
  int FlushPending();
  void AbandonWrite();
  void ShowCreateFailure(const std::string& path) const;

  std::FILE* stream = nullptr;  // the temporary file while writing
  bool isOpen = false;
  Mode mode = Mode::None;
  bool writeFailed = false;
  bool lastWriteCommitted = false;
  std::string content;      // the whole file while reading
  std::size_t readPos = 0;  // start of the next line to read
  std::string targetPath;   // the file a write replaces
  std::string shownPath;    // as the caller named it, for messages
  std::string tempPath;
  static constexpr std::size_t kPendingLimit = std::size_t{1} << 18;
  std::string pending;  // lines written and not yet handed to the stream
  struct Found {
    std::string_view value;
    std::size_t next;  // read position after the line
  };
  std::unordered_map<std::string_view, Found> firstLines;  // key -> first line
  bool indexed = false;
  int searchesFromStart = 0;
};

extern CProfileFile ProfileFile;
