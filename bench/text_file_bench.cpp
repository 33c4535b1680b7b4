// Throughput of the text-file layer: reading lines of a 64 MB file and writing them back.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "runtime/text_file.h"

namespace quillet {
namespace {

constexpr std::size_t kFileBytes = 64u << 20;

// A file of lines of 1 to 80 bytes ending in CR LF, made once per process and removed at exit.
struct Sample {
  Sample() {
    path = (std::filesystem::temp_directory_path() /
            ("quillet-bench-" + std::to_string(::getpid()) + ".txt")).string();
    TTextWriter writer;
    writer.Create(path);
    std::string line;
    for (std::size_t written = 0, n = 0; written < kFileBytes; ++n) {
      line.assign(1 + (n * 37) % 80, static_cast<char>('a' + n % 26));
      writer.WriteLine(line);
      written += line.size() + 2;
    }
    writer.Close();
  }
  ~Sample() { std::remove(path.c_str()); }
  std::string path;
};

const std::string& SampleFile() {
  static const Sample sample;
  return sample.path;
}

void BM_ReadLines(benchmark::State& state) {
  const std::string& path = SampleFile();
  std::uint64_t bytes = 0;
  for (auto _ : state) {
    TTextReader reader;
    reader.Open(path);
    std::string line;
    std::size_t lines = 0;
    while (!reader.Eof()) {
      reader.ReadLine(line);
      ++lines;
    }
    bytes += reader.BytesConsumed();
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_ReadLines)->Unit(benchmark::kMillisecond);

void BM_WriteLines(benchmark::State& state) {
  const std::string path = SampleFile() + ".out";
  const std::string line(static_cast<std::size_t>(state.range(0)), 'w');
  const std::size_t count = kFileBytes / (line.size() + 2);
  for (auto _ : state) {
    TTextWriter writer;
    writer.Create(path);
    for (std::size_t i = 0; i < count; ++i) writer.WriteLine(line);
    writer.Close();
  }
  std::remove(path.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * count * (line.size() + 2)));
}
BENCHMARK(BM_WriteLines)->Arg(8)->Arg(40)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillet

BENCHMARK_MAIN();
