#include "innodb/inno_column.h"

#include "definitions/column_types.h"
#include "definitions/record_layout.h"
#include "values/field_value.h"

namespace rowmender {

namespace {

constexpr std::uint32_t kLatin1SwedishCi = 8;

bool HoldsCharacters(std::uint32_t mtype) {
  switch (mtype) {
    case kMtypeVarchar:
    case kMtypeChar:
    case kMtypeFixBinary:
    case kMtypeBinary:
    case kMtypeBlob:
    case kMtypeVarMysql:
    case kMtypeMysql:
      return true;
    default:
      return false;
  }
}

std::uint32_t MbMinMaxLenOf(std::uint32_t collation, const CollationTable& collations) {
  const CollationEntry* entry = collations.Lookup(collation);
  if (entry == nullptr || entry->minBytesPerChar < 0 || entry->maxBytesPerChar < 0) return 0;
  return static_cast<std::uint32_t>(entry->minBytesPerChar) +
         kMbMaxFactor * static_cast<std::uint32_t>(entry->maxBytesPerChar);
}

// The server keeps latin1 strings under their own main types.
bool IsLatin1(std::uint32_t collation, const CollationTable& collations) {
  if (collation == 0) return true;  // files of old servers: single-byte text
  const CollationEntry* entry = collations.Lookup(collation);
  return entry != nullptr && entry->characterSetName == "latin1";
}

// Signedness and character set of the column as the InnoDB type gives them,
// so that the value formatting reads them from the column itself.
void AlignColumnWithType(InnoColumn& field) {
  if (IsIntegerType(field.column.typeCode)) {
    if (field.IsUnsigned()) {
      field.column.packFlags = static_cast<std::uint16_t>(field.column.packFlags & ~kPackSigned);
    } else {
      field.column.packFlags = static_cast<std::uint16_t>(field.column.packFlags | kPackSigned);
    }
  }
  if (field.column.charsetId == 0 && HoldsCharacters(field.mtype)) {
    field.column.charsetId = CollationOfPrtype(field.prtype);
  }
}

}  // namespace

std::uint32_t CompactFixedLength(std::uint32_t mtype, std::uint32_t prtype, std::uint32_t len,
                                 std::uint32_t mbMinMaxLen) {
  if (len > kMaxFixedFieldLength) return 0;
  switch (mtype) {
    case kMtypeChar:
    case kMtypeFixBinary:
    case kMtypeInt:
    case kMtypeSysChild:
    case kMtypeSys:
    case kMtypeFloat:
    case kMtypeDouble:
      return len;
    case kMtypeMysql: {
      if ((prtype & kPrtypeBinary) != 0) return len;
      // CHAR in a character set of varying width is stored trimmed, with
      // its length in the header.
      const std::uint32_t minimum = mbMinMaxLen % kMbMaxFactor;
      const std::uint32_t maximum = mbMinMaxLen / kMbMaxFactor;
      return maximum != 0 && minimum == maximum ? len : 0;
    }
    default:
      return 0;
  }
}

InnoColumn InnoColumnFromDefinition(const ColumnDefinition& column, std::uint32_t position,
                                    const CollationTable& collations) {
  InnoColumn field;
  field.column = column;
  field.pos = position;
  field.prec = static_cast<std::uint32_t>(column.precision);
  const std::uint32_t type = column.typeCode;
  const bool binary = column.charsetId == kBinaryCharset;
  const int decimals = TemporalDecimals(column);
  bool isUnsigned = false;
  bool stringType = false;

  switch (type) {
    case kTypeTiny:
    case kTypeShort:
    case kTypeInt24:
    case kTypeLong:
    case kTypeLongLong: {
      constexpr std::uint32_t kWidths[] = {0, 1, 2, 4, 0, 0, 0, 0, 8, 3};
      field.mtype = kMtypeInt;
      field.len = kWidths[type];
      isUnsigned = !column.IsSigned();
      break;
    }
    case kTypeYear:
      field.mtype = kMtypeInt;
      field.len = 1;
      isUnsigned = true;
      break;
    case kTypeDate:
    case kTypeNewDate:
      field.mtype = kMtypeInt;
      field.len = 3;
      break;
    case kTypeTime:
    case kTypeDatetime:
    case kTypeTimestamp:
      if (decimals > 0) {
        // The fractional-second forms are byte strings, kept as MySQL writes them.
        field.mtype = kMtypeFixBinary;
        field.len = static_cast<std::uint32_t>(HiresStorageSize(type, decimals));
      } else {
        field.mtype = kMtypeInt;
        field.len = type == kTypeTime ? 3 : type == kTypeDatetime ? 8 : 4;
        isUnsigned = type == kTypeTimestamp;
      }
      break;
    case kTypeTime2:
    case kTypeDatetime2:
    case kTypeTimestamp2:
      field.mtype = kMtypeFixBinary;
      field.len = static_cast<std::uint32_t>(Temporal56StorageSize(type, decimals));
      break;
    case kTypeEnum:
      field.mtype = kMtypeInt;
      field.len = static_cast<std::uint32_t>(EnumStorageSize(column));
      isUnsigned = true;
      break;
    case kTypeSet:
      field.mtype = kMtypeInt;
      field.len = static_cast<std::uint32_t>(SetStorageSize(column));
      isUnsigned = true;
      break;
    case kTypeBit:
      field.mtype = kMtypeFixBinary;
      field.len = (column.length + 7) / 8;
      isUnsigned = true;
      break;
    case kTypeNewDecimal:
      field.mtype = kMtypeFixBinary;
      field.len = static_cast<std::uint32_t>(DecimalStorageSize(column.precision, column.scale));
      break;
    case kTypeDecimalOld:
      field.mtype = kMtypeDecimal;
      field.len = column.length;
      break;
    case kTypeFloat:
      field.mtype = kMtypeFloat;
      field.len = 4;
      break;
    case kTypeDouble:
      field.mtype = kMtypeDouble;
      field.len = 8;
      break;
    case kTypeVarchar:
    case kTypeVarString:
      field.mtype = binary                                   ? kMtypeBinary
                    : IsLatin1(column.charsetId, collations) ? kMtypeVarchar
                                                             : kMtypeVarMysql;
      field.len = column.length;
      stringType = true;
      break;
    case kTypeString:
      field.mtype = binary                                   ? kMtypeFixBinary
                    : IsLatin1(column.charsetId, collations) ? kMtypeChar
                                                             : kMtypeMysql;
      field.len = column.length;
      stringType = true;
      break;
    default:
      if (IsBlobOrGeometryType(type)) {
        field.mtype = kMtypeBlob;
        field.len = column.length;
        stringType = true;
      } else {
        // A type the server does not have: read it as a byte string of the
        // column's length, which keeps the fields after it in place.
        field.mtype = kMtypeBinary;
        field.len = column.length;
      }
      break;
  }

  field.prtype = type & kPrtypeMysqlTypeMask;
  if (!column.nullable) field.prtype |= kPrtypeNotNull;
  if (isUnsigned) field.prtype |= kPrtypeUnsigned;
  if (binary || field.mtype == kMtypeFixBinary) field.prtype |= kPrtypeBinary;
  if (stringType) {
    const std::uint32_t collation =
        column.charsetId != 0 ? column.charsetId : (binary ? kBinaryCharset : kLatin1SwedishCi);
    field.prtype |= (collation & kPrtypeCollationMask) << kPrtypeCollationShift;
    field.mbMinMaxLen = MbMinMaxLenOf(collation, collations);
  }
  // UUID, INET6 and INET4: their binary value, of a fixed size.
  if (const std::uint32_t named = NamedTypeSize(column); named != 0) {
    field.mtype = kMtypeFixBinary;
    field.len = named;
    field.mbMinMaxLen = 0;
    field.prtype |= kPrtypeBinary;
  }
  field.fixedLength = CompactFixedLength(field.mtype, field.prtype, field.len, field.mbMinMaxLen);
  AlignColumnWithType(field);
  return field;
}

InnoColumn InnoColumnFromDictionary(const ColumnDefinition& column, const DictColumnType& type) {
  InnoColumn field;
  field.column = column;
  field.mtype = type.mtype;
  field.prtype = type.prtype;
  field.len = type.len;
  field.prec = type.prec;
  field.pos = type.position;
  field.mbMinMaxLen = type.mbMinMaxLen;
  field.fixedLength = CompactFixedLength(field.mtype, field.prtype, field.len, field.mbMinMaxLen);
  AlignColumnWithType(field);
  return field;
}

InnoColumn SystemColumn(const char* name, std::uint32_t length) {
  InnoColumn field;
  field.mtype = kMtypeSys;
  field.prtype = kPrtypeNotNull;
  field.len = length;
  field.fixedLength = length;
  field.column.name = name;
  field.role = InnoFieldRole::kSystem;
  return field;
}

}  // namespace rowmender
