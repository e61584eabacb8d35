#include "platform/OdbcConnectionText.h"

#include <cstdlib>

#include "platform/AppError.h"
#include "platform/Database.h"
#include "platform/Text.h"

namespace fd {

namespace {

bool isFreeTds(std::string_view driver) {
  return equalsNoCase(std::string(driver), "FreeTDS");
}

// A checked value, braced, its "}" doubled (only the system's driver lets one pass).
std::string keyValue(const char* key, const std::string& value, const std::string& driver) {
  const std::string fault = odbcValueFault(value, driver);
  if (!fault.empty()) {
    throw AppError(err::kDbFailure, "Microsoft OLE DB Provider for SQL Server",
                   std::string("La conexión no admite el valor de ") + key + ": " + fault + ".");
  }
  std::string text = key;
  text += "={";
  text += replaceAll(value, "}", "}}");
  text += "};";
  return text;
}

}  // namespace

std::string sqlServerDriver() {
#ifdef _WIN32
  const char* driver = std::getenv("FD_ODBC_DRIVER");
  return driver == nullptr || *driver == '\0' ? "SQL Server" : driver;
#else
  return "FreeTDS";
#endif
}

std::string odbcValueFault(std::string_view value, std::string_view driver) {
  for (char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == 0)
      return "contiene un carácter nulo";
    if (byte < 0x20 || byte == 0x7F)
      return "contiene un carácter de control";
    if (c == '}' && isFreeTds(driver))
      return "contiene \"}\"";
  }
  if (isFreeTds(driver) && !latin1FromUtf8(value))
    return "contiene un carácter que la conexión no admite";
  return "";
}

std::optional<std::string> latin1FromUtf8(std::string_view utf8) {
  std::string text;
  for (std::size_t at = 0; at < utf8.size(); ++at) {
    const auto byte = static_cast<unsigned char>(utf8[at]);
    if (byte < 0x80) {
      text += static_cast<char>(byte);
      continue;
    }
    // U+0080 to U+00FF are the two-byte forms led by C2 and C3.
    if ((byte != 0xC2 && byte != 0xC3) || at + 1 == utf8.size())
      return std::nullopt;
    const auto next = static_cast<unsigned char>(utf8[++at]);
    if ((next & 0xC0) != 0x80)
      return std::nullopt;
    text += static_cast<char>(((byte & 0x03) << 6) | (next & 0x3F));
  }
  return text;
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
  if (driver.empty() || driver.find_first_of("{}") != std::string::npos ||
      !odbcValueFault(driver, driver).empty()) {
    throw AppError(err::kDbFailure, "Microsoft OLE DB Provider for SQL Server",
                   "No se encuentra el controlador ODBC.");
  }
  text += keyValue("Server", server, driver);
  text += keyValue("Database", login.database, driver);
  text += keyValue("UID", login.user, driver);
  text += keyValue("PWD", login.password, driver);
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
