#pragma once
// ForEachField: the one cut of a line into fields at a separator, shared by the grid's row
// and column writes, table files and pasted block text.

#include <string_view>

namespace quillet {

// Calls `field(piece)` for each field of `text` cut at every occurrence of `separator`,
// searched from the left: n occurrences give n + 1 fields, the last possibly empty; an
// empty separator gives the whole text as one field. Returns the number of fields.
template <class Field>
int ForEachField(std::string_view text, std::string_view separator, Field&& field) {
  int count = 1;
  if (!separator.empty()) {
    const bool one_byte = separator.size() == 1;  // a byte is found quicker than a text
    for (;;) {
      const std::size_t at = one_byte ? text.find(separator[0]) : text.find(separator);
      if (at == std::string_view::npos) break;
      field(text.substr(0, at));
      text.remove_prefix(at + separator.size());
      ++count;
    }
  }
  field(text);
  return count;
}

}  // namespace quillet
