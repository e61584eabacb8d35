#pragma once

#include <string>

namespace fd {

class Desktop;
class FileSystem;
class Registry;
class UpdateLog;

// What the user is told when no query tool is found.
inline constexpr const char* kQueryToolNotFoundMessage =
    "No es posible ejecutar los scripts porque no se encontró el archivo osql.exe en la carpeta "
    "de Microsoft SQL";

// Finds the query tool (isqlw.exe or osql.exe) below the folders that SQL Server's setup keys
// name under HKEY_LOCAL_MACHINE, trying each key's folder and then its parents. mISQL is left
// holding the last path tried. When none exists, the log says so and a message box tells the
// user; the result is then false.
bool ConseguirPathISQL(std::string& mISQL, Registry& registry, const FileSystem& fs, UpdateLog& log,
                       Desktop& desktop);

}  // namespace fd
