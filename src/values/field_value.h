// The text of one stored value in one call: decodes the bytes into a cell
// and formats it. The readers decode whole rows into cells instead and
// format them with the formatters; these calls serve single values (the
// tests of each type, the fuzz targets, tools).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/bytes.h"
#include "base/text_codec.h"
#include "definitions/table_definition.h"
#include "values/cell.h"
#include "values/column_format.h"
#include "values/decimal_values.h"
#include "values/enum_set_bit_values.h"
#include "values/image_values.h"
#include "values/numeric_values.h"
#include "values/spatial_values.h"
#include "values/temporal_values.h"
#include "values/text_values.h"
#include "values/value_options.h"
#include "values/value_texts.h"

namespace rowmender {

// FLOAT and DOUBLE: "%f" in the preview, the shortest text that reads back
// to the same value in save forms.
std::string FormatFloatValue(float value, ValueForm form);
std::string FormatDoubleValue(double value, ValueForm form);

// CHAR, VARCHAR (type codes 15, 253, 254) from the value's bytes (no length
// prefix), and BLOB and TEXT (type codes 249 to 252) from the data bytes.
std::string FormatStringValue(const ColumnDefinition& column, ByteView bytes,
                              const ValueOptions& options);
std::string FormatBlobValue(const ColumnDefinition& column, ByteView bytes,
                            const ValueOptions& options);

// GEOMETRY: kSpatialPlaceholder in the preview, the save text otherwise.
std::string FormatGeometryValue(ByteView bytes, const ValueOptions& options);

// The text of one value, in MyISAM byte order (see DecodeImageValue).
std::string FormatColumnValue(const ColumnDefinition& column, ByteView bytes,
                              const ValueOptions& options);

// "NULL" when the column's null flag is set, else `text` unchanged.
std::string ApplyNullFlag(const ColumnDefinition& column, std::string text, ByteView nullFlags,
                          std::uint32_t nullPosition, std::uint8_t nullBit);

}  // namespace rowmender
