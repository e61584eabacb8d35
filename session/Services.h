#pragma once

#include <string>

namespace fd {

class Clock;
class DatabaseProvider;
class Desktop;
class FileSystem;
class PathMapper;
class Processes;
class Registry;

// The platform services the window wires into its stages.
struct Services {
  FileSystem& fs;
  Processes& processes;
  Clock& clock;
  Desktop& desktop;
  DatabaseProvider& databases;
  const PathMapper& paths;
  Registry& registry;
  // The program's own folder as a Windows path (with or without a final "\").
  std::string programFolder;
  // The suite's root the start-up begins with (with its final "\"); a test's own folder where
  // the machine's C:\ must stay untouched.
  std::string suiteRoot = "C:\\Fendal\\";
};

}  // namespace fd
