#include "innodb/sdi.h"

#include <zlib.h>

#include <algorithm>
#include <unordered_set>

#include "innodb/dictionary.h"
#include "innodb/external_value.h"
#include "innodb/inno_column.h"
#include "innodb/records.h"

namespace rowmender {

namespace {

// Page 0: the space flags in the file-space header, and where the SDI
// version and root page stand after the extent descriptors (one for each
// extent of the pages up to the next descriptor page: 256 of 40 bytes on a
// 16 KiB page) and the encryption information (115 bytes).
constexpr std::size_t kSpaceFlagsOffset = TablespaceGeometry::kFlagsOffset;
constexpr std::size_t kExtentDescriptorsOffset = 38 + 112;
constexpr std::size_t kEncryptionInfoSize = 115;
constexpr std::size_t kSdiVersionSize = 4;

std::size_t SdiRootOffset(ByteView firstPage) {
  TablespaceGeometry geometry;
  if (!TablespaceGeometry::DecodeFrom(firstPage, geometry)) geometry = TablespaceGeometry{};
  const std::size_t descriptors = geometry.PagesPerDescriptorPage() / geometry.ExtentPages();
  return kExtentDescriptorsOffset + geometry.DescriptorSize() * descriptors + kEncryptionInfoSize +
         kSdiVersionSize;
}
// Where the root is looked for when page 0 does not name it: the server
// creates it among the first pages of a tablespace.
constexpr std::uint32_t kRootSearchPages = 64;
// No B-tree is deeper than this.
constexpr int kMaxLevels = 64;

// The fields of an SDI record in the order the index keeps them.
enum SdiField : std::size_t {
  kFieldType,
  kFieldId,
  kFieldTransaction,
  kFieldRollPointer,
  kFieldUncompressedLength,
  kFieldCompressedLength,
  kFieldData,
  kSdiFieldCount
};

InnoColumn FixedField(std::uint32_t length) {
  InnoColumn field;
  field.mtype = kMtypeInt;
  field.prtype = kPrtypeNotNull | kPrtypeUnsigned;
  field.len = length;
  field.fixedLength = length;
  return field;
}

std::vector<InnoColumn> SdiFields() {
  std::vector<InnoColumn> fields{FixedField(4), FixedField(8), FixedField(6),
                                 FixedField(7), FixedField(4), FixedField(4)};
  InnoColumn data;
  data.mtype = kMtypeBlob;
  data.prtype = kPrtypeNotNull | kPrtypeBinary;
  fields.push_back(data);
  return fields;
}

std::string PageName(std::uint32_t page) {
  return "page " + std::to_string(page);
}

class SdiWalk {
 public:
  SdiWalk(const PageSource& pages, SdiContents& out)
      : pages_(pages), out_(out), buffer_(NewPageBuffer(pages)), fields_(SdiFields()) {}

  void Run(std::uint32_t root) {
    const std::uint32_t leaf = Descend(root);
    if (leaf == kNoPage) return;
    std::unordered_set<std::uint32_t> seen;
    for (std::uint32_t page = leaf; page != kNoPage;) {
      if (!pages_.Holds(page)) {
        out_.problems.push_back("the SDI leaf chain leads to " + PageName(page) +
                                ", beyond the end of the tablespace");
        return;
      }
      if (!seen.insert(page).second) {
        out_.problems.push_back("the SDI leaf chain runs in a circle at " + PageName(page));
        return;
      }
      pages_.Read(page, buffer_);
      const FilHeader fil = FilHeader::DecodeFrom(buffer_);
      const IndexPage index(buffer_);
      if (fil.pageType != kSdiPageType || index.Level() != 0) {
        out_.problems.push_back("the SDI leaf chain leads to " + PageName(page) +
                                ", which is not an SDI leaf page");
        return;
      }
      ReadLeaf(page);
      page = fil.nextPage;
    }
  }

 private:
  // The leftmost leaf under `root`; kNoPage (and a problem told) when the
  // way down is broken.
  std::uint32_t Descend(std::uint32_t root) {
    std::uint32_t page = root;
    for (int depth = 0; depth < kMaxLevels; ++depth) {
      if (!pages_.Holds(page)) break;
      pages_.Read(page, buffer_);
      const IndexPage index(buffer_);
      if (FilHeader::DecodeFrom(buffer_).pageType != kSdiPageType) break;
      if (index.Level() == 0) return page;
      const RecordFormat format = index.Format();
      if (format == RecordFormat::kCompact) {
        const std::uint32_t origin = index.FirstCompactRecord();
        // A node pointer: the type (4 bytes) and id (8 bytes), then the
        // child's page number.
        page = Be32(buffer_, origin + 12);
      } else if (format == RecordFormat::kRedundant) {
        std::vector<FieldExtent> extents;
        RedundantFieldExtents(buffer_, index.FirstRedundantRecord(), extents);
        if (extents.size() < 3 || extents[2].length != 4 || extents[2].missing) break;
        page = Be32(buffer_, extents[2].start);
      } else {
        break;
      }
    }
    out_.problems.push_back("the SDI index cannot be walked down from its root " + PageName(root));
    return kNoPage;
  }

  void ReadLeaf(std::uint32_t page) {
    const IndexPage index(buffer_);
    const RecordFormat format = index.Format();
    if (format == RecordFormat::kNone) {
      out_.problems.push_back("the SDI " + PageName(page) + " holds no record list");
      return;
    }
    const bool compact = format == RecordFormat::kCompact;
    std::uint32_t origin = compact ? index.FirstCompactRecord() : index.FirstRedundantRecord();
    std::vector<FieldExtent> extents;
    for (int count = 0;; ++count) {
      if (origin == 0 || origin >= buffer_.size() || index.IsSupremumAt(origin)) return;
      if (count == kMaxRecordsPerPage) {
        out_.problems.push_back("the record list of SDI " + PageName(page) + " runs in a circle");
        return;
      }
      bool deleted = false;
      std::uint32_t next = 0;
      if (compact) {
        const CompactRecordHeader header = CompactRecordHeader::DecodeFrom(buffer_, origin);
        CompactFieldExtents(buffer_, origin, buffer_.size() - origin, fields_, 0, extents);
        deleted = header.Deleted();
        next = (origin + header.nextLink) & 0xFFFF;
      } else {
        const RedundantRecordHeader header = RedundantRecordHeader::DecodeFrom(buffer_, origin);
        RedundantFieldExtents(buffer_, origin, extents);
        deleted = header.Deleted();
        next = header.nextRecord;
      }
      if (!deleted) ReadRecord(page, extents);
      origin = next;
    }
  }

  void ReadRecord(std::uint32_t page, const std::vector<FieldExtent>& extents) {
    const std::string where = "an SDI record on " + PageName(page);
    if (extents.size() != kSdiFieldCount ||
        std::any_of(extents.begin(), extents.end(),
                    [](const FieldExtent& e) { return e.missing || e.isNull; })) {
      out_.problems.push_back(where + " does not have the fields of one");
      return;
    }
    const auto number = [&](SdiField field) -> std::uint64_t {
      const FieldExtent& e = extents[field];
      return BigEndian(buffer_, e.start, std::min<std::size_t>(e.length, 8));
    };
    SdiObject object;
    object.type = static_cast<std::uint32_t>(number(kFieldType));
    object.id = number(kFieldId);
    const std::uint64_t uncompressed = number(kFieldUncompressedLength);
    const std::uint64_t compressed = number(kFieldCompressedLength);
    const std::string name = "the SDI of object " + std::to_string(object.id) + " (type " +
                             std::to_string(object.type) + ") on " + PageName(page);
    if (uncompressed == 0 || uncompressed > kMaxSdiLength) {
      out_.problems.push_back(name + " claims " + std::to_string(uncompressed) +
                              " bytes uncompressed");
      return;
    }
    const FieldExtent& data = extents[kFieldData];
    std::string bytes;
    if (data.external) {
      bytes = ExternalValueBytes(pages_, data.BytesIn(buffer_));
    } else {
      const ByteView local = data.BytesIn(buffer_);
      bytes.assign(local.begin(), local.end());
    }
    if (bytes.size() != compressed) {
      out_.problems.push_back(name + " holds " + std::to_string(bytes.size()) + " of its " +
                              std::to_string(compressed) + " compressed bytes");
      return;
    }
    object.json.resize(static_cast<std::size_t>(uncompressed));
    uLongf length = static_cast<uLongf>(uncompressed);
    const int result =
        uncompress(reinterpret_cast<Bytef*>(object.json.data()), &length,
                   reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uLong>(bytes.size()));
    if (result != Z_OK || length != uncompressed) {
      out_.problems.push_back(name + " cannot be decompressed");
      return;
    }
    out_.objects.push_back(std::move(object));
  }

  const PageSource& pages_;
  SdiContents& out_;
  PageBuffer buffer_;
  std::vector<InnoColumn> fields_;
};

// The root among the first pages: an SDI page without neighbours, the
// highest such.
std::uint32_t FindSdiRoot(const PageSource& pages) {
  PageBuffer buffer = NewPageBuffer(pages);
  std::uint32_t root = kNoPage;
  std::uint16_t rootLevel = 0;
  const auto limit =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(pages.PageCount(), kRootSearchPages));
  for (std::uint32_t page = 1; page < limit; ++page) {
    pages.Read(page, buffer);
    const FilHeader fil = FilHeader::DecodeFrom(buffer);
    if (fil.pageType != kSdiPageType || fil.pageNumber != page || fil.previousPage != kNoPage ||
        fil.nextPage != kNoPage) {
      continue;
    }
    const std::uint16_t level = IndexPage(buffer).Level();
    if (root == kNoPage || level > rootLevel) {
      root = page;
      rootLevel = level;
    }
  }
  return root;
}

}  // namespace

bool SdiFlagged(ByteView firstPage) {
  return (Be32(firstPage, kSpaceFlagsOffset) & kFspFlagSdi) != 0;
}

std::uint32_t SdiRootPageOf(ByteView firstPage, std::uint64_t pageCount) {
  if (!SdiFlagged(firstPage)) return kNoPage;
  const std::uint32_t root = Be32(firstPage, SdiRootOffset(firstPage));
  return root != 0 && root < pageCount ? root : kNoPage;
}

SdiContents ReadSdi(const PageSource& pages) {
  SdiContents out;
  if (pages.PageCount() == 0) return out;
  PageBuffer first = NewPageBuffer(pages);
  pages.Read(0, first);
  out.flagged = SdiFlagged(first);
  std::uint32_t root = SdiRootPageOf(first, pages.PageCount());
  if (root != kNoPage) {
    PageBuffer page = NewPageBuffer(pages);
    pages.Read(root, page);
    if (FilHeader::DecodeFrom(page).pageType != kSdiPageType) root = kNoPage;
  }
  if (root == kNoPage) root = FindSdiRoot(pages);
  if (root == kNoPage) {
    if (out.flagged) {
      out.problems.push_back("the tablespace says it carries SDI, but no SDI root page is found");
    }
    return out;
  }
  out.rootPage = root;
  SdiWalk(pages, out).Run(root);
  return out;
}

}  // namespace rowmender
