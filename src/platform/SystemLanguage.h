#pragma once
// The operating system's default language, as a language identifier.

namespace platform {

inline constexpr int kLangChinese = 2052;
inline constexpr int kLangEnglish = 1033;

// 2052 when the locale is Chinese, else 1033. The first non-empty of
// LC_ALL, LC_MESSAGES and LANG decides; a Chinese locale begins with "zh_".
int SystemDefaultLangId();

}  // namespace platform
