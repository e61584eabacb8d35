#include "platform/Text.h"

#include <cstdint>

namespace fd {
namespace {

// Latin-1 letters are two UTF-8 bytes, C3 followed by 80..BF; upper and lower case differ by
// 0x20 in the second byte, except × (C3 97) and ÷ (C3 B7), and ß / ÿ, which have no pair here.
std::string mapCase(std::string_view text, bool upper) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (c < 0x80) {
      if (upper && c >= 'a' && c <= 'z')
        out[i] = static_cast<char>(c - 32);
      if (!upper && c >= 'A' && c <= 'Z')
        out[i] = static_cast<char>(c + 32);
    } else if (c == 0xC3 && i + 1 < out.size()) {
      unsigned char d = static_cast<unsigned char>(out[i + 1]);
      if (upper && d >= 0xA0 && d <= 0xBE && d != 0xB7)
        out[i + 1] = static_cast<char>(d - 0x20);
      if (!upper && d >= 0x80 && d <= 0x9E && d != 0x97)
        out[i + 1] = static_cast<char>(d + 0x20);
      ++i;
    }
  }
  return out;
}

}  // namespace

std::string toUpper(std::string_view text) {
  return mapCase(text, true);
}
std::string toLower(std::string_view text) {
  return mapCase(text, false);
}

std::string trimSpaces(std::string_view text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos)
    return "";
  std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  return toUpper(a) == toUpper(b);
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty())
    return std::string(text);
  std::string out;
  std::size_t pos = 0;
  while (true) {
    std::size_t found = text.find(from, pos);
    if (found == std::string_view::npos)
      break;
    out.append(text.substr(pos, found - pos));
    out.append(to);
    pos = found + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

std::string signedNumber(int number) {
  return number < 0 ? std::to_string(number) : " " + std::to_string(number);
}

std::vector<std::string> splitText(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  std::size_t pos = 0;
  while (true) {
    std::size_t found = text.find(separator, pos);
    if (found == std::string_view::npos) {
      pieces.emplace_back(text.substr(pos));
      return pieces;
    }
    pieces.emplace_back(text.substr(pos, found - pos));
    pos = found + 1;
  }
}

std::string rightBytes(std::string_view text, std::size_t n) {
  return std::string(text.size() <= n ? text : text.substr(text.size() - n));
}

std::string dropRightBytes(std::string_view text, std::size_t n) {
  return std::string(text.size() <= n ? std::string_view() : text.substr(0, text.size() - n));
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  auto unitAt = [&](std::size_t i) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char32_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  };
  std::string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t code = unitAt(i);
    if (code >= 0xD800 && code < 0xDC00 && i + 3 < bytes.size()) {
      const char32_t low = unitAt(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    appendUtf8(out, code);
  }
  return out;
}

std::string utf8ToUtf16le(std::string_view text) {
  std::string out;
  auto put = [&out](std::uint32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  };
  for (std::size_t i = 0; i < text.size();) {
    auto c = static_cast<unsigned char>(text[i]);
    std::uint32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) {
      cp = ((c & 0x1F) << 6) | (text[i + 1] & 0x3F);
      len = 2;
    } else if ((c & 0xF0) == 0xE0 && i + 2 < text.size()) {
      cp = ((c & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
      len = 3;
    } else if ((c & 0xF8) == 0xF0 && i + 3 < text.size()) {
      cp = ((c & 0x07) << 18) | ((text[i + 1] & 0x3F) << 12) | ((text[i + 2] & 0x3F) << 6) |
           (text[i + 3] & 0x3F);
      len = 4;
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put(0xD800 + (cp >> 10));
      put(0xDC00 + (cp & 0x3FF));
    } else {
      put(cp);
    }
  }
  return out;
}

bool isWindowsFileName(std::string_view name) {
  if (name.empty())
    return false;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 ||
        std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
      return false;
  }
  return true;
}

std::string printableName(std::string_view name) {
  std::string shown(name);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      c = '?';
  }
  return shown;
}

}  // namespace fd
