// The Windows command-line splitter and its joiner.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/CommandLine.h"

using namespace fd;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> words = splitCommandLine(line);
  for (const std::string& word : words) {
    if (word.find('"') != std::string::npos) {
      fuzz::broken("a quote left in a word: " + word);
    }
  }
  // Words the splitter gives hold no quote, so joining them must give the same words back.
  if (splitCommandLine(joinCommandLine(words)) != words) {
    fuzz::broken("join does not split back: " + line);
  }
  return 0;
}
