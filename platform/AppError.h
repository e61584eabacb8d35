#pragma once

#include <stdexcept>
#include <string>

namespace fd {

// Error numbers of the platform the updater was written for; the stages compare against them.
namespace err {
constexpr int kInvalidCall = 5;
constexpr int kOverflow = 6;
constexpr int kFileNotFound = 53;
constexpr int kFileExists = 58;
constexpr int kDiskFull = 61;
constexpr int kPermissionDenied = 70;
constexpr int kPathFileAccess = 75;
constexpr int kPathNotFound = 76;
}  // namespace err

// A failure as the updater reports it: number, source and description, thrown as one type and
// caught by the traps that decide what the user is told.
class AppError : public std::runtime_error {
 public:
  AppError(int number, std::string source, std::string description);

  int number() const { return number_; }
  const std::string& source() const { return source_; }
  const std::string& description() const { return description_; }

 private:
  int number_;
  std::string source_;
  std::string description_;
};

// The platform's own Spanish text for one of the numbers above ("" for an unknown number).
std::string standardDescription(int number);

// An error with the platform's own description for its number.
AppError platformError(int number, std::string source);

}  // namespace fd
