#pragma once
// Helpers shared by the allocation-failure and I/O-failure tests: a window made of plain
// fields, a scratch folder with an input file and an older output file, and the checks that
// a failed run left nothing behind.

#include <set>
#include <string>

#include "app/conversion.h"

namespace quillet::robustness {

// The conversion's window as plain values; status texts are collected.
class FieldsWindow final : public ConversionWindow {
 public:
  std::string input, output, filter, min_length = "2";
  bool upper = false;
  std::string last_status;

  std::string InputFileName() override { return input; }
  std::string OutputFileName() override { return output; }
  std::string FilterText() override { return filter; }
  void SetFilterText(const std::string& text) override { filter = text; }
  std::string MinLengthText() override { return min_length; }
  bool UpperCaseChecked() override { return upper; }
  void SetStatusText(const std::string& text) override { last_status = text; }
  void SetStartVisible(bool) override {}
  void ProcessPendingEvents() override {}
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
