#pragma once
// Helpers shared by the allocation-failure and I/O-failure tests: a run's settings with a
// plain host, a scratch folder with an input file and an older output file, and the checks
// that a failed run left nothing behind.

#include <set>
#include <string>

#include "app/conversion.h"

namespace quillet::robustness {

// The settings of one run (minimum length "2") and a host that keeps the last status text.
struct PlainRun {
  ConversionOptions options;
  std::string last_status;
  PlainConversionHost host;

  PlainRun() {
    options.min_length_text = "2";
    host.on_status = [this](const std::string& text) { last_status = text; };
  }
  PlainRun(const PlainRun&) = delete;
  PlainRun& operator=(const PlainRun&) = delete;
};

// A folder of its own under /tmp, removed with the object.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string Path(const std::string& name) const { return path_ + "/" + name; }
  // The names of the entries in the folder (temporary files included).
  std::set<std::string> Entries() const;
  // Removes every entry whose name is not in `keep`.
  void RemoveAllBut(const std::set<std::string>& keep) const;

 private:
  std::string path_;
};

// A small input: a few lines with duplicate words in mixed case, and the exact output the
// conversion writes for it with the minimum length "2", lowercase and no filter.
extern const char* const kSmallInput;
extern const char* const kSmallOutput;
// What the output file holds before a run; a failed run must leave it so.
extern const char* const kOldOutput;

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

// Number of open descriptors of this process.
int OpenDescriptorCount();

}  // namespace quillet::robustness
