#include "platform/OdbcConnectionText.h"

#include "platform/AppError.h"
#include "platform/Database.h"
#include "platform/Text.h"

namespace fd {

namespace {

// A checked value, braced where spaces at its ends or emptiness would be lost otherwise.
std::string keyValue(const char* key, const std::string& value) {
  const std::string fault = odbcValueFault(value);
  if (!fault.empty()) {
    throw AppError(err::kDbFailure, "Microsoft OLE DB Provider for SQL Server",
                   std::string("La conexión no admite el valor de ") + key + ": " + fault + ".");
  }
  std::string text = key;
  text += '=';
  const bool brace = value.empty() || value.find(' ') != std::string::npos;
  if (brace)
    text += '{';
  text += value;
  if (brace)
    text += '}';
  text += ';';
  return text;
}

}  // namespace

std::string odbcValueFault(std::string_view value) {
  for (char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == 0)
      return "contiene un carácter nulo";
    if (byte < 0x20 || byte == 0x7F)
      return "contiene un carácter de control";
    if (c == '{' || c == '}' || c == ';' || c == '=')
      return std::string("contiene \"") + c + "\"";
  }
  return "";
}

std::string odbcConnectionString(const std::string& driver, const OdbcLogin& login) {
  std::string server = trimSpaces(login.dataSource);
  // FreeTDS needs a host and a port; the system's own driver resolves the local names itself
  // (shared memory, a default instance on another port, a named instance).
  if (equalsNoCase(driver, "FreeTDS")) {
    std::string rest;
    const std::size_t cut = server.find_first_of(",\\");
    if (cut != std::string::npos) {
      rest = server.substr(cut);
      server = trimSpaces(server.substr(0, cut));
    }
    const std::string lower = toLower(server);
    if (lower == "(local)" || lower == "." || lower == "localhost") {
      server = "127.0.0.1";
      if (rest.empty())
        rest = ",1433";
    }
    server += rest;
  }
  // The driver is braced: names such as "SQL Server" hold spaces. It is ours, not outside text,
  // but goes through the same check. Built by appending: "..." + a string trips a false
  // -Wrestrict of GCC 12 at -O3.
  std::string text = "Driver={";
  text += driver;
  text += "};";
  if (driver.empty() || !odbcValueFault(driver).empty()) {
    throw AppError(err::kDbFailure, "Microsoft OLE DB Provider for SQL Server",
                   "No se encuentra el controlador ODBC.");
  }
  text += keyValue("Server", server);
  text += keyValue("Database", login.database);
  text += keyValue("UID", login.user);
  text += keyValue("PWD", login.password);
  return text;
}

std::string freeTdsConnectionString(const OdbcLogin& login) {
  // An explicit protocol version: with the default, a login that times out falls back to
  // TDS 5.0, whose clean-up after a second time-out never ends.
  return odbcConnectionString("FreeTDS", login) + "TDS_Version=7.4;ClientCharset=UTF-8;";
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
