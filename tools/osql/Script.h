#pragma once

#include <string>
#include <vector>

namespace fd::osql {

// One batch of a script: its input lines (the closing GO line counted, as the tool prompts for
// every line it reads) and the SQL text sent to the server.
struct Batch {
  int promptCount = 0;
  std::string text;  // lines joined with CR LF; empty when the batch holds only blank lines
};

// Splits script text at lines holding only GO (any case, spaces and tabs around it allowed).
// Lines end at CR LF, a lone CR or a lone LF. Lines after the last GO form a final batch.
std::vector<Batch> splitScript(const std::string& text);

}  // namespace fd::osql
