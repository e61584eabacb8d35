#pragma once

#include <string>

#include "window/UpdaterState.h"

namespace fd {

class Clock;
class Desktop;
class FileSystem;

// Reads a file of section lines and key=value lines into mDatos: one entry per key line, its key
// the current section, a dot and the key. A file that cannot be opened is tried six times, ten
// seconds apart, then reported in a message box (false, mDatos empty). A line that is neither
// a section nor holds "=" stops the reading with an AppError from source "Leer"; the entries
// above it stay.
bool Leer(const std::string& fileName, KeyTable& mDatos, const FileSystem& fs, Clock& clock,
          Desktop& desktop);

}  // namespace fd
