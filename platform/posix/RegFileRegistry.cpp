#include "platform/posix/RegFileRegistry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "platform/AnsiCodec.h"
#include "platform/Text.h"

namespace fs = std::filesystem;

namespace fd {

namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";
constexpr const char* kOldHeader = "REGEDIT4";

struct Value {
  std::string name;  // ANSI
  std::uint32_t type = 0;
  std::string data;
};

}  // namespace

struct RegFileKey {
  std::string name;                                      // ANSI, as first written
  std::string folded;                                    // the name in the form lookups compare
  std::vector<Value> values;                             // in the file's order
  std::unordered_map<std::string, std::size_t> valueAt;  // folded name to index in values
  std::vector<std::unique_ptr<RegFileKey>> subKeys;      // sorted by folded name
};

// The whole registry file: each hive is a key named after the hive.
struct RegFileTree {
  std::map<std::string, RegFileKey> hives;
};

namespace {

using Key = RegFileKey;
using Tree = RegFileTree;

struct HiveName {
  RegHandle handle;
  const char* name;
};

constexpr HiveName kHives[] = {{reg::kClassesRoot, "HKEY_CLASSES_ROOT"},
                               {reg::kCurrentUser, "HKEY_CURRENT_USER"},
                               {reg::kLocalMachine, "HKEY_LOCAL_MACHINE"},
                               {reg::kUsers, "HKEY_USERS"},
                               {reg::kCurrentConfig, "HKEY_CURRENT_CONFIG"}};

// The hive part of a key line is compared without regard to letter case, as regedit does.
bool equalsHive(const std::string& text, const HiveName& hive) {
  return foldCase(text) == foldCase(hive.name);
}

std::string folded(const std::string& ansi) {
  return foldCase(ansiToUtf8(ansi));
}

std::vector<std::string> splitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\') {
      if (!part.empty()) {
        parts.push_back(part);
      }
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) {
    parts.push_back(part);
  }
  return parts;
}

// Where a sub-key of that folded name is or would go.
auto subKeyPlace(const Key& key, const std::string& wanted) {
  return std::lower_bound(
      key.subKeys.begin(), key.subKeys.end(), wanted,
      [](const std::unique_ptr<Key>& sub, const std::string& name) { return sub->folded < name; });
}

const Key* findChild(const Key& key, const std::string& name) {
  const std::string wanted = folded(name);
  auto at = subKeyPlace(key, wanted);
  return at != key.subKeys.end() && (*at)->folded == wanted ? at->get() : nullptr;
}

Key& addChild(Key& key, const std::string& name) {
  auto child = std::make_unique<Key>();
  child->name = name;
  child->folded = folded(name);
  auto at = subKeyPlace(key, child->folded);
  return **key.subKeys.insert(at, std::move(child));
}

Key& hiveOf(Tree& tree, const std::string& hive) {
  auto [root, added] = tree.hives.try_emplace(hive);
  if (added) {
    root->second.name = hive;
  }
  return root->second;
}

const Key* findKey(const Tree& tree, const std::string& hive,
                   const std::vector<std::string>& path) {
  // A hive without any key is there all the same.
  static const Key kEmptyHive;
  auto root = tree.hives.find(hive);
  const Key* key = root != tree.hives.end() ? &root->second : &kEmptyHive;
  for (const std::string& part : path) {
    key = findChild(*key, part);
    if (key == nullptr) {
      return nullptr;
    }
  }
  return key;
}

Key* findKey(Tree& tree, const std::string& hive, const std::vector<std::string>& path) {
  hiveOf(tree, hive);
  return const_cast<Key*>(findKey(std::as_const(tree), hive, path));
}

const Value* findValue(const Key& key, const std::string& name) {
  auto at = key.valueAt.find(folded(name));
  return at != key.valueAt.end() ? &key.values[at->second] : nullptr;
}

// Adds a value, or replaces the one of that name in its place.
void putValue(Key& key, Value value) {
  auto [at, added] = key.valueAt.try_emplace(folded(value.name), key.values.size());
  if (added) {
    key.values.push_back(std::move(value));
  } else {
    key.values[at->second] = std::move(value);
  }
}

bool eraseValue(Key& key, const std::string& name) {
  auto at = key.valueAt.find(folded(name));
  if (at == key.valueAt.end()) {
    return false;
  }
  const std::size_t index = at->second;
  key.values.erase(key.values.begin() + static_cast<std::ptrdiff_t>(index));
  key.valueAt.erase(at);
  for (auto& [foldedName, position] : key.valueAt) {
    if (position > index) {
      --position;
    }
  }
  return true;
}

// --- Text encodings of the file ---

std::string utf16leToUtf8(std::string_view bytes) {
  std::string out;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t unit = static_cast<unsigned char>(bytes[i]) |
                    (static_cast<char32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      char32_t low = static_cast<unsigned char>(bytes[i + 2]) |
                     (static_cast<char32_t>(static_cast<unsigned char>(bytes[i + 3])) << 8);
      if (low >= 0xDC00 && low < 0xE000) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    appendUtf8(out, unit);
  }
  return out;
}

// UTF-8 from the ANSI codec is well formed, so a plain decoder serves.
std::string utf8ToUtf16le(std::string_view text) {
  std::string out;
  auto unit = [&](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  for (size_t i = 0; i < text.size();) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < text.size(); ++k) {
      c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    i += extra + 1;
    if (c >= 0x10000) {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      unit(c);
    }
  }
  return out;
}

bool isTextType(std::uint32_t type) {
  return type == reg::kSz || type == reg::kExpandSz || type == reg::kMultiSz;
}

// --- Reading the file ---

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
std::optional<Value> readData(const std::string& written, bool utf16Strings) {
  Value value;
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
  value.data = isTextType(value.type) && utf16Strings ? utf8ToAnsi(utf16leToUtf8(*bytes)) : *bytes;
  return value;
}

std::string decodeFile(const std::string& bytes) {
  if (bytes.starts_with("\xFF\xFE")) {
    return utf16leToUtf8(std::string_view(bytes).substr(2));
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    return bytes.substr(3);
  }
  return bytes;
}

Tree parse(const std::string& text) {
  Tree tree;
  const std::vector<std::string> lines = fileLines(text);
  bool utf16Strings = true;
  Key* current = nullptr;
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
      std::vector<std::string> parts = splitPath(utf8ToAnsi(line.substr(1, line.size() - 2)));
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
        const Key* child = findChild(*current, parts[p]);
        current = child != nullptr ? const_cast<Key*>(child) : &addChild(*current, parts[p]);
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

// --- Writing the file ---

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

std::string valueLine(const Value& value) {
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

void writeKey(std::string& out, const std::string& path, const Key& key, bool hive) {
  if (!hive || !key.values.empty()) {
    out += "[" + path + "]\r\n";
    for (const Value& value : key.values) {
      out += valueLine(value) + "\r\n";
    }
    out += "\r\n";
  }
  for (const std::unique_ptr<Key>& sub : key.subKeys) {
    writeKey(out, path + "\\" + ansiToUtf8(sub->name), *sub, false);
  }
}

std::string render(const Tree& tree) {
  std::string out = std::string(kHeader) + "\r\n\r\n";
  for (const HiveName& hive : kHives) {
    if (auto root = tree.hives.find(hive.name); root != tree.hives.end()) {
      writeKey(out, root->second.name, root->second, true);
    }
  }
  return out;
}

long load(const fs::path& file, Tree& tree) {
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) {
      tree = Tree{};
      return reg::kSuccess;
    }
    return reg::kIoFailed;
  }
  std::string bytes;
  char buffer[16 * 1024];
  for (;;) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      ::close(fd);
      return reg::kIoFailed;
    }
    if (got == 0) {
      break;
    }
    bytes.append(buffer, static_cast<size_t>(got));
  }
  ::close(fd);
  tree = parse(decodeFile(bytes));
  return reg::kSuccess;
}

long save(const fs::path& file, const Tree& tree) {
  mode_t mode = 0644;
  struct stat info;
  if (::stat(file.c_str(), &info) == 0) {
    if ((info.st_mode & 0222) == 0) {
      return reg::kAccessDenied;
    }
    mode = info.st_mode & 07777;
  }
  const std::string bytes = render(tree);
  std::string temporary =
      (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
  int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    return reg::kIoFailed;
  }
  bool written = true;
  for (size_t done = 0; written && done < bytes.size();) {
    ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) {
      continue;
    }
    written = put > 0;
    done += written ? static_cast<size_t>(put) : 0;
  }
  written = written && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  written = ::close(fd) == 0 && written;
  if (!written || ::rename(temporary.c_str(), file.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return reg::kIoFailed;
  }
  return reg::kSuccess;
}

// Copies text into a caller's buffer of the given room, with a NUL behind it when there is room.
void fill(std::string& buffer, std::uint32_t room, const std::string& text, bool terminate) {
  const size_t limit = std::min<size_t>(room, buffer.size());
  const size_t count = std::min(limit, text.size());
  std::copy_n(text.begin(), count, buffer.begin());
  if (terminate && count < limit) {
    buffer[count] = '\0';
  }
}

// Gives a name back as RegEnumValueA and RegEnumKeyExA do.
long giveName(const std::string& name, std::string& buffer, std::uint32_t& size) {
  if (name.size() + 1 > std::min<size_t>(size, buffer.size())) {
    return reg::kMoreData;
  }
  fill(buffer, size, name, true);
  size = static_cast<std::uint32_t>(name.size());
  return reg::kSuccess;
}

long giveData(const std::string& data, std::string& buffer, std::uint32_t& size) {
  const bool fits = data.size() <= std::min<size_t>(size, buffer.size());
  fill(buffer, size, data, false);
  size = static_cast<std::uint32_t>(data.size());
  return fits ? reg::kSuccess : reg::kMoreData;
}

}  // namespace

RegFileRegistry::RegFileRegistry(fs::path file) : file_(std::move(file)) {}

long RegFileRegistry::locate(RegHandle key, Location& location) const {
  for (const HiveName& hive : kHives) {
    if (hive.handle == key) {
      location = Location{hive.name, {}, reg::kAllAccess, nullptr};
      return reg::kSuccess;
    }
  }
  auto open = open_.find(key);
  if (open == open_.end()) {
    return reg::kInvalidHandle;
  }
  location = open->second;
  return reg::kSuccess;
}

RegHandle RegFileRegistry::remember(Location location) {
  RegHandle handle = nextHandle_;
  nextHandle_ += 4;
  open_[handle] = std::move(location);
  return handle;
}

long RegFileRegistry::readKey(const Location& at, std::uint32_t need,
                              std::shared_ptr<const Tree>& tree, const Key*& found) const {
  if ((at.access & need) != need) {
    return reg::kAccessDenied;
  }
  tree = at.tree;
  if (!tree) {
    auto loaded = std::make_shared<Tree>();
    if (long code = load(file_, *loaded); code != reg::kSuccess) {
      return code;
    }
    tree = std::move(loaded);
  }
  found = findKey(*tree, at.hive, at.path);
  return found != nullptr ? reg::kSuccess : reg::kKeyDeleted;
}

long RegFileRegistry::loadForChange(const Location& at, std::uint32_t need,
                                    std::shared_ptr<Tree>& tree, Key*& found) const {
  if ((at.access & need) != need) {
    return reg::kAccessDenied;
  }
  tree = std::make_shared<Tree>();
  if (long code = load(file_, *tree); code != reg::kSuccess) {
    return code;
  }
  found = findKey(*tree, at.hive, at.path);
  return found != nullptr ? reg::kSuccess : reg::kKeyDeleted;
}

long RegFileRegistry::saveAndAdopt(const std::shared_ptr<Tree>& tree) {
  if (long code = save(file_, *tree); code != reg::kSuccess) {
    return code;
  }
  for (auto& [handle, location] : open_) {
    location.tree = tree;
  }
  return reg::kSuccess;
}

long RegFileRegistry::openKey(RegHandle key, const std::string& subKey, RegHandle& result) {
  return openKeyEx(key, subKey, reg::kAllAccess, result);
}

long RegFileRegistry::openKeyEx(RegHandle key, const std::string& subKey, std::uint32_t access,
                                RegHandle& result) {
  Location base;
  if (long code = locate(key, base); code != reg::kSuccess) {
    return code;
  }
  auto tree = std::make_shared<Tree>();
  if (long code = load(file_, *tree); code != reg::kSuccess) {
    return code;
  }
  std::vector<std::string> path = base.path;
  for (std::string& part : splitPath(subKey)) {
    path.push_back(std::move(part));
  }
  if (findKey(std::as_const(*tree), base.hive, path) == nullptr) {
    return reg::kFileNotFound;
  }
  result = remember(Location{base.hive, std::move(path), access, std::move(tree)});
  return reg::kSuccess;
}

long RegFileRegistry::createKeyEx(RegHandle key, const std::string& subKey,
                                  const std::string& /*className*/, std::uint32_t /*options*/,
                                  std::uint32_t access, RegHandle& result, bool& created) {
  Location base;
  if (long code = locate(key, base); code != reg::kSuccess) {
    return code;
  }
  auto tree = std::make_shared<Tree>();
  if (long code = load(file_, *tree); code != reg::kSuccess) {
    return code;
  }
  Key* current = findKey(*tree, base.hive, base.path);
  if (current == nullptr) {
    return reg::kKeyDeleted;
  }
  created = false;
  std::vector<std::string> path = base.path;
  for (const std::string& part : splitPath(subKey)) {
    Key* child = const_cast<Key*>(findChild(*current, part));
    if (child == nullptr) {
      if ((base.access & reg::kCreateSubKey) == 0) {
        return reg::kAccessDenied;
      }
      child = &addChild(*current, part);
      created = true;
    }
    path.push_back(child->name);
    current = child;
  }
  if (created) {
    if (long code = saveAndAdopt(tree); code != reg::kSuccess) {
      created = false;
      return code;
    }
  }
  result = remember(Location{base.hive, std::move(path), access, std::move(tree)});
  return reg::kSuccess;
}

long RegFileRegistry::queryValueEx(RegHandle key, const std::string& valueName, std::uint32_t& type,
                                   std::string& buffer, std::uint32_t& dataSize) {
  Location at;
  std::shared_ptr<const Tree> tree;
  const Key* found = nullptr;
  if (long code = locate(key, at); code != reg::kSuccess) {
    return code;
  }
  if (long code = readKey(at, reg::kQueryValue, tree, found); code != reg::kSuccess) {
    return code;
  }
  const Value* value = findValue(*found, valueName);
  if (value == nullptr) {
    return reg::kFileNotFound;
  }
  type = value->type;
  return giveData(value->data, buffer, dataSize);
}

long RegFileRegistry::setValueEx(RegHandle key, const std::string& valueName, std::uint32_t type,
                                 const std::string& data) {
  Location at;
  std::shared_ptr<Tree> tree;
  Key* found = nullptr;
  if (long code = locate(key, at); code != reg::kSuccess) {
    return code;
  }
  if (long code = loadForChange(at, reg::kSetValue, tree, found); code != reg::kSuccess) {
    return code;
  }
  putValue(*found, Value{valueName, type, data});
  return saveAndAdopt(tree);
}

long RegFileRegistry::enumValue(RegHandle key, std::uint32_t index, std::string& name,
                                std::uint32_t& nameSize, std::uint32_t& type, std::string& data,
                                std::uint32_t& dataSize) {
  Location at;
  std::shared_ptr<const Tree> tree;
  const Key* found = nullptr;
  if (long code = locate(key, at); code != reg::kSuccess) {
    return code;
  }
  if (long code = readKey(at, reg::kQueryValue, tree, found); code != reg::kSuccess) {
    return code;
  }
  if (index >= found->values.size()) {
    return reg::kNoMoreItems;
  }
  const Value& value = found->values[index];
  if (long code = giveName(value.name, name, nameSize); code != reg::kSuccess) {
    return code;
  }
  type = value.type;
  return giveData(value.data, data, dataSize);
}

long RegFileRegistry::enumKeyEx(RegHandle key, std::uint32_t index, std::string& name,
                                std::uint32_t& nameSize, std::string& className,
                                std::uint32_t& classSize) {
  Location at;
  std::shared_ptr<const Tree> tree;
  const Key* found = nullptr;
  if (long code = locate(key, at); code != reg::kSuccess) {
    return code;
  }
  if (long code = readKey(at, reg::kEnumerateSubKeys, tree, found); code != reg::kSuccess) {
    return code;
  }
  if (index >= found->subKeys.size()) {
    return reg::kNoMoreItems;
  }
  if (long code = giveName(found->subKeys[index]->name, name, nameSize); code != reg::kSuccess) {
    return code;
  }
  return giveName("", className, classSize);
}

long RegFileRegistry::deleteValue(RegHandle key, const std::string& valueName) {
  Location at;
  std::shared_ptr<Tree> tree;
  Key* found = nullptr;
  if (long code = locate(key, at); code != reg::kSuccess) {
    return code;
  }
  if (long code = loadForChange(at, reg::kSetValue, tree, found); code != reg::kSuccess) {
    return code;
  }
  if (!eraseValue(*found, valueName)) {
    return reg::kFileNotFound;
  }
  return saveAndAdopt(tree);
}

long RegFileRegistry::deleteKey(RegHandle key, const std::string& subKey) {
  Location at;
  if (long code = locate(key, at); code != reg::kSuccess) {
    return code;
  }
  std::vector<std::string> path = at.path;
  for (std::string& part : splitPath(subKey)) {
    path.push_back(std::move(part));
  }
  // A hive itself cannot be deleted.
  if (path.empty()) {
    return reg::kAccessDenied;
  }
  const std::string last = path.back();
  path.pop_back();
  auto tree = std::make_shared<Tree>();
  if (long code = load(file_, *tree); code != reg::kSuccess) {
    return code;
  }
  Key* parent = findKey(*tree, at.hive, path);
  if (parent == nullptr) {
    return reg::kFileNotFound;
  }
  const std::string wanted = folded(last);
  auto target = subKeyPlace(*parent, wanted);
  if (target == parent->subKeys.end() || (*target)->folded != wanted) {
    return reg::kFileNotFound;
  }
  if (!(*target)->subKeys.empty()) {
    return reg::kAccessDenied;
  }
  parent->subKeys.erase(target);
  return saveAndAdopt(tree);
}

long RegFileRegistry::closeKey(RegHandle key) {
  for (const HiveName& hive : kHives) {
    if (hive.handle == key) {
      return reg::kSuccess;
    }
  }
  return open_.erase(key) == 1 ? reg::kSuccess : reg::kInvalidHandle;
}

fs::path registryFilePath(const PathMapper& mapper) {
  return mapper.prefix() / "updater.reg";
}

}  // namespace fd
