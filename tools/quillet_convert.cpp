// quillet-convert: the word-list conversion from the command line.
//
//   quillet-convert [--filter TEXT | --default-filter] [--min-length TEXT] [--upper]
//                   [--threads N] [--progress] INPUT OUTPUT
//   quillet-convert --version
//
// Every status text of the run goes to stdout, one per line, in order. Exit codes: 0 for a
// completed run; 1 for a run stopped by a name check (after its status line) or ended by
// an exception (its message and "." on stderr); 2 for a usage error (message on stderr);
// 130 for a run ended by SIGINT or SIGTERM (an existing output stays as it was).
// --progress draws a progress bar on stderr while the input is read and the words are
// sorted, only when stderr is a terminal. The code page and the collation come from the
// environment (LC_ALL, LC_CTYPE, LC_COLLATE, LANG).

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/conversion.h"
#include "runtime/version.h"
#include "runtime/exceptions.h"

namespace quillet {
namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

constexpr const char* kUsage =
    "usage: quillet-convert [--filter TEXT | --default-filter] [--min-length TEXT] [--upper]\n"
    "                       [--threads N] [--progress] INPUT OUTPUT\n"
    "\n"
    "Turns the text file INPUT into the word list OUTPUT: filter bytes become blanks, each\n"
    "line is trimmed, folded to lowercase (uppercase with --upper) and cut at blanks; words\n"
    "longer than the minimum length are sorted and written once each, one per line.\n"
    "\n"
    "  --filter TEXT      the bytes to turn into blanks (default: none)\n"
    "  --default-filter   use the default filter 1234567890~!@#$%^&*()|\\=-`;:\"><,./?{}[]+\n"
    "  --min-length TEXT  keep words longer than this number (default: 3)\n"
    "  --upper            fold to uppercase instead of lowercase\n"
    "  --threads N        cut the input on N threads (default: one per core)\n"
    "  --progress         show a progress bar on stderr when it is a terminal\n"
    "  --help             show this text\n"
    "  --version          show the version\n"
    "\n"
    "Status texts go to stdout. Exit status: 0 done, 1 failed, 2 usage error, 130 interrupted.\n";

struct Options {
  ConversionOptions conversion;
  bool progress = false;
  bool help = false;
};

// A thread count: decimal digits only, 1 or more; 0 when the text is none.
unsigned ParseThreads(std::string_view text) {
  if (text.empty() || text.size() > 4) return 0;
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value;
}

// Parses the arguments; returns the usage error message, or nothing when they are valid.
std::optional<std::string> ParseArguments(int argc, char** argv, Options& options) {
  std::vector<std::string> names;
  bool filter_given = false;
  bool default_given = false;
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (options_ended || arg.empty() || arg[0] != '-' || arg == "-") {
      names.emplace_back(arg);
    } else if (arg == "--") {
      options_ended = true;
    } else if (arg == "--help") {
      options.help = true;
    } else if (arg == "--upper") {
      options.conversion.upper_case = true;
    } else if (arg == "--progress") {
      options.progress = true;
    } else if (arg == "--default-filter") {
      default_given = true;
      options.conversion.filter_text = std::string(kDefaultFilterText);
    } else if (arg == "--filter" || arg == "--min-length" || arg == "--threads") {
      if (i + 1 >= argc) return "option " + std::string(arg) + " needs a value";
      const std::string value = argv[++i];
      if (arg == "--filter") {
        filter_given = true;
        options.conversion.filter_text = value;
      } else if (arg == "--min-length") {
        options.conversion.min_length_text = value;
      } else if ((options.conversion.threads = ParseThreads(value)) == 0) {
        return "--threads needs a number from 1 to 9999, got '" + value + "'";
      }
    } else {
      return "unknown option " + std::string(arg);
    }
  }
  if (options.help) return std::nullopt;
  if (filter_given && default_given) return "--filter and --default-filter exclude each other";
  if (names.size() != 2) return "expected INPUT and OUTPUT, got " + std::to_string(names.size()) + " names";
  options.conversion.input_name = names[0];
  options.conversion.output_name = names[1];
  return std::nullopt;
}

// A one-line progress bar on stderr, redrawn in place; silent unless enabled.
class ProgressBar {
 public:
  explicit ProgressBar(bool enabled) : enabled_(enabled) {}

  void Draw(ProgressPhase phase, std::uint64_t done, std::uint64_t total) {
    if (!enabled_) return;
    constexpr int kWidth = 40;
    const int filled = total == 0 ? kWidth : static_cast<int>(done * kWidth / total);
    const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    if (filled == last_filled_ && phase == last_phase_ && shown_) return;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, '.');
    std::fprintf(stderr, "\r%-8s [%s] %3d%%", PhaseName(phase), bar.c_str(), percent);
    std::fflush(stderr);
    last_filled_ = filled;
    last_phase_ = phase;
    shown_ = true;
  }
  void Clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_ = false;
  }

 private:
  static const char* PhaseName(ProgressPhase phase) {
    switch (phase) {
      case ProgressPhase::kReading: return "reading";
      case ProgressPhase::kSorting: return "sorting";
      case ProgressPhase::kWriting: return "writing";
    }
    return "";
  }

  bool enabled_;
  bool shown_ = false;
  int last_filled_ = -1;
  ProgressPhase last_phase_ = ProgressPhase::kReading;
};

std::atomic<bool> interrupted{false};

void Interrupt(int) { interrupted = true; }

// SIGINT and SIGTERM end the run through its cancellation check, so that no temporary
// output file is left behind.
void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = Interrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

// Status lines to stdout, progress to the bar (reading and sorting only).
PlainConversionHost CommandLineHost(ProgressBar& bar) {
  PlainConversionHost host;
  host.on_status = [&bar](const std::string& text) {
    bar.Clear();
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
  };
  host.on_events = [](ConversionOptions&) { std::fflush(stdout); };
  host.on_progress = [&bar](ProgressPhase phase, std::uint64_t done, std::uint64_t total) {
    if (phase != ProgressPhase::kWriting) bar.Draw(phase, done, total);
  };
  host.cancel = &interrupted;
  return host;
}

int Convert(const Options& options) {
  ProgressBar bar(options.progress && isatty(STDERR_FILENO) == 1);
  CatchInterrupts();
  try {
    PlainConversionHost host = CommandLineHost(bar);
    TWordListConversion conversion;
    const std::int64_t written = conversion.Run(options.conversion, host);
    bar.Clear();
    std::fflush(stdout);
    if (written == kCancelled) return kExitInterrupted;
    return written == kStoppedByNameCheck ? kExitFailed : kExitDone;
  } catch (...) {
    const std::string message = MessageOfCurrentException();
    bar.Clear();
    std::fflush(stdout);
    std::fprintf(stderr, "%s.\n", message.c_str());
    return kExitFailed;
  }
}

}  // namespace
}  // namespace quillet

int main(int argc, char** argv) {
  if (quillet::PrintVersionIfAsked(argc, argv, "quillet-convert")) return quillet::kExitDone;
  quillet::Options options;
  if (const auto error = quillet::ParseArguments(argc, argv, options)) {
    std::fprintf(stderr, "quillet-convert: %s\n%s", error->c_str(), quillet::kUsage);
    return quillet::kExitUsage;
  }
  if (options.help) {
    std::fputs(quillet::kUsage, stdout);
    return quillet::kExitDone;
  }
  return quillet::Convert(options);
}
