#pragma once
// Each window's texts are one table of (control, English, Chinese), applied
// by one helper for LangVer 0 or 1; any other language leaves the layout's
// own texts. Tables keep the texts exactly, leading blanks included.

#include <QString>
#include <span>
#include <string_view>

class QObject;
class QWidget;

namespace ui {

// A control identifier (1121), or the name of an object without one: the
// window itself (kCaption), a menu, a tab page.
struct TextKey {
  int id = 0;
  const char* name = nullptr;
  constexpr TextKey(int control) : id(control) {}          // NOLINT(google-explicit-constructor)
  constexpr TextKey(const char* object) : name(object) {}  // NOLINT(google-explicit-constructor)
  QString ObjectName() const;
};

// The window's own title.
inline constexpr const char* kCaption = "";

struct Text {
  TextKey key;
  const char* english;
  const char* chinese;
  int set = 0;  // a window may keep alternative texts (card 1, card 2) apart
};

// Sets the texts of `set` in `window` for `language`; nothing for a language
// other than English and Chinese. The text goes where the object shows it:
// a button's or label's text, a group's or menu's title, an action's text,
// a tab page's tab, the window's caption, a drop-down list's entries (one a
// line; the entry shown stays).
void ApplyTexts(QWidget* window, std::span<const Text> table, int language, int set = 0);

// English or Chinese by `language` (empty for any other).
QString Pick(int language, std::string_view english, std::string_view chinese);

// Shows `text` on `object` as ApplyTexts does; ObjectText reads it back.
void SetObjectText(QObject* object, const QString& text);
QString ObjectText(const QObject* object);

}  // namespace ui
