#include "platform/WildcardMatch.h"

#include <cstddef>

#include "platform/AnsiCodec.h"

namespace fd {

namespace {

// Advances past one UTF-8 character.
std::size_t nextCharacter(const std::string& text, std::size_t pos) {
  ++pos;
  while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) {
    ++pos;
  }
  return pos;
}

bool matchesFolded(const std::string& name, const std::string& pattern) {
  std::size_t n = 0;
  std::size_t p = 0;
  std::size_t starPattern = std::string::npos;
  std::size_t starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starPattern = ++p;
      starName = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n = nextCharacter(name, n);
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (starPattern != std::string::npos) {
      p = starPattern;
      starName = nextCharacter(name, starName);
      n = starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') {
    ++p;
  }
  return p == pattern.size();
}

}  // namespace

bool matchesWildcard(const std::string& name, const std::string& pattern) {
  const std::string foldedName = foldCase(name);
  const std::string foldedPattern = foldCase(pattern);
  return matchesFolded(foldedName, foldedPattern) ||
         (foldedPattern.ends_with(".*") && matchesFolded(foldedName + ".", foldedPattern));
}

}  // namespace fd
