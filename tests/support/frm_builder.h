// Builds small definition files byte by byte, for damage and old format
// versions that a current server never writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rowmender::testing {

struct FrmColumnSpec {
  std::string name;
  std::uint8_t type = 3;
  std::uint16_t length = 11;
  std::uint32_t recordOffset = 1;
  std::uint16_t packFlags = 0;
  std::uint16_t charset = 8;
  std::uint8_t intervalNumber = 0;
  std::uint8_t geometryType = 0;
};

struct FrmKeySpec {
  std::string name;
  bool unique = true;
  std::vector<std::uint16_t> columns;  // 1-based column numbers
};

struct FrmSpec {
  std::uint8_t version = 10;
  std::uint8_t engine = 12;
  std::uint32_t versionId = 101100;
  std::uint16_t tableCharset = 8;
  bool nullFlagsLast = false;
  std::uint16_t tableOptions = 0;
  std::uint16_t recordLength = 0;
  std::vector<FrmColumnSpec> columns;
  std::vector<FrmKeySpec> keys;
  std::vector<std::vector<std::string>> intervals;
  // When set, the key section declares this total of key parts instead of
  // the true one.
  std::optional<std::uint16_t> declaredKeyParts;
  // When set, the column count of the form information says this instead.
  std::optional<std::uint16_t> declaredColumnCount;
};

std::vector<std::uint8_t> BuildFrm(const FrmSpec& spec);

}  // namespace rowmender::testing
