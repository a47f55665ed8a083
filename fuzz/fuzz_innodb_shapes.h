// Table shapes and a collation table shared by the InnoDB fuzz targets: a
// few definitions that between them hold every kind of field a clustered
// record can carry (fixed and variable, nullable, long, keyed in and out of
// definition order, with and without a key).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/application_state.h"
#include "definitions/table_definition.h"

namespace rowmender::fuzzing {

inline CollationTable FuzzCollations() {
  std::vector<std::uint8_t> bytes;
  const auto add32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  const auto add = [&](std::uint32_t id, std::uint32_t min, std::uint32_t max,
                       const std::string& collation, const std::string& set) {
    add32(id);
    add32(min);
    add32(max);
    add32(static_cast<std::uint32_t>(collation.size()));
    bytes.insert(bytes.end(), collation.begin(), collation.end());
    add32(static_cast<std::uint32_t>(set.size()));
    bytes.insert(bytes.end(), set.begin(), set.end());
  };
  add(8, 1, 1, "latin1_swedish_ci", "latin1");
  add(33, 1, 3, "utf8mb3_general_ci", "utf8mb3");
  add(35, 2, 2, "ucs2_general_ci", "ucs2");
  add(45, 1, 4, "utf8mb4_general_ci", "utf8mb4");
  add(63, 1, 1, "binary", "binary");
  CollationTable table;
  table.LoadFromBytes(bytes);
  return table;
}

inline ColumnDefinition FuzzColumn(int ordinal, std::uint32_t type, std::uint32_t length,
                                   bool nullable, std::uint32_t charset = 45) {
  ColumnDefinition column;
  column.name = "c" + std::to_string(ordinal);
  column.ordinal = ordinal;
  column.typeCode = type;
  column.length = length;
  column.nullable = nullable;
  column.charsetId = charset;
  column.packFlags = kPackSigned;
  if (type == kTypeEnum || type == kTypeSet)
    column.values = {"a", "b", "c", "d", "e", "f", "g", "h", "i"};
  if (type == kTypeNewDecimal) {
    column.precision = 10;
    column.scale = 2;
  }
  return column;
}

inline KeyDefinition FuzzKey(const char* name, std::vector<std::uint32_t> columns,
                             std::vector<std::uint16_t> lengths) {
  KeyDefinition key;
  key.name = name;
  key.unique = true;
  for (std::size_t i = 0; i < columns.size(); ++i)
    key.parts.push_back(KeyPart{columns[i], 0, lengths[i]});
  return key;
}

// One of four table shapes, picked by `selector`.
inline TableDefinition FuzzTable(std::uint8_t selector) {
  TableDefinition table;
  table.storageEngine = kEngineInnoDb;
  switch (selector % 4) {
    case 0:
      table.columns = {FuzzColumn(0, kTypeLong, 11, false), FuzzColumn(1, kTypeLong, 11, false)};
      table.keys = {FuzzKey("PRIMARY", {1}, {4})};
      break;
    case 1:
      table.columns = {
          FuzzColumn(0, kTypeVarchar, 1200, false), FuzzColumn(1, kTypeLong, 11, true),
          FuzzColumn(2, kTypeBlob, 65535, true),    FuzzColumn(3, kTypeNewDate, 10, true),
          FuzzColumn(4, kTypeEnum, 1, false),       FuzzColumn(5, kTypeBit, 12, true, 63),
          FuzzColumn(6, kTypeNewDecimal, 12, true), FuzzColumn(7, kTypeDatetime2, 19, true)};
      table.keys = {FuzzKey("PRIMARY", {1}, {1200})};
      break;
    case 2:
      table.columns = {FuzzColumn(0, kTypeString, 30, true, 33),
                       FuzzColumn(1, kTypeLongBlob, 4294967295u, true, 63),
                       FuzzColumn(2, kTypeVarchar, 200, false, 63),
                       FuzzColumn(3, kTypeDouble, 22, true),
                       FuzzColumn(4, kTypeTimestamp, 19, true),
                       FuzzColumn(5, kTypeSet, 2, true),
                       FuzzColumn(6, kTypeGeometry, 0, true, 63),
                       FuzzColumn(7, kTypeString, 20, false, 35)};
      break;
    default:
      table.columns = {
          FuzzColumn(0, kTypeLong, 11, false), FuzzColumn(1, kTypeVarchar, 400, false),
          FuzzColumn(2, kTypeTime, 10, true),  FuzzColumn(3, kTypeDatetime, 19, true),
          FuzzColumn(4, kTypeYear, 4, true),   FuzzColumn(5, kTypeTinyBlob, 255, true, 8)};
      table.keys = {FuzzKey("PRIMARY", {2, 1}, {20, 4})};
      break;
  }
  return table;
}

}  // namespace rowmender::fuzzing
