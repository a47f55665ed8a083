// What the text forms of values need besides the values themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/bytes.h"
#include "base/collation_table.h"

namespace rowmender {

class LongValueReader;

enum class ValueForm : std::uint8_t {
  // The record grid and the CSV export of the page on screen: placeholders
  // for long binary values, FLOAT and DOUBLE with six decimals, temporal
  // values without fractions.
  kPreview,
  // Texts that keep the value: all bytes, shortest round-trip floating
  // point, fractional seconds, four-digit years.
  kSave,
};

struct ValueOptions {
  ValueOptions() = default;
  ValueOptions(ValueForm valueForm, const CollationTable* collationTable)
      : form(valueForm), collations(collationTable) {}

  ValueForm form = ValueForm::kPreview;
  // Tells the character set of a column's collation number. Without it (or
  // for a number it does not list) text is taken as UTF-8 when it is valid
  // UTF-8 holding a multi-byte sequence, else as Windows-1252.
  const CollationTable* collations = nullptr;
  // Save forms: where the whole value of an off-page field goes; returns
  // the text that stands for it in the row (the path of the file it was
  // written to, or "" when it could not be written). Without it the value
  // is read and written out in full.
  std::function<std::string(ByteView local, const LongValueReader& reader)> longValueSink;

  bool SaveForms() const { return form == ValueForm::kSave; }
};

}  // namespace rowmender
