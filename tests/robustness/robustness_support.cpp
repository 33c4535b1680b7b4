#include "tests/robustness/robustness_support.h"

#include <dirent.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quillet::robustness {

const char* const kSmallInput =
    "the quick brown fox\r\n"
    "The Lazy dog, the QUICK cat\r\n"
    "a dog and a fox\rbrown BROWN brown\n";
const char* const kSmallOutput =
    "and\r\nbrown\r\ncat\r\ndog\r\ndog,\r\nfox\r\nlazy\r\nquick\r\nthe\r\n";
const char* const kOldOutput = "an older word list\r\nkept as it was\r\n";

ScratchFolder::ScratchFolder() {
  char pattern[] = "/tmp/quillet-robust-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::set<std::string> ScratchFolder::Entries() const {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

void ScratchFolder::RemoveAllBut(const std::set<std::string>& keep) const {
  for (const std::string& name : Entries()) {
    if (keep.count(name) == 0) std::filesystem::remove_all(Path(name));
  }
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

int OpenDescriptorCount() {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  int count = 0;
  while (readdir(dir) != nullptr) ++count;
  closedir(dir);
  return count;  // the same "." and ".." and the directory's own descriptor every time
}

}  // namespace quillet::robustness
