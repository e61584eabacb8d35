#pragma once

#include <string>

namespace fd {

// A value of an ODBC connection string, braced when it holds characters the syntax uses.
std::string connectionStringValue(const std::string& value);

// A driver's message without the leading "[vendor][driver][SQL Server]" parts.
std::string withoutDriverPrefixes(std::string text);

}  // namespace fd
