#include "platform/AnsiCodec.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/Text.h"

namespace fd {

namespace {

// Code points of the bytes 0x80-0x9F; the five bytes Windows-1252 leaves unassigned map to the
// control characters of the same value, as Windows converts them.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Reads one code point at pos and moves pos past it; a malformed sequence gives kInvalid and
// moves one byte on.
char32_t nextCodePoint(std::string_view text, size_t& pos) {
  auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  uint8_t lead = byte(pos);
  int extra = 0;
  char32_t c = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    c = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    c = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    c = lead & 0x07;
  } else {
    ++pos;
    return kInvalid;
  }
  if (pos + extra >= text.size()) {
    ++pos;
    return kInvalid;
  }
  for (int i = 1; i <= extra; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) {
      ++pos;
      return kInvalid;
    }
    c = (c << 6) | (byte(pos + i) & 0x3F);
  }
  static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
  if (c < kMinimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++pos;
    return kInvalid;
  }
  pos += extra + 1;
  return c;
}

char32_t fromAnsi(uint8_t b) {
  return b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : b;
}

int toAnsi(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
    return static_cast<int>(c);
  }
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == c) {
      return static_cast<int>(0x80 + i);
    }
  }
  return -1;
}

char32_t lowerCase(char32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
    return c + 0x20;
  }
  switch (c) {
    case 0x0160:  // Š
    case 0x0152:  // Œ
    case 0x017D:  // Ž
      return c + 1;
    case 0x0178:  // Ÿ
      return 0xFF;
    default:
      return c;
  }
}

}  // namespace

std::string windows1252ToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (char ch : ansi) {
    appendUtf8(out, fromAnsi(static_cast<uint8_t>(ch)));
  }
  return out;
}

std::string utf8ToWindows1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) {
    int b = toAnsi(nextCodePoint(utf8, pos));
    out += b < 0 ? '?' : static_cast<char>(b);
  }
  return out;
}

std::vector<std::string> splitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      continue;
    }
    lines.emplace_back(text.substr(start, i - start));
    if (i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
    }
    start = i + 1;
  }
  if (start < text.size()) {
    lines.emplace_back(text.substr(start));
  }
  return lines;
}

std::vector<std::string> ansiTextLines(std::string_view bytes) {
  return splitTextLines(ansiToUtf8(bytes));
}

std::string ansiTextOf(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += utf8ToAnsi(line);
    bytes += "\r\n";
  }
  return bytes;
}

std::string foldCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) {
    size_t before = pos;
    char32_t c = nextCodePoint(utf8, pos);
    if (c == kInvalid) {
      out.append(utf8.substr(before, pos - before));
    } else {
      appendUtf8(out, lowerCase(c));
    }
  }
  return out;
}

void sortFolded(std::vector<std::string>& names) {
  std::vector<std::pair<std::string, std::string>> folded;  // folded name, name
  folded.reserve(names.size());
  for (std::string& name : names) {
    folded.emplace_back(foldCase(name), std::move(name));
  }
  std::sort(folded.begin(), folded.end());
  for (std::size_t i = 0; i < names.size(); ++i) {
    names[i] = std::move(folded[i].second);
  }
}

}  // namespace fd
