// What the bulk formatters share: a cell resolved to the value it stands
// for (an off-page value read whole), and the texts of numbers and times
// that every lossless output writes alike.
#pragma once

#include <string>
#include <string_view>

#include "values/cell.h"
#include "values/column_format.h"
#include "values/export_formats.h"

namespace rowmender {

// The kinds a cell resolves to.
enum class ResolvedKind : std::uint8_t {
  kNull,             // NULL, or no value could be read
  kNumber,           // `text`: digits, written without quotes
  kText,             // `text`: UTF-8
  kBytes,            // `bytes`: binary string or spatial value
  kBits,             // `bits` of `bitCount` bits
  kUnconvertedText,  // `bytes`: text that does not convert from its character set
  kStoredText,       // `bytes`: text as stored, in its column's character set
};

struct ResolvedValue {
  ResolvedKind kind = ResolvedKind::kNull;
  bool missing = false;  // no value could be read (as opposed to NULL)
  std::string_view text;
  ByteView bytes;
  std::uint64_t bits = 0;
  std::uint32_t bitCount = 0;
};

// How a text column's value comes out.
enum class TextOutput : std::uint8_t {
  kUtf8,         // converted to UTF-8 (kUnconvertedText where it does not convert)
  kStoredBytes,  // as stored, in the column's own character set (kStoredText)
};

// How the text of a number or a date and time goes into an output: numbers
// bare, dates and times as texts (quoted where the output quotes texts).
// Other kinds of cell have no plain text and go through ResolveCell.
enum class PlainText : std::uint8_t { kNone, kNumber, kTemporal };

constexpr PlainText PlainTextOf(CellKind kind) {
  switch (kind) {
    case CellKind::kSigned:
    case CellKind::kUnsigned:
    case CellKind::kYear:
    case CellKind::kFloat:
    case CellKind::kDouble:
    case CellKind::kDecimal:
      return PlainText::kNumber;
    case CellKind::kDate:
    case CellKind::kTime:
    case CellKind::kDateTime:
    case CellKind::kTimestamp:
      return PlainText::kTemporal;
    default:
      return PlainText::kNone;
  }
}

// Appends the plain text of a cell PlainTextOf gives one for, written
// straight into the output. False, with `out` as it was, for a value no
// output can hold (a damaged DECIMAL, a FLOAT that is not a number): then
// ResolveCell resolves the cell and counts the loss.
bool AppendPlainText(std::string& out, const Cell& cell, const ColumnFormat& format);

// The same text written at `p`, which has room for kLongestPlainText
// characters: the end of what was written, or null where AppendPlainText
// gives false.
inline constexpr std::size_t kLongestPlainText = 192;
char* PutPlainText(char* p, const Cell& cell, const ColumnFormat& format);

// Resolves `cell`, writing texts into scratch.text (emptied first) and
// off-page values into scratch.longValue; the result views them.
ResolvedValue ResolveCell(const Cell& cell, const ColumnFormat& format,
                          const LongValueReader* longValues, FormatScratch& scratch,
                          TextOutput textOutput = TextOutput::kUtf8);

}  // namespace rowmender
