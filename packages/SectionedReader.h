#pragma once

#include <string>
#include <utility>
#include <vector>

namespace fd {

class Clock;
class Desktop;
class FileSystem;

// A two-column table of key/value pairs read from a sectioned key=value file. Entries are
// numbered from 1; column 1 is the section, a dot and the key, column 2 the value.
struct KeyTable {
  std::vector<std::pair<std::string, std::string>> entries;

  int count() const { return static_cast<int>(entries.size()); }
  const std::string& key(int entry) const { return entries.at(entry - 1).first; }
  const std::string& value(int entry) const { return entries.at(entry - 1).second; }
};

// Reads a file of section lines and key=value lines into mDatos: one entry per key line, its key
// the current section, a dot and the key. A file that cannot be opened is tried six times, ten
// seconds apart, then reported in a message box (false, mDatos empty; the box's text also in
// shown when given). A line that is neither a section nor holds "=" stops the reading with an
// AppError from source "Leer"; the entries above it stay.
bool Leer(const std::string& fileName, KeyTable& mDatos, const FileSystem& fs, Clock& clock,
          Desktop& desktop, std::string* shown = nullptr);

// The index of the first entry at or after start (0: the first entry) whose key equals the
// given key without regard to letter case, or -1.
int BuscarClave(const KeyTable& table, const std::string& key, int start);

}  // namespace fd
