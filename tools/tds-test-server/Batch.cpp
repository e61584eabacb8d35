#include "Batch.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace fd::tds {

namespace {

constexpr std::array kStarters = {
    "ALTER",  "BACKUP",  "CREATE", "DBCC",        "DECLARE",  "DELETE",    "DROP",
    "EXEC",   "EXECUTE", "GRANT",  "INSERT",      "PRINT",    "RAISERROR", "RESTORE",
    "REVOKE", "SELECT",  "SET",    "SP_PASSWORD", "TRUNCATE", "UPDATE",    "USE"};

bool isWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '@' || c == '#' ||
         c == '$' || static_cast<unsigned char>(c) >= 0x80;
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// True when the text from `at` (after white space) begins with a statement keyword.
bool startsStatement(std::string_view code, std::size_t at) {
  while (at < code.size() && std::isspace(static_cast<unsigned char>(code[at])))
    ++at;
  std::size_t end = at;
  while (end < code.size() && isWordChar(code[end]))
    ++end;
  std::string word = upper(code.substr(at, end - at));
  return std::find(kStarters.begin(), kStarters.end(), word) != kStarters.end();
}

// The batch with comments blanked out (line breaks kept, so line numbers hold).
std::string withoutComments(std::string_view batch) {
  std::string out(batch);
  enum class In { Code, Quote, Bracket, DoubleQuote };
  In in = In::Code;
  for (std::size_t i = 0; i < out.size(); ++i) {
    char c = out[i];
    switch (in) {
      case In::Code:
        if (c == '\'') {
          in = In::Quote;
        } else if (c == '[') {
          in = In::Bracket;
        } else if (c == '"') {
          in = In::DoubleQuote;
        } else if (c == '-' && i + 1 < out.size() && out[i + 1] == '-') {
          while (i < out.size() && out[i] != '\n' && out[i] != '\r')
            out[i++] = ' ';
          --i;
        } else if (c == '/' && i + 1 < out.size() && out[i + 1] == '*') {
          std::size_t end = out.find("*/", i + 2);
          end = end == std::string::npos ? out.size() : end + 2;
          for (; i < end; ++i) {
            if (out[i] != '\n' && out[i] != '\r')
              out[i] = ' ';
          }
          --i;
        }
        break;
      case In::Quote:
        if (c == '\'')
          in = In::Code;  // a doubled quote re-enters at once, which is the same
        break;
      case In::Bracket:
        if (c == ']')
          in = In::Code;
        break;
      case In::DoubleQuote:
        if (c == '"')
          in = In::Code;
        break;
    }
  }
  return out;
}

}  // namespace

std::vector<Statement> splitBatch(std::string_view batch) {
  std::string code = withoutComments(batch);
  std::vector<Statement> out;
  std::size_t start = 0;
  // Lines are counted once, from where the previous statement's count stopped.
  std::size_t counted = 0;
  int line = 1;
  auto finish = [&](std::size_t end) {
    std::string_view piece(code.data() + start, end - start);
    std::size_t first = piece.find_first_not_of(" \t\r\n;");
    if (first != std::string_view::npos) {
      std::size_t last = piece.find_last_not_of("\r\n;");
      Statement s;
      s.text = std::string(piece.substr(first, last - first + 1));
      const std::size_t at = start + first;
      line += static_cast<int>(std::count(code.begin() + static_cast<std::ptrdiff_t>(counted),
                                          code.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
      counted = at;
      s.line = line;
      out.push_back(std::move(s));
    }
    start = end;
  };
  char quote = 0;
  for (std::size_t i = 0; i < code.size(); ++i) {
    char c = code[i];
    if (quote) {
      if (c == quote)
        quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '[') {
      quote = ']';
    } else if (c == ';') {
      finish(i + 1);
    } else if (c == '\n' && startsStatement(code, i + 1)) {
      finish(i + 1);
    }
  }
  finish(code.size());
  return out;
}

std::vector<Token> tokenize(std::string_view s) {
  std::vector<Token> out;
  std::size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '\'' || ((c == 'N' || c == 'n') && i + 1 < s.size() && s[i + 1] == '\'')) {
      if (c != '\'')
        ++i;
      Token t{Token::Kind::String, ""};
      for (++i; i < s.size(); ++i) {
        if (s[i] == '\'') {
          if (i + 1 < s.size() && s[i + 1] == '\'') {
            t.text += '\'';
            ++i;
          } else {
            break;
          }
        } else {
          t.text += s[i];
        }
      }
      ++i;
      out.push_back(std::move(t));
    } else if (c == '[') {
      std::size_t end = s.find(']', i);
      if (end == std::string_view::npos)
        end = s.size();
      out.push_back({Token::Kind::Word, std::string(s.substr(i + 1, end - i - 1))});
      i = end + 1;
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               (c == '-' && i + 1 < s.size() &&
                std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      std::size_t end = i + 1;
      while (end < s.size() && std::isdigit(static_cast<unsigned char>(s[end])))
        ++end;
      out.push_back({Token::Kind::Number, std::string(s.substr(i, end - i))});
      i = end;
    } else if (isWordChar(c)) {
      std::size_t end = i;
      while (end < s.size() && (isWordChar(s[end]) || s[end] == '.'))
        ++end;
      out.push_back({Token::Kind::Word, std::string(s.substr(i, end - i))});
      i = end;
    } else {
      out.push_back({Token::Kind::Symbol, std::string(1, c)});
      ++i;
    }
  }
  return out;
}

std::string collapseSpaces(std::string_view statement) {
  std::string out;
  bool space = false;
  for (char c : statement) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      space = true;
      continue;
    }
    if (space && !out.empty())
      out += ' ';
    space = false;
    out += c;
  }
  return out;
}

}  // namespace fd::tds
