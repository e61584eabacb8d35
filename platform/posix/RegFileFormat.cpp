#include "platform/posix/RegFileFormat.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iterator>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/AnsiCodec.h"
#include "platform/Text.h"

namespace fd {

namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";
constexpr const char* kOldHeader = "REGEDIT4";

// The hive part of a key line is compared without regard to letter case, as regedit does.
bool equalsHive(const std::string& text, const HiveName& hive) {
  return foldCase(text) == foldCase(hive.name);
}

bool isTextType(std::uint32_t type) {
  return type == reg::kSz || type == reg::kExpandSz || type == reg::kMultiSz;
}

std::vector<std::string> fileLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(line);
      line.clear();
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
      }
    } else {
      line += text[i];
    }
  }
  if (!line.empty()) {
    lines.push_back(line);
  }
  return lines;
}

// Reads a quoted text with \\ and \" escapes starting at pos (on the opening quote).
std::optional<std::string> readQuoted(const std::string& line, size_t& pos) {
  if (pos >= line.size() || line[pos] != '"') {
    return std::nullopt;
  }
  std::string text;
  for (++pos; pos < line.size(); ++pos) {
    if (line[pos] == '\\' && pos + 1 < line.size()) {
      text += line[++pos];
    } else if (line[pos] == '"') {
      ++pos;
      return text;
    } else {
      text += line[pos];
    }
  }
  return std::nullopt;
}

std::optional<std::string> readHexBytes(std::string_view list) {
  std::string bytes;
  std::string digits;
  auto flush = [&]() -> bool {
    if (digits.empty()) {
      return true;
    }
    if (digits.size() > 2) {
      return false;
    }
    bytes += static_cast<char>(std::stoi(digits, nullptr, 16));
    digits.clear();
    return true;
  };
  for (char c : list) {
    if (std::isxdigit(static_cast<unsigned char>(c))) {
      digits += c;
    } else if (c == ',') {
      if (digits.empty() || !flush()) {
        return std::nullopt;
      }
    } else if (c != ' ' && c != '\t') {
      return std::nullopt;
    }
  }
  if (!flush()) {
    return std::nullopt;
  }
  return bytes;
}

// The data of one value from the text after "=", in the model's terms (ANSI strings).
std::optional<RegValue> readData(const std::string& written, bool utf16Strings) {
  RegValue value;
  if (written.starts_with('"')) {
    size_t pos = 0;
    auto text = readQuoted(written, pos);
    if (!text) {
      return std::nullopt;
    }
    value.type = reg::kSz;
    value.data = utf8ToAnsi(*text) + '\0';
    return value;
  }
  if (written.starts_with("dword:")) {
    std::string digits = written.substr(6);
    if (digits.empty() || digits.size() > 8 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      return std::nullopt;
    }
    std::uint32_t number = static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
    value.type = reg::kDword;
    for (int i = 0; i < 4; ++i) {
      value.data += static_cast<char>((number >> (8 * i)) & 0xFF);
    }
    return value;
  }
  size_t colon = written.find(':');
  if (colon == std::string::npos) {
    return std::nullopt;
  }
  const std::string kind = written.substr(0, colon);
  if (kind == "hex") {
    value.type = reg::kBinary;
  } else if (kind.size() > 5 && kind.starts_with("hex(") && kind.ends_with(")")) {
    std::string digits = kind.substr(4, kind.size() - 5);
    if (digits.size() > 8 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      return std::nullopt;
    }
    value.type = static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
  } else {
    return std::nullopt;
  }
  auto bytes = readHexBytes(std::string_view(written).substr(colon + 1));
  if (!bytes) {
    return std::nullopt;
  }
  value.data = isTextType(value.type) && utf16Strings ? utf8ToAnsi(utf16ToUtf8(*bytes)) : *bytes;
  return value;
}

std::string decodedText(const std::string& bytes) {
  if (bytes.starts_with("\xFF\xFE")) {
    return utf16ToUtf8(std::string_view(bytes).substr(2));
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    return bytes.substr(3);
  }
  return bytes;
}

RegFileTree parseText(const std::string& text) {
  RegFileTree tree;
  const std::vector<std::string> lines = fileLines(text);
  bool utf16Strings = true;
  RegFileKey* current = nullptr;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string line = lines[i];
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
      line.pop_back();
    }
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == ';') {
      continue;
    }
    line.erase(0, start);
    if (line == kOldHeader) {
      utf16Strings = false;
      continue;
    }
    if (line.starts_with('[') && line.ends_with(']')) {
      current = nullptr;
      std::vector<std::string> parts = splitKeyPath(utf8ToAnsi(line.substr(1, line.size() - 2)));
      if (parts.empty() || parts.front().starts_with('-')) {
        continue;
      }
      auto known = std::find_if(std::begin(kHives), std::end(kHives),
                                [&](const HiveName& h) { return equalsHive(parts.front(), h); });
      if (known == std::end(kHives)) {
        continue;
      }
      current = &hiveOf(tree, known->name);
      for (size_t p = 1; p < parts.size(); ++p) {
        const RegFileKey* child = findChild(*current, parts[p]);
        current = child != nullptr ? const_cast<RegFileKey*>(child) : &addChild(*current, parts[p]);
      }
      continue;
    }
    if (current == nullptr || (line[0] != '"' && line[0] != '@')) {
      continue;
    }
    // Hex lists run on over lines that end with "\".
    while (line.ends_with('\\') && line.find("=hex") != std::string::npos && i + 1 < lines.size()) {
      line.pop_back();
      std::string next = lines[++i];
      size_t first = next.find_first_not_of(" \t");
      line += first == std::string::npos ? "" : next.substr(first);
      while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
        line.pop_back();
      }
    }
    std::string name;
    size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else {
      auto quoted = readQuoted(line, pos);
      if (!quoted) {
        continue;
      }
      name = utf8ToAnsi(*quoted);
    }
    if (pos >= line.size() || line[pos] != '=') {
      continue;
    }
    auto value = readData(line.substr(pos + 1), utf16Strings);
    if (!value) {
      continue;
    }
    value->name = name;
    putValue(*current, std::move(*value));
  }
  return tree;
}

std::string quoted(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '\\' || c == '"') {
      out += '\\';
    }
    out += c;
  }
  return out + '"';
}

std::string hexList(const std::string& head, const std::string& bytes) {
  std::string out = head;
  size_t column = head.size();
  for (size_t i = 0; i < bytes.size(); ++i) {
    char piece[4];
    std::snprintf(piece, sizeof piece, "%02x", static_cast<unsigned char>(bytes[i]));
    out += piece;
    column += 2;
    if (i + 1 < bytes.size()) {
      out += ',';
      ++column;
      // Wraps as regedit does, keeping lines within 80 characters.
      if (column > 75) {
        out += "\\\r\n  ";
        column = 2;
      }
    }
  }
  return out;
}

std::string valueLine(const RegValue& value) {
  std::string head = (value.name.empty() ? "@" : quoted(ansiToUtf8(value.name))) + "=";
  if (value.type == reg::kSz) {
    std::string text = value.data;
    if (text.ends_with('\0')) {
      text.pop_back();
    }
    if (text.find_first_of(std::string("\0\r\n", 3)) == std::string::npos) {
      return head + quoted(ansiToUtf8(text));
    }
  }
  if (value.type == reg::kDword && value.data.size() == 4) {
    std::uint32_t number = 0;
    for (int i = 3; i >= 0; --i) {
      number = (number << 8) | static_cast<unsigned char>(value.data[i]);
    }
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08x", number);
    return head + "dword:" + digits;
  }
  if (value.type == reg::kBinary) {
    return hexList(head + "hex:", value.data);
  }
  char kind[24];
  std::snprintf(kind, sizeof kind, "hex(%x):", value.type);
  const std::string bytes =
      isTextType(value.type) ? utf8ToUtf16le(ansiToUtf8(value.data)) : value.data;
  return hexList(head + kind, bytes);
}

void writeKey(std::string& out, const std::string& path, const RegFileKey& key, bool hive) {
  if (!hive || !key.values.empty()) {
    out += "[" + path + "]\r\n";
    for (const RegValue& value : key.values) {
      out += valueLine(value) + "\r\n";
    }
    out += "\r\n";
  }
  for (const std::unique_ptr<RegFileKey>& sub : key.subKeys) {
    writeKey(out, path + "\\" + ansiToUtf8(sub->name), *sub, false);
  }
}

}  // namespace

std::string renderRegFile(const RegFileTree& tree) {
  std::string out = std::string(kHeader) + "\r\n\r\n";
  for (const HiveName& hive : kHives) {
    if (auto root = tree.hives.find(hive.name); root != tree.hives.end()) {
      writeKey(out, root->second.name, root->second, true);
    }
  }
  return out;
}

RegFileTree parseRegFile(const std::string& bytes) {
  return parseText(decodedText(bytes));
}

}  // namespace fd
