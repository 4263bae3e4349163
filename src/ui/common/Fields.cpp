#include "ui/common/Fields.h"

#include <QComboBox>
#include <QLineEdit>
#include <charconv>
#include <cmath>
#include <string>

#include "operator/OperatorMessages.h"
#include "operator/OperatorPort.h"

namespace ui {
namespace {

// The framework's prompts; shown in English for a language other than the
// two, as they were never left out.
void Prompt(QLineEdit* field, const std::string& english, const std::string& chinese) {
  const std::string& text = CurrentLanguage() == kLangChinese ? chinese : english;
  Operator().MessageBox(text, kAppTitle, BoxButtons::Ok, BoxIcon::Exclamation);
  field->setFocus();
  field->selectAll();
}

// The text of a number without the blanks around it and without a plus
// sign (from_chars takes none); nothing when empty or signed twice.
std::optional<std::string> NumberBody(const QString& text) {
  std::string body = text.trimmed().toStdString();
  if (!body.empty() && body[0] == '+') body.erase(0, 1);
  if (body.empty() || (text.trimmed().startsWith(u'+') && body[0] == '-')) return std::nullopt;
  return body;
}

}  // namespace

QString NumberText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  return QString::fromLatin1(buffer, result.ptr - buffer);
}

std::optional<double> ParseNumber(const QString& text) {
  const std::optional<std::string> body = NumberBody(text);
  if (!body) return std::nullopt;
  double value = 0.0;
  const char* last = body->data() + body->size();
  const auto result = std::from_chars(body->data(), last, value);
  if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::int64_t> ParseInteger(const QString& text) {
  const std::optional<std::string> body = NumberBody(text);
  if (!body) return std::nullopt;
  std::int64_t value = 0;
  const char* last = body->data() + body->size();
  const auto result = std::from_chars(body->data(), last, value);
  if (result.ec != std::errc() || result.ptr != last) return std::nullopt;
  return value;
}

void ShowNumber(QLineEdit* field, double value) { field->setText(NumberText(value)); }

void ShowInteger(QLineEdit* field, std::int64_t value) { field->setText(QString::number(value)); }

bool TakeNumber(QLineEdit* field, double& value) {
  const std::optional<double> number = ParseNumber(field->text());
  if (!number) {
    Prompt(field, "Please enter a number.", "请键入一个数。");
    return false;
  }
  value = *number;
  return true;
}

bool TakeInteger(QLineEdit* field, int& value, int min, int max) {
  const std::optional<std::int64_t> number = ParseInteger(field->text());
  if (!number) {
    Prompt(field, "Please enter an integer.", "请键入一个整数。");
    return false;
  }
  if (*number < min || *number > max) {
    const std::string low = std::to_string(min);
    const std::string high = std::to_string(max);
    Prompt(field, "Please enter an integer between " + low + " and " + high + ".",
           "请键入一个介于 " + low + " 和 " + high + " 之间的整数。");
    return false;
  }
  value = static_cast<int>(*number);
  return true;
}

void ShowText(QLineEdit* field, const QString& text) {
  if (field->text() != text) field->setText(text);
}

void ClearList(QComboBox* list) { list->clear(); }

void AddListEntry(QComboBox* list, const std::string& entry) { list->addItem(QString::fromStdString(entry)); }

}  // namespace ui
