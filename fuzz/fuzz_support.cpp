#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

namespace quillet::fuzz {
namespace {

constexpr char kFolderPrefix[] = "quillet-fuzz-";

// The fuzzer often ends without running exit handlers (time limit, crash), so a folder
// is named after its process and the folders of processes that are gone are removed here.
void RemoveFoldersOfEndedProcesses(const std::filesystem::path& base) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(base, error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(kFolderPrefix, 0) != 0) continue;
    const std::string pid = name.substr(sizeof kFolderPrefix - 1);
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    if (!std::filesystem::exists("/proc/" + pid, error)) std::filesystem::remove_all(entry.path(), error);
  }
}

std::string MakeScratchFolder() {
  struct stat st {};
  const std::string base = ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
  RemoveFoldersOfEndedProcesses(base);
  const std::string folder = base + "/" + kFolderPrefix + std::to_string(::getpid());
  std::error_code error;
  std::filesystem::remove_all(folder, error);  // left by an ended process with the same id
  Check(::mkdir(folder.c_str(), 0700) == 0, "mkdir of the scratch folder");
  return folder;
}

void RemoveScratchFolder();

// Never destroyed: the exit handler that removes the folder still needs its name.
const std::string& Folder() {
  static const std::string* const folder = [] {
    auto* made = new std::string(MakeScratchFolder());
    std::atexit(RemoveScratchFolder);
    return made;
  }();
  return *folder;
}

void RemoveScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(Folder(), ignored);
}

}  // namespace

const std::string& ScratchFolder() { return Folder(); }

std::string ReadWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  Check(fd >= 0, "open a file to read it back");
  std::string bytes;
  char block[65536];
  for (;;) {
    const ssize_t n = ::read(fd, block, sizeof block);
    Check(n >= 0, "read a file back");
    if (n == 0) break;
    bytes.append(block, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return bytes;
}

void UseFixedLocale() {
  ::setenv("LC_ALL", "en_US.UTF-8", 1);
}

}  // namespace quillet::fuzz
