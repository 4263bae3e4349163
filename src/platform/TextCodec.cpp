#include "platform/TextCodec.h"

#include <iconv.h>

#include <cerrno>

namespace platform {
namespace {

// Length of the UTF-8 sequence at `p` (1 for a byte that starts none), so a
// character GBK lacks is replaced once, not once per byte.
size_t Utf8SequenceLength(const unsigned char* p, size_t left) {
  size_t n = 1;
  if (p[0] >= 0xC2 && p[0] <= 0xDF) n = 2;
  else if (p[0] >= 0xE0 && p[0] <= 0xEF) n = 3;
  else if (p[0] >= 0xF0 && p[0] <= 0xF4) n = 4;
  if (n > left) return 1;
  for (size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 1;
  }
  return n;
}

// Converts with iconv, replacing what it cannot take by `replacement` and
// carrying on after it.
std::string Convert(const char* to, const char* from, std::string_view in, std::string_view replacement,
                    bool fromUtf8) {
  std::string out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  out.reserve(in.size() * 3 / 2 + 4);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buffer[1024];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (rc != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL (a sequence cut short at the end): skip it.
    const size_t skip = fromUtf8 ? Utf8SequenceLength(reinterpret_cast<unsigned char*>(src), srcLeft) : 1;
    out.append(replacement);
    src += skip;
    srcLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) { return Convert("UTF-8", "GBK", gbk, "\xEF\xBF\xBD", false); }

std::string Utf8ToGbk(std::string_view utf8) { return Convert("GBK", "UTF-8", utf8, "?", true); }

}  // namespace platform
