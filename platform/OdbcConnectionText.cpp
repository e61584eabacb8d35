#include "platform/OdbcConnectionText.h"

#include "platform/Text.h"

namespace fd {

std::string connectionStringValue(const std::string& value) {
  if (value.find_first_of(";{}= ") == std::string::npos && !value.empty()) {
    return value;
  }
  // Built by appending: "{" + a temporary trips a false -Wrestrict of GCC 12 at -O3.
  std::string braced = "{";
  braced += replaceAll(value, "}", "}}");
  braced += "}";
  return braced;
}

std::string withoutDriverPrefixes(std::string text) {
  while (!text.empty() && text[0] == '[') {
    std::size_t close = text.find(']');
    if (close == std::string::npos) {
      break;
    }
    text.erase(0, close + 1);
  }
  return text;
}

}  // namespace fd
