#pragma once

#include <string>

namespace fd {

class FileSystem;
class UpdateLog;

// Reads the query tool's output file into the update log and returns its first error or message
// block: from the last line holding "ERROR" or "MENSAJE" (any case, not at the line's first
// character, and without "DBCC") up to the first blank line, the starting line as read and then
// every line trimmed, joined by CR LF; "" when there is none. A failure is thrown again with the
// source "LeerLog" and its number in the description.
std::string LeerLog(const std::string& salida, const FileSystem& fs, UpdateLog& log);

}  // namespace fd
