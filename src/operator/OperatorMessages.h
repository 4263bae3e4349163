#pragma once
// The fourteen numbered operator messages, the save question and the
// language helpers every window and engine step uses.

#include <string>
#include <string_view>

inline constexpr int kOperatorMessageCount = 14;
inline constexpr int kLangEnglish = 0;
inline constexpr int kLangChinese = 1;

// The program's language setting (LangVer) that messages follow. The settings
// record binds its field here; unbound, the language is English.
void BindLanguageSetting(const int* langVer);
int CurrentLanguage();

// Text of message `number` in `language` (0 English, 1 Chinese); empty for a
// number outside 0-13 or another language.
std::string_view OperatorMessageText(int number, int language);

// The number of the message whose text, in either language, is `text`;
// -1 for any other text.
int OperatorMessageNumber(std::string_view text);

// English or Chinese by `language`; empty for any other value.
std::string_view PickText(int language, std::string_view english, std::string_view chinese);

// Shows message `number` in the current language in an OK box without icon,
// captioned with the application title, and returns the box's result.
// Nothing is shown (result 0) for a number outside 0-13 or a language other
// than English and Chinese.
int ShowOperatorMessage(int number);

// Start's refusal of a program naming an axis the machine does not have,
// `row` counted from 1; empty for a language other than English and
// Chinese.
std::string MissingAxisText(int row, int language);

// "Are you sure to save it?" with OK and Cancel; the box's result, or 0
// without asking for a language other than English and Chinese.
int ConfirmSave();
