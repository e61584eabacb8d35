#pragma once

namespace fd {

// Throws the file system's failure with the platform's number.
[[noreturn]] void failFile(int number);
// The platform's number for a failed system call whose path is known to be reachable.
[[noreturn]] void failFileWithErrno(int errnum);

}  // namespace fd
