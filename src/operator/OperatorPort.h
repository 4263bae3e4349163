#pragma once
// What the engine needs from whoever presents it: message boxes, the program
// listing, the current-row field, repaint and quit requests, pending events
// and the file chooser. The Qt windows, the headless runner and the tests'
// recorder implement it. The engine never includes Qt.
//
// Message boxes may be asked for from the status tick's thread; an
// implementation shows them on its own user-interface thread and returns
// when the box is closed. Listing calls and the current-row text may also
// come from the tick and may be posted without waiting.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// YesNoCancel: the question before unsaved edits are lost (Cancel keeps
// everything as it was).
enum class BoxButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class BoxIcon { None, Exclamation, Information, Question };

// Box results, with the values the Windows program used.
inline constexpr int kBoxOk = 1;
inline constexpr int kBoxCancel = 2;
inline constexpr int kBoxYes = 6;
inline constexpr int kBoxNo = 7;

// The application title, the caption of every box.
inline constexpr std::string_view kAppTitle = "Tessor";

// Open: an open dialog. Save: a save dialog titled "Save" (the File menu's
// Save without a file yet). SaveAs: a save dialog with the platform's title.
// ImportGcode: an open dialog for G-code files (*.nc *.ngc *.gcode *.tap
// *.txt) titled "Import G-code".
enum class FileDialogKind { Open, Save, SaveAs, ImportGcode };

class OperatorPort {
 public:
  virtual ~OperatorPort() = default;

  // A modal box with `text` (UTF-8); returns one of the kBox results, or 0
  // when nothing could be shown.
  virtual int MessageBox(std::string_view text, std::string_view caption, BoxButtons buttons, BoxIcon icon) = 0;

  // The program listing: row i shows program entry i.
  virtual void ListAppend(std::string_view text) = 0;
  // Appends `rows` in order, as ListAppend one by one would; a front end
  // may take them in one piece (a program read from a file).
  virtual void ListAppendRows(const std::vector<std::string>& rows) {
    for (const std::string& row : rows) ListAppend(row);
  }
  virtual void ListInsert(int row, std::string_view text) = 0;
  virtual void ListDelete(int row) = 0;
  virtual void ListSelect(int row) = 0;  // -1 clears the selection
  virtual int ListSelectedRow() = 0;     // -1 when none
  virtual void ListClear() = 0;

  // The live status bar's current-row field.
  virtual void SetCurrentRowText(std::string_view text) = 0;

  virtual void RequestRepaint() = 0;
  virtual void RequestQuit(int exitCode) = 0;

  // Delivers the front end's pending events (button presses during a jog).
  virtual void ProcessPendingEvents() = 0;

  // The file chooser with filter "Kinolt(*.knl)" (G-code files for
  // ImportGcode); nullopt when cancelled. Save dialogs can create new files.
  virtual std::optional<std::string> ChooseFile(FileDialogKind kind, std::string_view suggestedName) = 0;
};

// A port that shows nothing: boxes answer 0, the listing stays empty.
class NullOperatorPort : public OperatorPort {
 public:
  int MessageBox(std::string_view, std::string_view, BoxButtons, BoxIcon) override { return 0; }
  void ListAppend(std::string_view) override {}
  void ListInsert(int, std::string_view) override {}
  void ListDelete(int) override {}
  void ListSelect(int) override {}
  int ListSelectedRow() override { return -1; }
  void ListClear() override {}
  void SetCurrentRowText(std::string_view) override {}
  void RequestRepaint() override {}
  void RequestQuit(int) override {}
  void ProcessPendingEvents() override {}
  std::optional<std::string> ChooseFile(FileDialogKind, std::string_view) override { return std::nullopt; }
};

// The front end in use; a NullOperatorPort until one is installed. The port
// must outlive its installation. Operator() passes every call on to it and
// journals each box with its answer on the way (a method added to
// OperatorPort is passed on there too, in OperatorPort.cpp).
OperatorPort& Operator();
OperatorPort& InstalledOperatorPort();
void SetOperatorPort(OperatorPort* port);  // null restores the null port
