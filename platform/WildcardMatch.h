#pragma once

#include <string>

namespace fd {

// Whether a name matches a Windows wildcard pattern ("*" any run, "?" one character) without
// regard to letter case; a pattern ending in ".*" also matches names without an extension.
bool matchesWildcard(const std::string& name, const std::string& pattern);

}  // namespace fd
