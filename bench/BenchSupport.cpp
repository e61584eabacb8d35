#include "BenchSupport.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

namespace fd::bench {

namespace {
std::vector<Figure>& registry() {
  static std::vector<Figure> all;
  return all;
}
}  // namespace

void addFigure(Figure figure) {
  registry().push_back(std::move(figure));
}

const std::vector<Figure>& figures() {
  return registry();
}

void writeFiles(const std::filesystem::path& folder, const std::string& prefix,
                const std::string& extension, int count, std::size_t size) {
  std::filesystem::create_directories(folder);
  std::mt19937_64 random(static_cast<std::uint64_t>(count) * 7919 + size);
  std::string bytes(size, '\0');
  for (int i = 0; i < count; ++i) {
    for (std::size_t at = 0; at + 8 <= size; at += 8) {
      const std::uint64_t word = random();
      for (int b = 0; b < 8; ++b)
        bytes[at + b] = static_cast<char>(word >> (8 * b));
    }
    char number[16];
    std::snprintf(number, sizeof number, "%05d", i);
    std::ofstream out(folder / (prefix + number + extension), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
      throw std::runtime_error("cannot write under " + folder.string());
  }
}

void runCommand(const std::string& commandLine) {
  const int status = std::system(commandLine.c_str());
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("failed: " + commandLine);
}

double processorSeconds(bool children) {
  rusage usage{};
  getrusage(children ? RUSAGE_CHILDREN : RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void flushDisk() {
  ::sync();
}

}  // namespace fd::bench
