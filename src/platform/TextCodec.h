#pragma once
// GBK <-> UTF-8. Files keep GBK; memory and source hold UTF-8.

#include <string>
#include <string_view>

namespace platform {

// Valid GBK converts exactly and converts back to the same bytes. A byte
// sequence that is not GBK becomes U+FFFD, one per bad byte.
std::string GbkToUtf8(std::string_view gbk);

// Characters GBK cannot hold, and bytes that are not UTF-8, become '?'.
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace platform
