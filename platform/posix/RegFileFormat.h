#pragma once

#include <string>

#include "platform/posix/RegKeyTree.h"

namespace fd {

// The registry export format ("Windows Registry Editor Version 5.00", or "REGEDIT4"): keys in
// brackets under the hive's full name, "name"="text", dword:, hex:, hex(N): values, @ for the
// default value, hex lists running on over lines that end with "\".

// The keys and values of a file's bytes: UTF-8 (a byte-order mark is skipped) or UTF-16LE after
// its byte-order mark, as regedit writes it. hex(1), hex(2) and hex(7) data are UTF-16LE text
// (ANSI under REGEDIT4). Lines that do not read as a key or a value are passed over.
RegFileTree parseRegFile(const std::string& bytes);

// The file's text for a tree: UTF-8 with CR LF line ends, hex lists wrapped as regedit wraps them.
// The format keeps no class names.
std::string renderRegFile(const RegFileTree& tree);

}  // namespace fd
