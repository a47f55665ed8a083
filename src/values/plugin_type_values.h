// The data types MariaDB adds by plugins (UUID, INET6, INET4): a fixed
// number of binary bytes in the record, shown as text.
#pragma once

#include <string>

#include "base/bytes.h"
#include "definitions/table_definition.h"
#include "values/inet_values.h"
#include "values/uuid_values.h"

namespace rowmender {

// A column of one of these types.
inline bool IsPluginTypeColumn(const ColumnDefinition& column) {
  return column.typeName == "uuid" || column.typeName == "inet6" || column.typeName == "inet4";
}

// Appends the text of a stored value of such a column. False, with `out`
// unchanged, when the bytes are not of the type's size.
inline bool AppendPluginTypeText(std::string& out, const ColumnDefinition& column,
                                 ByteView stored) {
  if (column.typeName == "uuid") return AppendUuidText(out, stored);
  if (column.typeName == "inet6") return AppendInet6Text(out, stored);
  if (column.typeName == "inet4") return AppendInet4Text(out, stored);
  return false;
}

}  // namespace rowmender
