#pragma once
// What the parameters windows' edits accept. A key filter alone lets a paste
// through; the same cleaning applies to both, so a pasted text becomes what
// typing it would have given.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

enum class FieldKind {
  Digits,     // 0-9
  HexDigits,  // 0-9, A-F in either case (kept as typed)
  Decimal,    // 0-9 and one point: a second point is dropped
};

// `text` with every character the field refuses dropped, cut to `maxLength`
// characters (0: no limit). Multi-byte characters are refused whole.
std::string CleanFieldText(std::string_view text, FieldKind kind, size_t maxLength = 0);

// The number a field holds; nothing for an empty field, "-", "." or any text
// that is not a whole number, so such a field is never a conversion error.
std::optional<double> FieldNumber(std::string_view text);
std::optional<int> FieldInteger(std::string_view text);

}  // namespace orvane
