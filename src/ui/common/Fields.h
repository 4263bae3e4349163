#pragma once
// Numbers in edit fields, exchanged as every window does: reals shown with
// 15 significant digits; text that is not a number gets a prompt in the
// current language, the field gets the focus, and the value keeps what it
// held.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

class QLineEdit;
class QComboBox;

namespace ui {

// Text of a real with 15 significant digits ("%.15g", always a '.').
QString NumberText(double value);
// The real a field's text holds: blanks around it allowed; not a number,
// empty, or not finite gives nothing.
std::optional<double> ParseNumber(const QString& text);
// A whole number: blanks around it, an optional sign and digits only.
std::optional<std::int64_t> ParseInteger(const QString& text);

void ShowNumber(QLineEdit* field, double value);
void ShowInteger(QLineEdit* field, std::int64_t value);

// Reads a real from `field` into `value`. Not a number: the prompt "Please
// enter a number.", the focus on the field, `value` unchanged, false.
bool TakeNumber(QLineEdit* field, double& value);
// Reads an integer within [min, max]; the prompt names the range.
bool TakeInteger(QLineEdit* field, int& value, int min, int max);

// Sets a field's text only when it changes (the panels refresh ten times a
// second; an unchanged field is not repainted).
void ShowText(QLineEdit* field, const QString& text);

// Fills a drop-down list with `entries` (UTF-8), keeping nothing before.
void ClearList(QComboBox* list);
void AddListEntry(QComboBox* list, const std::string& entry);
template <typename Strings>
void FillList(QComboBox* list, const Strings& entries) {
  ClearList(list);
  for (const auto& entry : entries) AddListEntry(list, std::string(entry));
}

}  // namespace ui
