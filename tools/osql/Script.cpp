#include "Script.h"

#include "platform/Text.h"

namespace fd::osql {

namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::string current;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      out.push_back(std::move(current));
      current.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
    } else {
      current += c;
    }
  }
  if (!current.empty())
    out.push_back(std::move(current));
  return out;
}

bool isGo(const std::string& line) {
  std::size_t first = line.find_first_not_of(" \t");
  if (first == std::string::npos)
    return false;
  std::size_t last = line.find_last_not_of(" \t");
  return equalsNoCase(line.substr(first, last - first + 1), "GO");
}

}  // namespace

std::vector<Batch> splitScript(const std::string& text) {
  std::vector<Batch> batches;
  Batch current;
  bool hasCode = false;
  std::string joined;
  auto close = [&]() {
    current.text = hasCode ? joined : std::string();
    batches.push_back(std::move(current));
    current = Batch{};
    joined.clear();
    hasCode = false;
  };
  for (const std::string& line : lines(text)) {
    ++current.promptCount;
    if (isGo(line)) {
      close();
      continue;
    }
    if (!joined.empty() || current.promptCount > 1)
      joined += "\r\n";
    joined += line;
    if (line.find_first_not_of(" \t") != std::string::npos)
      hasCode = true;
  }
  if (current.promptCount > 0)
    close();
  return batches;
}

}  // namespace fd::osql
