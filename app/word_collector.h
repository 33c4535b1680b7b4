#pragma once
// WordCollector: reads texts in large blocks and cuts them into words on worker threads.
//
// The calling thread reads each block, ends the text at its first 0x1A byte, and cuts the
// block after its last CR or LF byte; the bytes after that cut begin the next block. So no
// line is ever split between two blocks (a line longer than a block makes its block grow
// until the line ends), and as every line stands alone (see WordCutter) the words do not
// depend on the block size or on which worker cuts which block. Each worker adds its words
// to a table of its own; Finish joins the tables. Memory: a few blocks, the tables.
//
// Works the same on any readable input: a regular file, a pipe, a FIFO, a device.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/word_cutter.h"
#include "app/word_table.h"

namespace quillet {

class TTextReader;

class WordCollector {
 public:
  // `workers` threads (at least 1) cut blocks of `block_size` bytes (at least 1) with
  // `cutter`, which must outlive the collector.
  WordCollector(const WordCutter& cutter, unsigned workers, std::size_t block_size);

  // Reads the open `reader` up to its first 0x1A byte or its end and cuts what it read.
  // `after_block` runs on the calling thread after each block is handed on; an exception
  // from it ends the reading. Whatever ends the reading (a read failure, that exception, a
  // failure on a worker, std::bad_alloc anywhere) stops and joins the workers and passes on;
  // a worker's failure passes on as it was raised there (std::bad_alloc stays
  // std::bad_alloc). A thread that cannot be started is EOutOfMemory.
  void Collect(TTextReader& reader,
               const std::function<void(std::uint64_t bytes_read)>& after_block);

  // The words of every Collect so far, in one table; the collector is empty afterwards.
  // Throws std::bad_alloc (the tables are then lost).
  WordTable Finish();

 private:
  std::size_t BlockSizeFor(std::uint64_t file_size) const;

  const WordCutter& cutter_;
  unsigned workers_;
  std::size_t block_size_;
  std::vector<WordTable> tables_;  // one per worker, kept from one Collect to the next
};

}  // namespace quillet
