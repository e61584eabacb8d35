#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "platform/odbc/Odbc.h"

namespace fd::osql {

// What osql writes, in Windows-1252 with CR LF line ends:
//
// - Before each batch's output, one prompt "N> " per input line of the batch (the closing GO
//   line included, numbered from 1 within the batch), all on the current line. The batch's
//   first output line follows them directly. A batch without output leaves its prompts on the
//   line, so the next batch's prompts follow them ("1> 2> 1> 2> Msg ..."). The open line is ended
//   before the file is closed.
// - A message of class 10 or below (PRINT, RAISERROR with a low severity, "Changed database
//   context ..."): its text on a line.
// - An error from the server: "Msg N, Level L, State S, Server X, Line N", then its text on the
//   next line. FreeTDS does not pass the message state through ODBC, so State is 1. Errors of the
//   driver itself (no message number) are their text only.
// - A result set: a header line, a line of dashes, one line per row, a blank line and
//   "(N rows affected)" ("(1 row affected)" for one row). Each column is preceded by one space
//   and padded to its width: the larger of the column's display size and its name's length
//   (text left-aligned, numbers right-aligned, trailing spaces kept; no wrapping). NULL is
//   written NULL.
// - A statement without a result set that reports a row count: "(N rows affected)".
class OutputWriter {
 public:
  explicit OutputWriter(std::ofstream& out) : out_(out) {}
  ~OutputWriter() { finish(); }

  void prompts(int count);
  void line(const std::string& text);
  void message(const odbc::Diagnostic& diagnostic, const std::string& fallbackServer);
  void resultSet(const std::vector<std::string>& names, const std::vector<int>& widths,
                 const std::vector<bool>& numeric,
                 const std::vector<std::vector<std::string>>& rows);
  void rowsAffected(long long count);
  void finish();

 private:
  std::ofstream& out_;
  bool lineOpen_ = false;
};

}  // namespace fd::osql
