// How the records of a clustered index lay out their fields, for tables
// whose columns were added, dropped or moved in place (ALGORITHM=INSTANT).
//
// Such an ALTER leaves the records written before it as they were: a
// record holds the fields of the columns the table had when it was
// written, in the order they were stored in then, and a column added since
// takes the value the table keeps for older records. The servers do it two
// ways:
//  - MariaDB 10.3 and later: the clustered index root (page type 18) counts
//    the fields of the records written before the first such ALTER (the
//    "core" fields). A record written later has the status kInstant and
//    counts the fields it holds beyond them. The leftmost leaf starts with
//    a hidden metadata record holding the added columns' values for older
//    records and, once a column is dropped or moved (10.4 on), a BLOB that
//    maps the fields, dropped ones kept, to the table's columns.
//  - MySQL 8: 8.0.12 to 8.0.28 add columns at the end only; a record
//    written after the first such ADD counts its fields, older ones hold
//    those the table had before it. 8.0.29 and later number the table's
//    row versions: a record carries the version it was written in, fields
//    are stored in the order their columns were added (dropped ones too),
//    and each column says which versions hold it. The table's definition
//    (SDI) gives all of it, with the added columns' values.
// A RecordLayout holds every field any record of the table may hold, in
// stored order, and tells for one record which of them it holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/collation_table.h"
#include "base/status.h"
#include "definitions/table_definition.h"
#include "innodb/inno_column.h"
#include "innodb/page.h"
#include "innodb/records.h"

namespace rowmender {

enum class LayoutKind : std::uint8_t {
  kPlain,    // every record holds every field
  kMariaDb,  // core fields, and records counting the fields added
  kMySql,    // records counting their fields, or carrying their row version
};

class RecordLayout {
 public:
  RecordLayout() = default;
  // Every record holds every one of `fields` (record order).
  explicit RecordLayout(std::vector<InnoColumn> fields);

  // MariaDB: `fields` in stored order; records of status kOrdinary hold
  // the first `coreFields` behind a null bitmap of `coreNullBytes`.
  static RecordLayout MariaDb(std::vector<InnoColumn> fields, std::uint32_t coreFields,
                              std::size_t coreNullBytes);
  // MySQL 8: `fields` in stored order, each with the row versions that
  // added and dropped its column (InnoColumn::column). Records that carry
  // neither mark hold the first `baseFields` of the fields of version 0
  // (0: all of them).
  static RecordLayout MySql(std::vector<InnoColumn> fields, std::uint32_t baseFields);

  LayoutKind Kind() const { return kind_; }
  const std::vector<InnoColumn>& Fields() const { return fields_; }

  // The shape of the compact leaf record at `origin`, whose header is
  // `header`. False, saying why in `why`, when the header names a shape
  // the table's records cannot have (more fields than the table has, a row
  // version it never had, a status or mark its server does not write).
  bool CompactShape(ByteView page, std::size_t origin, const CompactRecordHeader& header,
                    RecordShape& shape, std::string& why) const;
  // The same for a redundant leaf record, which counts its own fields.
  bool RedundantShape(ByteView page, std::size_t origin, const RedundantRecordHeader& header,
                      RecordShape& shape, std::string& why) const;

  // Bytes of the null bitmap of a compact node-pointer record: the servers
  // keep the size the table's records had before any such ALTER.
  std::size_t NodePointerNullBytes() const { return nodeNullBytes_; }

  // The flags of a leaf record's header this layout allows beside the
  // delete mark, and whether it allows the status kInstant.
  std::uint8_t AllowedMarks() const;
  bool AllowsInstantStatus() const { return kind_ == LayoutKind::kMariaDb; }

 private:
  // Holds the first `count` fields of version 0.
  void HoldFirst(std::size_t count, RecordShape& shape) const;
  // Holds the fields of row version `version`.
  void HoldVersion(std::uint32_t version, RecordShape& shape) const;
  std::size_t NullBytesHeld(const RecordShape& shape) const;
  // The shape of a MySQL record that carries neither mark.
  void HoldUnmarked(RecordShape& shape) const;

  LayoutKind kind_ = LayoutKind::kPlain;
  std::vector<InnoColumn> fields_;
  std::size_t allNullBytes_ = 0;
  // MariaDB: the core fields. MySQL: the fields of unmarked records (0:
  // all of version 0).
  std::uint32_t coreFields_ = 0;
  std::size_t coreNullBytes_ = 0;
  // MySQL: the newest row version, and the fields of version 0.
  std::uint32_t lastVersion_ = 0;
  std::size_t versionZeroFields_ = 0;
  std::size_t nodeNullBytes_ = 0;
};

// The layout the definition gives: `fields` as ArrangeRecordColumns made
// them from the table's current columns. Plain unless the definition
// records columns added or dropped in place (MySQL 8's SDI does); then the
// columns dropped in place join them and every field takes its stored
// place. A definition whose facts do not fit together (an added column
// without its value for older records, a column dropped no later than it
// was added, more columns before the first instant ADD than the table has)
// is refused with what is wrong.
Status LayoutFromDefinition(std::vector<InnoColumn> fields, const TableDefinition& table,
                            const CollationTable& collations, RecordLayout& out);

// What the clustered index root of a table MariaDB altered in place says.
struct InstantRoot {
  bool altered = false;  // the page type says so
  std::uint32_t coreFields = 0;
  // The fixed records' texts are cleared: the metadata record's BLOB maps
  // the fields, and the supremum keeps the core records' null bitmap size.
  bool fieldsMapped = false;
  std::size_t coreNullBytes = 0;
};
InstantRoot ReadInstantRoot(ByteView rootPage);

// The layout as far as the root tells it, over `fields` in the
// definition's order: enough for the node pointers, whose key fields come
// first and whose null bitmap has the core records' size. A root that is
// not altered leaves `fields` plain.
RecordLayout RootLayout(std::vector<InnoColumn> fields, const InstantRoot& root);

// The whole layout of a table MariaDB altered in place, from the metadata
// record that starts the leftmost leaf page `firstLeaf`: the fields in
// stored order (the BLOB's map puts dropped ones among them), each added
// column with its value for older records (a long one read from its BLOB
// pages). `fields` are in the definition's order, `table` the definition
// that numbers the columns. A metadata record that is missing, damaged or
// does not fit the definition is refused with what is wrong.
Status ReadMariaDbLayout(const PageSource& source, const InstantRoot& root, std::uint32_t firstLeaf,
                         std::vector<InnoColumn> fields, const TableDefinition& table,
                         RecordLayout& out);

}  // namespace rowmender
