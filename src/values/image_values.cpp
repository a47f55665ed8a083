#include "values/image_values.h"

#include <cstring>

#include "definitions/column_types.h"
#include "values/decimal_values.h"
#include "values/enum_set_bit_values.h"
#include "values/numeric_values.h"
#include "values/temporal_values.h"

namespace rowmender {

std::size_t VarcharPrefixSize(const ColumnDefinition& column) {
  constexpr std::uint32_t kOneBytePrefixLimit = 256;
  return column.length < kOneBytePrefixLimit ? 1 : 2;
}

std::size_t FixedValueSize(const ColumnDefinition& column) {
  switch (column.typeCode) {
    case kTypeTiny:
    case kTypeYear:
      return 1;
    case kTypeShort:
      return 2;
    case kTypeInt24:
    case kTypeDate:
    case kTypeNewDate:
      return 3;
    case kTypeLong:
    case kTypeFloat:
      return 4;
    case kTypeLongLong:
    case kTypeDouble:
      return 8;
    case kTypeDecimalOld:
    case kTypeNewDecimal:
      return DecimalStorageSize(column.precision, column.scale);
    case kTypeTime:
      return IsHiresTemporal(column) ? HiresStorageSize(kTypeTime, TemporalDecimals(column)) : 3;
    case kTypeDatetime:
      return IsHiresTemporal(column) ? HiresStorageSize(kTypeDatetime, TemporalDecimals(column))
                                     : 8;
    case kTypeTimestamp:
      return IsHiresTemporal(column) ? HiresStorageSize(kTypeTimestamp, TemporalDecimals(column))
                                     : 4;
    case kTypeTime2:
    case kTypeDatetime2:
    case kTypeTimestamp2:
      return Temporal56StorageSize(column.typeCode, TemporalDecimals(column));
    case kTypeBit:
      return column.BitStoredAsChars() ? (column.length + 7) / 8 : column.length / 8;
    case kTypeEnum:
      return EnumStorageSize(column);
    case kTypeSet:
      return SetStorageSize(column);
    case kTypeVarchar:
      return VarcharPrefixSize(column) + column.length;
    case kTypeVarString:
    case kTypeString:
      return column.length;
    default:
      return 0;
  }
}

namespace {

void SetInteger(const ColumnDefinition& column, std::uint64_t bits, std::size_t width, Cell& cell) {
  if (column.IsSigned()) {
    cell.SetSigned(SignExtend(bits, width));
  } else {
    cell.SetUnsigned(CellKind::kUnsigned, LowBytes(bits, width));
  }
}

void SetTimestamp(const TimestampValue& value, Cell& cell) {
  cell.kind = CellKind::kTimestamp;
  cell.unsignedInteger = value.seconds;
  cell.time = TemporalParts{};
  cell.time.microsecond = value.microsecond;
}

}  // namespace

void DecodeImageValue(const ColumnFormat& format, ByteView bytes, Cell& cell) {
  const ColumnDefinition& column = format.Column();
  const int decimals = format.decimals;
  switch (column.typeCode) {
    case kTypeTiny:
      SetInteger(column, ByteAt(bytes, 0), 1, cell);
      return;
    case kTypeShort:
      SetInteger(column, Le16(bytes, 0), 2, cell);
      return;
    case kTypeInt24:
      SetInteger(column, Le24(bytes, 0), 3, cell);
      return;
    case kTypeLong:
      SetInteger(column, Le32(bytes, 0), 4, cell);
      return;
    case kTypeLongLong:
      SetInteger(column, Le64(bytes, 0), 8, cell);
      return;
    case kTypeFloat: {
      const std::uint32_t bits = Le32(bytes, 0);
      std::memcpy(&cell.real32, &bits, sizeof cell.real32);
      cell.kind = CellKind::kFloat;
      return;
    }
    case kTypeDouble: {
      const std::uint64_t bits = Le64(bytes, 0);
      std::memcpy(&cell.real64, &bits, sizeof cell.real64);
      cell.kind = CellKind::kDouble;
      return;
    }
    case kTypeDecimalOld:
    case kTypeNewDecimal:
      cell.SetBytes(CellKind::kDecimal, bytes);
      return;
    case kTypeYear: {
      constexpr std::uint64_t kYearBase = 1900;
      const std::uint8_t stored = ByteAt(bytes, 0);
      cell.SetUnsigned(CellKind::kYear, stored == 0 ? 0 : kYearBase + stored);
      return;
    }
    case kTypeDate:
    case kTypeNewDate:
      cell.SetTemporal(CellKind::kDate, DateFromPacked(Le24(bytes, 0)));
      return;
    case kTypeTime:
      cell.SetTemporal(CellKind::kTime,
                       decimals > 0
                           ? TimeFromHires(bytes, decimals)
                           : TimeFromLegacy(static_cast<std::int32_t>(Le24(bytes, 0) << 8) >> 8));
      return;
    case kTypeTime2:
      cell.SetTemporal(CellKind::kTime, TimeFromTime2(bytes, decimals));
      return;
    case kTypeDatetime:
      cell.SetTemporal(CellKind::kDateTime, decimals > 0 ? DateTimeFromHires(bytes, decimals)
                                                         : DateTimeFromLegacy(Le64(bytes, 0)));
      return;
    case kTypeDatetime2:
      cell.SetTemporal(CellKind::kDateTime, DateTimeFromDatetime2(bytes, decimals));
      return;
    case kTypeTimestamp:
      SetTimestamp(
          decimals > 0 ? TimestampFromHires(bytes, decimals) : TimestampValue{Le32(bytes, 0), 0},
          cell);
      return;
    case kTypeTimestamp2:
      SetTimestamp(TimestampFromTimestamp2(bytes, decimals), cell);
      return;
    case kTypeBit:
      cell.SetUnsigned(CellKind::kBit, BitValueOf(bytes));
      return;
    case kTypeEnum:
      cell.SetUnsigned(CellKind::kEnum, LittleEndian(bytes, 0, EnumStorageSize(column)));
      return;
    case kTypeSet:
      cell.SetUnsigned(CellKind::kSet, LittleEndian(bytes, 0, SetStorageSize(column)));
      return;
    case kTypeGeometry:
      cell.SetBytes(CellKind::kGeometry, bytes);
      return;
    case kTypeJson:
      // MySQL's binary JSON, as stored: the formatters turn it into text.
      cell.SetBytes(CellKind::kBinary, bytes);
      return;
    default:
      break;
  }
  if (IsCharOrVarcharType(column.typeCode) || IsBlobType(column.typeCode)) {
    cell.SetBytes(format.encoding == TextEncoding::kBinary ? CellKind::kBinary : CellKind::kText,
                  bytes);
    return;
  }
  cell.SetMissing();
}

bool IsNullFlagSet(ByteView nullFlags, std::uint32_t nullPosition, std::uint8_t nullBit) {
  if (nullBit == 0 || nullPosition >= nullFlags.size()) return false;
  return (nullFlags[nullPosition] & nullBit) == nullBit;
}

}  // namespace rowmender
