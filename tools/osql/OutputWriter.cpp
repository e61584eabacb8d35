#include "OutputWriter.h"

#include "platform/AnsiCodec.h"

namespace fd::osql {

namespace {

std::string padded(const std::string& text, int width, bool right) {
  // Widths count characters, and the text is UTF-8 until it is written.
  int characters = 0;
  for (char c : text)
    characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  std::string pad(width > characters ? static_cast<std::size_t>(width - characters) : 0, ' ');
  return right ? pad + text : text + pad;
}

}  // namespace

void OutputWriter::prompts(int count) {
  for (int i = 1; i <= count; ++i)
    out_ << i << "> ";
  if (count > 0)
    lineOpen_ = true;
}

void OutputWriter::line(const std::string& text) {
  out_ << utf8ToAnsi(text) << "\r\n";
  lineOpen_ = false;
}

void OutputWriter::message(const odbc::Diagnostic& d, const std::string& fallbackServer) {
  bool serverError = d.nativeError != 0 && d.sqlState.rfind("01", 0) != 0;
  if (serverError) {
    int level = d.severity > 0 ? d.severity : 16;
    std::string server = d.server.empty() ? fallbackServer : d.server;
    line("Msg " + std::to_string(d.nativeError) + ", Level " + std::to_string(level) +
         ", State 1, Server " + server + ", Line " + std::to_string(d.line > 0 ? d.line : 1));
  }
  line(d.text);
}

void OutputWriter::resultSet(const std::vector<std::string>& names, const std::vector<int>& widths,
                             const std::vector<bool>& numeric,
                             const std::vector<std::vector<std::string>>& rows) {
  std::string header;
  std::string dashes;
  for (std::size_t c = 0; c < names.size(); ++c) {
    header += " " + padded(names[c], widths[c], false);
    dashes += " " + std::string(static_cast<std::size_t>(widths[c]), '-');
  }
  line(header);
  line(dashes);
  for (const auto& row : rows) {
    std::string text;
    for (std::size_t c = 0; c < row.size(); ++c)
      text += " " + padded(row[c], widths[c], numeric[c]);
    line(text);
  }
  line("");
  rowsAffected(static_cast<long long>(rows.size()));
}

void OutputWriter::rowsAffected(long long count) {
  line(count == 1 ? "(1 row affected)" : "(" + std::to_string(count) + " rows affected)");
}

void OutputWriter::finish() {
  if (lineOpen_) {
    out_ << "\r\n";
    lineOpen_ = false;
  }
  out_.flush();
}

}  // namespace fd::osql
