#pragma once
// The window program from start to end: the operator port, the parameters,
// the Card Type dialog with its quit question, the main window and the
// event loop.

#include <QString>
#include <string>

class QApplication;
class QDialog;

// Runs the program; returns its exit code. A `program` file is opened
// after the start-up dialogs, as File -> Open opens it.
int RunWindowProgram(QApplication& app, const std::string& program = {});

// The start-up sequence before the main window: loads the parameters,
// chooses the caption, runs the Card Type dialog (and through it the cards'
// set-up). False when the operator chose to quit.
struct StartUpResult {
  bool showFrame = false;
  QString caption;
};
StartUpResult RunStartUp();

// Runs a start-up dialog modally until it ends by one of its own buttons.
// Closing it otherwise asks "Are you sure to quit the program?": OK quits,
// Cancel shows it again. False once the program is to quit.
bool RunWithQuitQuestion(QDialog& dialog);

// The set-up wizard the Card Type dialog's Next runs: Equipment Setting,
// Next to Other Setting, Up back to Equipment Setting, until Other
// Setting's Next ends it. Each runs as RunWithQuitQuestion runs it; one is
// open at a time.
void RunSetUpWizard();

// The main window's caption for the language: TitleNameEng, TitleNameChs
// (stored as GBK), or empty for another language.
QString FrameCaption();
