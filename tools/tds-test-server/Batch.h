#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fd::tds {

struct Statement {
  std::string text;  // comments removed, line breaks and ";" trimmed at both ends
  int line = 1;      // line of the batch where the statement starts
};

// Splits a batch into statements: at ";" and at a line break followed by a line that starts
// with a statement keyword (SELECT, PRINT, RAISERROR, USE, SET, EXEC ...), never inside a string,
// a quoted name or a comment. A statement spread over lines whose later lines start with other
// words (FROM, WHERE, ORDER ...) stays whole.
std::vector<Statement> splitBatch(std::string_view batch);

struct Token {
  enum class Kind { Word, String, Number, Symbol };
  Kind kind = Kind::Word;
  std::string text;  // a string's value without quotes; a [name] without brackets
};

std::vector<Token> tokenize(std::string_view statement);

// Runs of white space made one space, both ends trimmed.
std::string collapseSpaces(std::string_view statement);

}  // namespace fd::tds
