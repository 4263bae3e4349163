#include "program/ProgramFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <limits>
#include <system_error>
#include <vector>

#include "operator/Journal.h"
#include "operator/OperatorMessages.h"
#include "operator/OperatorPort.h"
#include "program/MotionProgram.h"
#include "program/RecentFiles.h"
#include "program/RunGuard.h"
#include "settings/NumberText.h"
#include "settings/ProfileFile.h"

std::string SavePath;
std::string ShownPath;

namespace {

constexpr std::string_view kSuggestedName = "*.knl";

// Builds "name[d]" and "name[dg]" keys in one reused buffer.
class KeyBuilder {
 public:
  std::string_view Entry(std::string_view name, std::size_t entry) {
    char* p = Begin(name, entry);
    *p++ = ']';
    return {key_.data(), static_cast<std::size_t>(p - key_.data())};
  }
  std::string_view Slot(std::string_view name, std::size_t entry, std::size_t slot) {
    char* p = Begin(name, entry);
    *p++ = static_cast<char>('0' + slot);
    *p++ = ']';
    return {key_.data(), static_cast<std::size_t>(p - key_.data())};
  }

 private:
  // The longest name is short; the entry number has at most 20 digits and
  // is formatted once for the 22 keys of its entry.
  char* Begin(std::string_view name, std::size_t entry) {
    if (entry != entry_ || digitCount_ == 0) {
      entry_ = entry;
      digitCount_ = static_cast<std::size_t>(std::to_chars(digits_.data(), digits_.data() + digits_.size(), entry).ptr -
                                             digits_.data());
    }
    char* p = key_.data() + name.copy(key_.data(), kLongestName);
    *p++ = '[';
    return std::copy_n(digits_.data(), digitCount_, p);
  }
  static constexpr std::size_t kLongestName = 16;
  std::array<char, kLongestName + 24> key_{};
  std::array<char, 20> digits_{};
  std::size_t digitCount_ = 0;
  std::size_t entry_ = 0;
};

void EmptyProgram() {
  MotionProgram.clear();
  NoteProgramReplaced();
  Operator().ListClear();
  Operator().RequestRepaint();
}

// The texts of this file's own boxes: English for a language other than
// English and Chinese too, since they guard the operator's work.
std::string_view Say(std::string_view english, std::string_view chinese) {
  return CurrentLanguage() == kLangChinese ? chinese : english;
}

// True only when the file is certainly gone; a folder that cannot be
// searched is left to the open's own message.
bool FileGone(const std::string& path) {
  std::error_code error;
  const bool exists = std::filesystem::exists(path, error);
  return !exists && !error;
}

// Reads one entry into EditCommand, each key searched on from the last
// match; true when the file supplied at least one of its keys.
bool ReadEntry(CProfileFile& file, KeyBuilder& keys, std::size_t d) {
  MotionCommand& c = EditCommand;
  int found = 0;
  found += file.ReadNextInt(keys.Entry("iCodeType", d), c.iCodeType) == 0;
  found += file.ReadNextDouble(keys.Entry("dbDelayTime", d), c.dbDelayTime) == 0;
  for (std::size_t g = 0; g < 4; ++g) {
    found += file.ReadNextDouble(keys.Slot("dbLowSpd", d, g), c.dbLowSpd[g]) == 0;
    found += file.ReadNextDouble(keys.Slot("dbHighSpd", d, g), c.dbHighSpd[g]) == 0;
    found += file.ReadNextDouble(keys.Slot("dbAccSpd", d, g), c.dbAccSpd[g]) == 0;
    found += file.ReadNextInt(keys.Slot("iAxes", d, g), c.iAxes[g]) == 0;
    found += file.ReadNextDouble(keys.Slot("dbDis", d, g), c.dbDis[g]) == 0;
  }
  return found > 0;
}

void JournalFile(std::string_view command, const std::string& path, bool written) {
  journal::Record(journal::kind::kFile, {{"command", command}, {"path", path}, {"ok", written}});
}

}  // namespace

bool ConfirmDiscardChanges() {
  if (!ProgramChanged()) return true;
  const int answer = Operator().MessageBox(Say("Save changes to the program?", "是否保存对程序的修改?"), kAppTitle,
                                           BoxButtons::YesNoCancel, BoxIcon::Question);
  if (answer == kBoxNo) return true;
  if (answer != kBoxYes) return false;  // Cancel, or no answer at all
  ProgramFileSave();
  return !ProgramChanged();
}

bool ProgramFileNew() {
  if (AnyMotionBusy()) {
    ShowOperatorMessage(9);
    return false;
  }
  if (!ConfirmDiscardChanges()) return false;
  SavePath.clear();
  EmptyProgram();
  ResetEditCommand();
  journal::Record(journal::kind::kFile, {{"command", "new"}});
  return true;
}

// OpenProgramFile without the journal; false when the file could not be
// read.
static bool LoadProgramFile(const std::string& path) {
  ShownPath = path;
  EmptyProgram();
  // Save writes the opened file from now on; a file that could not be read
  // is not overwritten with an empty program without asking.
  if (ProfileFile.OpenRead(path) != 0) {
    SavePath.clear();
    return false;
  }
  SavePath = path;
  RecentFiles.Add(path);
  std::int32_t count = 0;
  if (ProfileFile.ReadInt("CommandNo", count) != 0 || count <= 0) {
    ProfileFile.Close();
    return true;
  }
  KeyBuilder keys;
  std::vector<std::string> rows;
  // A damaged count cannot make entries out of nothing: the load ends at
  // the first entry the file holds none of the keys of.
  for (std::size_t d = 0; d < static_cast<std::size_t>(count); ++d) {
    if (!ReadEntry(ProfileFile, keys, d)) break;
    MotionProgram.push_back(EditCommand);
    rows.push_back(ListingText(EditCommand));
  }
  ProfileFile.Close();
  // The listing takes the rows in one piece, so a large program shows at once.
  Operator().ListAppendRows(rows);
  NoteProgramReplaced();
  return true;
}

void OpenProgramFile(const std::string& path) {
  const bool read = LoadProgramFile(path);
  journal::Record(journal::kind::kFile,
                  {{"command", "open"}, {"path", path}, {"ok", read}, {"rows", MotionProgram.size()}});
}

bool ProgramFileOpen() {
  if (AnyMotionBusy()) {
    ShowOperatorMessage(9);
    return false;
  }
  if (!ConfirmDiscardChanges()) return false;
  const auto chosen = Operator().ChooseFile(FileDialogKind::Open, kSuggestedName);
  if (!chosen) return false;
  OpenProgramFile(*chosen);
  return true;
}

bool ProgramFileOpenRecent(std::size_t index) {
  if (AnyMotionBusy()) {
    ShowOperatorMessage(9);
    return false;
  }
  if (index >= RecentFiles.Entries().size()) return false;
  const std::string path = RecentFiles.Entries()[index];
  // Asked before the unsaved-program question: a file that is gone costs
  // the operator nothing.
  if (FileGone(path)) {
    RecentFiles.Remove(path);
    std::string text(Say("The program file no longer exists:\n", "程序文件已不存在:\n"));
    text.append(path).append(Say("\nIt has been removed from the recent files.", "\n已将其从最近文件中删除。"));
    Operator().MessageBox(text, kAppTitle, BoxButtons::Ok, BoxIcon::Exclamation);
    return false;
  }
  if (!ConfirmDiscardChanges()) return false;
  OpenProgramFile(path);
  return true;
}

bool WriteProgramFile(const std::string& path) {
  CProfileFile& file = ProfileFile;
  if (file.OpenWrite(path) != 0) return false;
  file.WriteSection("Command Save");
  const std::size_t count = MotionProgram.size();
  const auto limit = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
  file.WriteInt("CommandNo", static_cast<std::int32_t>(count < limit ? count : limit));
  KeyBuilder keys;
  for (std::size_t d = 0; d < count && d < limit; ++d) {
    EditCommand = MotionProgram[d];
    const MotionCommand& c = EditCommand;
    file.WriteInt(keys.Entry("iCodeType", d), c.iCodeType);
    file.WriteDouble(keys.Entry("dbDelayTime", d), c.dbDelayTime);
    for (std::size_t g = 0; g < 4; ++g) {
      file.WriteDouble(keys.Slot("dbLowSpd", d, g), c.dbLowSpd[g]);
      file.WriteDouble(keys.Slot("dbHighSpd", d, g), c.dbHighSpd[g]);
      file.WriteDouble(keys.Slot("dbAccSpd", d, g), c.dbAccSpd[g]);
      file.WriteInt(keys.Slot("iAxes", d, g), c.iAxes[g]);
      file.WriteDouble(keys.Slot("dbDis", d, g), c.dbDis[g]);
    }
  }
  file.Close();
  return file.LastWriteCommitted();
}

void ProgramFileSave() {
  if (SavePath.empty()) {
    const auto chosen = Operator().ChooseFile(FileDialogKind::Save, kSuggestedName);
    if (chosen) SavePath = *chosen;
  }
  if (!SavePath.empty()) {
    const bool written = WriteProgramFile(SavePath);
    if (written) {
      NoteProgramSaved();
      RecentFiles.Add(SavePath);
    }
    JournalFile("save", SavePath, written);
  }
  ShownPath = SavePath;
}

void ProgramFileSaveAs() {
  const auto chosen = Operator().ChooseFile(FileDialogKind::SaveAs, kSuggestedName);
  if (chosen) {
    SavePath = *chosen;
    const bool written = WriteProgramFile(*chosen);
    if (written) {
      NoteProgramSaved();
      RecentFiles.Add(*chosen);
    }
    JournalFile("save-as", *chosen, written);
  }
  ShownPath = chosen.value_or(std::string());
}
