#pragma once
// The order in which a run writes its words.

#include <cstdint>
#include <vector>

namespace quillet {

class WordTable;

// The entry numbers of `table`, each once, ordered by the words' soString keys (the user's
// collation at secondary strength over the text decoded from the code page: LocaleSortKey,
// the comparison TmStrList makes for soString), and words with equal keys by their bytes
// (unsigned, a prefix first). Each word's key is made once; the keys are spread over
// `threads` threads (at least 1), each with a collator of its own.
// Throws std::bad_alloc or EOutOfMemory (also for a thread that cannot be started).
std::vector<std::uint32_t> WriteOrder(const WordTable& table, unsigned threads);

}  // namespace quillet
