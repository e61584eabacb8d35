#include "tools/schtasks/TaskDefinition.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/Text.h"

namespace fd {

namespace {

// The name of an element without its namespace prefix.
std::string_view localName(std::string_view name) {
  const std::size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// Character data with the predefined and numeric character references replaced.
std::string unescape(std::string_view text) {
  static const std::pair<std::string_view, char> kEntities[] = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t semicolon = text.find(';', i);
    if (text[i] != '&' || semicolon == std::string_view::npos) {
      out += text[i++];
      continue;
    }
    const std::string_view entity = text.substr(i + 1, semicolon - i - 1);
    bool known = false;
    if (entity.size() > 1 && entity[0] == '#') {
      const bool hex = entity[1] == 'x' || entity[1] == 'X';
      const std::string digits(entity.substr(hex ? 2 : 1));
      char* end = nullptr;
      const unsigned long code = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
      if (!digits.empty() && *end == '\0' && code > 0 && code <= 0x10FFFF) {
        appendUtf8(out, static_cast<std::uint32_t>(code));
        known = true;
      }
    } else {
      for (const auto& [name, character] : kEntities) {
        if (entity == name) {
          out += character;
          known = true;
        }
      }
    }
    if (known) {
      i = semicolon + 1;
    } else {
      out += text[i++];
    }
  }
  return out;
}

// Without the white space that indented XML puts around an element's text.
std::string trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) {
    return {};
  }
  return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

}  // namespace

std::string decodeTaskFile(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) {
    return utf16ToUtf8(bytes.substr(2), false);
  }
  if (bytes.starts_with("\xFE\xFF")) {
    return utf16ToUtf8(bytes.substr(2), true);
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    return std::string(bytes.substr(3));
  }
  // "<" followed by a zero byte: UTF-16 little endian that lost its byte-order mark.
  if (bytes.size() >= 2 && bytes[0] == '<' && bytes[1] == '\0') {
    return utf16ToUtf8(bytes, false);
  }
  return std::string(bytes);
}

std::optional<TaskAction> readTaskAction(std::string_view xml) {
  static const std::vector<std::string_view> kExecPath = {"Task", "Actions", "Exec"};
  std::vector<std::string> open;
  std::optional<TaskAction> action;
  bool inFirstExec = false;
  std::string* field = nullptr;

  auto closeElement = [&] {
    if (!open.empty()) {
      open.pop_back();
    }
    field = nullptr;
    if (open.size() < kExecPath.size()) {
      inFirstExec = false;
    }
  };

  std::size_t i = 0;
  while (i < xml.size()) {
    if (xml[i] != '<') {
      const std::size_t end = std::min(xml.find('<', i), xml.size());
      if (field != nullptr) {
        *field += unescape(xml.substr(i, end - i));
      }
      i = end;
      continue;
    }
    const std::string_view rest = xml.substr(i);
    if (rest.starts_with("<![CDATA[")) {
      const std::size_t end = std::min(xml.find("]]>", i), xml.size());
      if (field != nullptr) {
        *field += xml.substr(i + 9, end - i - 9);
      }
      i = end + 3;
      continue;
    }
    // Comments, the declaration, processing instructions and DOCTYPE carry nothing we read.
    const std::string_view closer = rest.starts_with("<!--") ? "-->"
                                    : rest.starts_with("<?") ? "?>"
                                                             : ">";
    const std::size_t end = xml.find(closer, i);
    if (end == std::string_view::npos) {
      break;
    }
    const std::string_view tag = xml.substr(i + 1, end - i - 1);
    i = end + closer.size();
    if (tag.starts_with("!") || tag.starts_with("?")) {
      continue;
    }
    if (tag.starts_with("/")) {
      closeElement();
      continue;
    }
    open.emplace_back(localName(tag.substr(0, tag.find_first_of(" \t\r\n/"))));
    field = nullptr;
    if (!action && open.size() == kExecPath.size() &&
        std::equal(open.begin(), open.end(), kExecPath.begin())) {
      action.emplace();
      inFirstExec = true;
    } else if (inFirstExec && open.size() == kExecPath.size() + 1) {
      if (open.back() == "Command") {
        field = &action->command;
      } else if (open.back() == "Arguments") {
        field = &action->arguments;
      } else if (open.back() == "WorkingDirectory") {
        field = &action->workingDirectory;
      }
    }
    if (tag.ends_with("/")) {
      closeElement();
    }
  }
  if (!action) {
    return std::nullopt;
  }
  action->command = trimmed(action->command);
  action->arguments = trimmed(action->arguments);
  action->workingDirectory = trimmed(action->workingDirectory);
  if (action->command.empty()) {
    return std::nullopt;
  }
  return action;
}

}  // namespace fd
