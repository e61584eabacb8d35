// osql.exe -S server -d database -U login -P password -i script -o output [-n] [-l secs] [-t secs]
//
// The query tool the updater runs for SQL scripts: runs the script's batches over ODBC and
// writes what the server answers in osql's format (see OutputWriter.h). Exit code 1 when it
// cannot log in, cannot read its input, cannot write its output or loses the server, 0
// otherwise: errors inside the script do not change it. A login gives up after -l seconds (8
// unless given); a batch after -t seconds (never unless given: a maintenance script may rightly
// run for hours).

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "OutputWriter.h"
#include "Script.h"
#include "platform/AnsiCodec.h"
#include "platform/AppError.h"
#include "platform/CommandLine.h"
#include "platform/PathMapper.h"
#include "platform/odbc/Odbc.h"

namespace {

using fd::osql::OutputWriter;

// A Windows path as the updater passes it; a host path (starting with "/") is taken as it is.
std::filesystem::path hostPath(const std::string& path) {
  if (!path.empty() && path[0] == '/')
    return path;
  return fd::PathMapper::fromEnvironment().toHost(path);
}

// Options as "-X value" or "-Xvalue", in any order; nullopt-like empty map on a bad option.
bool parseOptions(const std::vector<std::string>& argv, std::map<char, std::string>& options) {
  const std::size_t argc = argv.size();
  for (std::size_t i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.size() < 2 || (arg[0] != '-' && arg[0] != '/'))
      return false;
    char key = arg[1];
    if (key == 'n' || key == 'E') {
      options[key] = "";
      continue;
    }
    if (std::string("SdUPiolt").find(key) == std::string::npos)
      return false;
    if (arg.size() > 2) {
      options[key] = arg.substr(2);
    } else if (i + 1 < argc) {
      options[key] = argv[++i];
    } else {
      return false;
    }
  }
  return true;
}

class Session {
 public:
  Session(OutputWriter& out, std::string serverText, int queryTimeout)
      : out_(out), serverText_(std::move(serverText)), queryTimeout_(queryTimeout) {}

  bool connect(const std::string& database, const std::string& user, const std::string& password,
               int loginTimeout) {
    std::string text;
    try {
      text = fd::odbc::sqlServerConnectionString({serverText_, database, user, password});
    } catch (const fd::AppError& e) {
      // Refused before anything is loaded or connected.
      out_.line(e.description());
      return false;
    }
    if (connection_.connect(text, loginTimeout)) {
      connection_.bypassManager();
      return true;
    }
    report(connection_.diagnostics());
    return false;
  }

  // Runs one batch; false when the server has gone, after which nothing more can run.
  bool run(const std::string& sql) {
    fd::odbc::Statement statement(connection_);
    if (!statement.allocated()) {
      report(statement.connectionDiagnostics());
      return !connection_.dead();
    }
    if (queryTimeout_ > 0)
      statement.setQueryTimeout(queryTimeout_);
    SQLRETURN rc = statement.execute(sql);
    // Messages after an error or a result set only arrive through SQLMoreResults, so it is
    // called until the driver says there is nothing more.
    while (rc != SQL_NO_DATA && rc != SQL_INVALID_HANDLE) {
      report(statement.diagnostics());
      if (fd::odbc::succeeded(rc))
        results(statement);
      // A lost connection fails every call from then on: asking for more would never end.
      if (rc == SQL_ERROR && connection_.dead())
        return false;
      rc = statement.moreResults();
    }
    report(statement.diagnostics());
    return true;
  }

 private:
  void report(const std::vector<fd::odbc::Diagnostic>& diagnostics) {
    for (const fd::odbc::Diagnostic& d : diagnostics)
      out_.message(d, serverText_);
  }

  void results(fd::odbc::Statement& statement) {
    const int columns = statement.columnCount();
    if (columns == 0) {
      if (std::optional<long long> count = statement.rowCount())
        out_.rowsAffected(*count);
      return;
    }
    std::vector<std::string> names;
    std::vector<int> widths;
    std::vector<bool> numeric;
    for (int c = 1; c <= columns; ++c) {
      SQLLEN display = statement.columnNumber(c, SQL_DESC_DISPLAY_SIZE);
      SQLLEN type = statement.columnNumber(c, SQL_DESC_CONCISE_TYPE);
      names.push_back(statement.columnLabel(c));
      // Very wide columns (MAX types) are laid out at the width of what they hold.
      widths.push_back(display > 0 && display <= 8000 ? static_cast<int>(display) : 0);
      numeric.push_back(type == SQL_INTEGER || type == SQL_SMALLINT || type == SQL_TINYINT ||
                        type == SQL_BIGINT || type == SQL_DECIMAL || type == SQL_NUMERIC ||
                        type == SQL_FLOAT || type == SQL_REAL || type == SQL_DOUBLE);
    }
    std::vector<std::vector<std::string>> rows;
    SQLRETURN rc;
    while ((rc = statement.fetch()) != SQL_NO_DATA) {
      if (!fd::odbc::succeeded(rc))
        break;
      std::vector<std::string> row;
      for (int c = 1; c <= columns; ++c) {
        std::optional<std::string> value;
        statement.text(c, value);
        row.push_back(value.value_or("NULL"));
      }
      rows.push_back(std::move(row));
    }
    for (std::size_t c = 0; c < names.size(); ++c) {
      int width = std::max<int>(widths[c], static_cast<int>(names[c].size()));
      if (widths[c] == 0) {
        for (const auto& row : rows)
          width = std::max<int>(width, static_cast<int>(row[c].size()));
      }
      widths[c] = width;
    }
    out_.resultSet(names, widths, numeric, rows);
  }

  OutputWriter& out_;
  std::string serverText_;
  int queryTimeout_;
  fd::odbc::Environment environment_;
  fd::odbc::Connection connection_{environment_};
};

// Seconds of -l or -t: a whole number from 0 on, else nullopt.
std::optional<int> seconds(const std::map<char, std::string>& options, char key, int fallback) {
  auto it = options.find(key);
  if (it == options.end())
    return fallback;
  const std::string& text = it->second;
  if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return std::stoi(text);
}

int runScript(std::map<char, std::string>& options, std::ofstream& file) {
  OutputWriter out(file);
  std::ifstream input(hostPath(options['i']), std::ios::binary);
  if (!options.count('i') || !input) {
    out.line("Cannot open input file - " + options['i']);
    return 1;
  }
  std::stringstream content;
  content << input.rdbuf();
  std::vector<fd::osql::Batch> batches = fd::osql::splitScript(fd::ansiToUtf8(content.str()));

  Session session(out, options['S'], *seconds(options, 't', 0));
  if (!session.connect(options['d'], options['U'], options['P'], *seconds(options, 'l', 8)))
    return 1;
  bool numbered = !options.count('n');
  for (const fd::osql::Batch& batch : batches) {
    if (numbered)
      out.prompts(batch.promptCount);
    // The server gone mid-script leaves the script partly run, which is a failure.
    if (!batch.text.empty() && !session.run(batch.text))
      return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit reached while writing the output is a write failure, reported below.
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  std::map<char, std::string> options;
  if (!parseOptions(fd::programArguments(argc, argv), options) || !options.count('o') ||
      !seconds(options, 'l', 8) || !seconds(options, 't', 0)) {
    std::cerr << "usage: osql.exe -S server -d database -U login -P password -i script -o output "
                 "[-l login-timeout] [-t query-timeout]\n";
    return 1;
  }
  std::ofstream file(hostPath(options['o']), std::ios::binary | std::ios::trunc);
  if (!file) {
    std::cerr << "osql: cannot write the output file " << options['o'] << "\n";
    return 1;
  }
  int code = runScript(options, file);
  file.close();
  if (file.fail()) {
    std::cerr << "osql: cannot write the output file " << options['o'] << "\n";
    return 1;
  }
  return code;
}
