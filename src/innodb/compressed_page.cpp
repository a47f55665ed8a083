#include "innodb/compressed_page.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <unordered_set>

#include "base/crc32c.h"
#include "innodb/records.h"

namespace rowmender {
namespace {

// ---- Page layout ----

constexpr std::size_t kPageTrailerSize = 8;
constexpr std::size_t kPageHeader = IndexPageHeader::kOffset;
constexpr std::size_t kDirSlotsField = kPageHeader + 0;
constexpr std::size_t kHeapTopField = kPageHeader + 2;
constexpr std::size_t kRecordCountField = kPageHeader + 16;
// The FIL header, the index page header and its two segment headers: what
// a compressed page keeps uncompressed at its start.
constexpr std::size_t kPageDataStart = IndexPageHeader::kOffset + IndexPageHeader::kSize;
constexpr std::uint16_t kHeapCountMask = 0x7FFF;
constexpr std::uint32_t kNoChecksumMagic = 0xDEADBEEF;

// The fixed records as the full page keeps them, and the parts of the
// heap-number-and-status field of a compact record's header.
constexpr std::size_t kRecordsStart = 120;
constexpr unsigned kHeapNumberShift = 3;
constexpr std::uint8_t kStatusOrdinary = 0;
constexpr std::uint8_t kStatusNodePointer = 1;
constexpr std::size_t kFirstUserHeapNumber = 2;
constexpr std::uint8_t kInfimumHeader[] = {0x01, 0x00, 0x02};
constexpr std::uint8_t kInfimumBytes[] = {'i', 'n', 'f', 'i', 'm', 'u', 'm', 0};
constexpr std::uint8_t kSupremumHeaderAndText[] = {0x00, 0x0b, 0x00, 0x00, 's', 'u',
                                                   'p',  'r',  'e',  'm',  'u', 'm'};

// The sparse directory of the full page: 2-byte slots downward from the
// trailer.
constexpr std::size_t kDirSlotSize = 2;

// The dense directory at the end of the compressed page: one 2-byte entry
// per record, user records in list order, then the free list.
constexpr std::uint16_t kDenseOwned = 0x4000;
constexpr std::uint16_t kDenseDeleted = 0x8000;
constexpr std::uint16_t kDenseOffsetMask = 0x3FFF;

// Columns kept uncompressed below the dense directory.
constexpr std::size_t kTrxRollLength = 13;
constexpr std::size_t kNodePointerSize = 4;
constexpr std::size_t kReferenceSize = 20;
constexpr std::uint32_t kReferenceExternalBit = 0x4000;

// A record has at most this many fields.
constexpr std::size_t kMaxFields = 1023;
constexpr std::size_t kNoField = std::numeric_limits<std::size_t>::max();

void Write16(std::uint8_t* p, std::size_t value) {
  p[0] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
  p[1] = static_cast<std::uint8_t>(value & 0xFF);
}
void Write32(std::uint8_t* p, std::uint32_t value) {
  p[0] = static_cast<std::uint8_t>(value >> 24);
  p[1] = static_cast<std::uint8_t>(value >> 16);
  p[2] = static_cast<std::uint8_t>(value >> 8);
  p[3] = static_cast<std::uint8_t>(value);
}

// ---- The fields of the page's records, as the stream's start lists them ----

struct ZipField {
  std::uint16_t fixedLength = 0;  // 0: variable length
  bool big = false;               // variable, may take two length bytes
  bool nullable = false;
};

struct ZipIndex {
  std::vector<ZipField> fields;
  std::size_t nullable = 0;  // bits of the null bitmap
  std::size_t trxIdField = kNoField;
};

// Decodes the field list that begins the stream: one entry per field (a
// run of fixed-length NOT NULL fields merged into one), then the position
// of the transaction id (leaf pages; 0: a secondary index) or the number
// of nullable fields (node pointer pages).
bool DecodeFields(const std::uint8_t* begin, const std::uint8_t* end, bool leaf, ZipIndex& out) {
  std::size_t count = 0;
  for (const std::uint8_t* b = begin; b < end; ++count)
    b += (*b & 0x80) != 0 ? 2 : 1;
  if (count == 0) return false;
  --count;
  if (count > kMaxFields) return false;
  const std::uint8_t* b = begin;
  auto next = [&](std::size_t& value) {
    if (b >= end) return false;
    value = *b++;
    if ((value & 0x80) != 0) {
      if (b >= end) return false;
      value = ((value & 0x7F) << 8) | *b++;
    }
    return true;
  };
  out.fields.clear();
  out.nullable = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const bool twoBytes = (*b & 0x80) != 0;
    std::size_t value = 0;
    if (!next(value)) return false;
    ZipField field;
    field.nullable = (value & 1) == 0;
    if (twoBytes) {
      field.fixedLength = static_cast<std::uint16_t>(value >> 1);
    } else if (value >= 126) {
      field.big = true;
    } else if (value > 1) {
      field.fixedLength = static_cast<std::uint16_t>(value >> 1);
    }
    if (field.nullable) ++out.nullable;
    out.fields.push_back(field);
  }
  std::size_t last = 0;
  if (!next(last)) return false;
  if (leaf) {
    if (last != 0) {
      if (last >= count) return false;
      out.trxIdField = last;
    }
  } else {
    if (out.nullable > last) return false;
    out.nullable = last;
  }
  return true;
}

// Where the fields of one record end (offsets from its origin), which are
// stored off-page, and how many header bytes lie below the origin.
struct RecordFields {
  std::vector<std::uint32_t> ends;
  std::vector<std::uint8_t> external;
  std::size_t extraSize = 0;
  bool anyExternal = false;

  std::size_t DataSize() const { return ends.empty() ? 0 : ends.back(); }
  std::size_t Start(std::size_t i) const { return i == 0 ? 0 : ends[i - 1]; }
  std::size_t Length(std::size_t i) const { return ends[i] - Start(i); }
};

// Lays out a record from its header bytes below the five fixed ones:
// `headerByte(k, out)` gives the k-th of them (k = 0 just below), false
// when it cannot be read. Node pointer records end with the child page.
template <typename HeaderByte>
bool LayOutRecord(const ZipIndex& index, bool nodePointer, HeaderByte headerByte,
                  RecordFields& out) {
  const std::size_t n = index.fields.size() + (nodePointer ? 1 : 0);
  out.ends.clear();
  out.external.clear();
  out.anyExternal = false;
  std::size_t nullByte = 0;
  unsigned nullMask = 1;
  std::size_t lengthByte = (index.nullable + 7) / 8;
  std::uint32_t offset = 0;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint8_t external = 0;
    if (i == index.fields.size()) {
      offset += kNodePointerSize;
    } else {
      const ZipField& field = index.fields[i];
      bool isNull = false;
      if (field.nullable) {
        if (nullMask == 0x100) {
          ++nullByte;
          nullMask = 1;
        }
        std::uint8_t bits = 0;
        if (!headerByte(nullByte, bits)) return false;
        isNull = (bits & nullMask) != 0;
        nullMask <<= 1;
      }
      if (!isNull) {
        if (field.fixedLength != 0) {
          offset += field.fixedLength;
        } else {
          std::uint8_t first = 0;
          if (!headerByte(lengthByte++, first)) return false;
          std::uint32_t length = first;
          if (field.big && (first & 0x80) != 0) {
            std::uint8_t second = 0;
            if (!headerByte(lengthByte++, second)) return false;
            length = ((length << 8) | second);
            if ((length & kReferenceExternalBit) != 0) {
              if (nodePointer) return false;
              external = 1;
              out.anyExternal = true;
            }
            length &= 0x3FFF;
          }
          offset += length;
        }
      }
    }
    out.ends.push_back(offset);
    out.external.push_back(external);
  }
  out.extraSize = lengthByte + CompactRecordHeader::kSize;
  return true;
}

// ---- Checksums of compressed pages ----

// The checksum covers the page number, the previous and next page, the
// page type and everything from the space id on: MariaDB's crc32 runs over
// the three parts as one (MySQL's XORs the three), the old form is their
// Adler-32.
bool CompressedChecksumMatches(ByteView zip) {
  constexpr std::size_t kSpaceIdField = 34;
  const std::uint32_t stored = Be32(zip, 0);
  const ByteView a = zip.subspan(FilHeader::kPageNumberOffset,
                                 FilHeader::kLsnOffset - FilHeader::kPageNumberOffset);
  const ByteView b = zip.subspan(FilHeader::kPageTypeOffset, 2);
  const ByteView c = zip.subspan(kSpaceIdField);
  std::vector<std::uint8_t> joined(a.begin(), a.end());
  joined.insert(joined.end(), b.begin(), b.end());
  joined.insert(joined.end(), c.begin(), c.end());
  if (stored == Crc32c(joined)) return true;
  if (stored == (Crc32c(a) ^ Crc32c(b) ^ Crc32c(c))) return true;
  if (stored == kNoChecksumMagic) return true;
  uLong adler = adler32(0L, a.data(), static_cast<uInt>(a.size()));
  adler = adler32(adler, b.data(), static_cast<uInt>(b.size()));
  adler = adler32(adler, c.data(), static_cast<uInt>(c.size()));
  if (stored == static_cast<std::uint32_t>(adler)) return true;
  return std::all_of(zip.begin(), zip.end(), [](std::uint8_t x) { return x == 0; });
}

// Gives the full page the crc32 checksum (both fields) and the LSN in its
// trailer, so that it reads as sound wherever full pages are checked.
void StampChecksum(std::vector<std::uint8_t>& page) {
  const std::size_t size = page.size();
  const ByteView view(page);
  Write32(&page[size - kPageTrailerSize + 4], Be32(view, FilHeader::kLsnOffset + 4));
  const std::uint32_t crc =
      Crc32c(view.subspan(FilHeader::kPageNumberOffset,
                          FilHeader::kFlushLsnOffset - FilHeader::kPageNumberOffset)) ^
      Crc32c(view.subspan(FilHeader::kSize, size - FilHeader::kSize - kPageTrailerSize));
  Write32(&page[0], crc);
  Write32(&page[size - kPageTrailerSize], crc);
}

// ---- Inflation ----

struct ZStreamEnd {
  void operator()(z_stream* stream) const {
    inflateEnd(stream);
    delete stream;
  }
};
using ZStream = std::unique_ptr<z_stream, ZStreamEnd>;

class Inflater {
 public:
  Inflater(ByteView zip, std::size_t logical, std::vector<std::uint8_t>& page)
      : zip_(zip), logical_(logical), page_(page) {}

  Status Run(CompressedPageNotes& notes);

 private:
  Status Corrupt(const std::string& what) const {
    return Status::Corruption("compressed index page: " + what);
  }
  std::uint8_t* At(std::size_t offset) { return page_.data() + offset; }
  std::size_t OutOffset() const {
    return static_cast<std::size_t>(stream_->next_out - page_.data());
  }
  std::uint16_t Dense(std::size_t slot) const {
    return Be16(zip_, zip_.size() - kDirSlotSize * (slot + 1));
  }

  Status DecodeDirectory();
  // Inflates up to page offset `target`. `throughEnd`: the stream's end
  // there is no error (inside a record); otherwise it is reported in
  // `ended`.
  bool InflateTo(std::size_t target, bool throughEnd, bool& ended);
  // Skips the fixed header bytes of the record at `origin` when the output
  // stands there, and gives it the next heap number.
  bool EnterRecord(std::size_t origin);
  bool LayOutInPage(std::size_t origin, bool nodePointer, RecordFields& out) const;
  bool FitsPage(std::size_t origin, const RecordFields& fields) const {
    return origin + fields.DataSize() <= recordLimit_;
  }
  Status InflateNodePointers(bool& ended);
  Status InflateSecondary(bool& ended);
  Status InflateClustered(bool& ended);
  Status ApplyLog(std::size_t logStart, std::size_t logEnd, std::size_t& logEndOut,
                  CompressedPageNotes& notes);
  void SetHeapWord(std::size_t origin, std::size_t heapNumber) {
    Write16(At(origin - CompactRecordHeader::kHeapBelowOrigin),
            (heapNumber << kHeapNumberShift) | status_);
  }
  void SetLink(std::size_t origin, std::size_t next) {
    Write16(At(origin - CompactRecordHeader::kLinkBelowOrigin),
            next == 0 ? 0 : (next - origin) & 0xFFFF);
  }
  Status SetHeaderBytes(CompressedPageNotes& notes);

  ByteView zip_;
  std::size_t logical_;
  std::vector<std::uint8_t>& page_;
  bool leaf_ = false;
  std::uint8_t status_ = kStatusOrdinary;
  std::size_t denseCount_ = 0;
  std::size_t userCount_ = 0;
  std::size_t slotCount_ = 0;
  // Records end at most here: where the sparse directory begins.
  std::size_t recordLimit_ = 0;
  // Record origins, ascending.
  std::vector<std::size_t> records_;
  ZipIndex index_;
  ZStream stream_;
  std::size_t nextHeapNumber_ = kFirstUserHeapNumber;
};

Status Inflater::DecodeDirectory() {
  const std::size_t firstSlot = logical_ - kPageTrailerSize - kDirSlotSize;
  Write16(At(firstSlot), kCompactInfimumOrigin);
  std::size_t written = 1;
  records_.clear();
  for (std::size_t i = 0; i < denseCount_; ++i) {
    const std::uint16_t entry = Dense(i);
    const std::size_t origin = entry & kDenseOffsetMask;
    if (i < userCount_) {
      if ((entry & kDenseOwned) != 0) {
        if (written + 1 >= slotCount_) return Corrupt("more owning records than directory slots");
        Write16(At(firstSlot - kDirSlotSize * written), origin);
        ++written;
      }
    } else if ((entry & ~kDenseOffsetMask) != 0) {
      return Corrupt("a record on the free list carries flags");
    }
    if (origin < kRecordsStart + CompactRecordHeader::kSize || origin >= recordLimit_) {
      return Corrupt("a directory entry points outside the record area (" + std::to_string(origin) +
                     ")");
    }
    records_.push_back(origin);
  }
  Write16(At(firstSlot - kDirSlotSize * written), kCompactSupremumOrigin);
  if (written + 1 != slotCount_) return Corrupt("the directory slot count does not match");
  std::sort(records_.begin(), records_.end());
  for (std::size_t i = 1; i < records_.size(); ++i) {
    if (records_[i] < records_[i - 1] + CompactRecordHeader::kSize)
      return Corrupt("records overlap");
  }
  return Status::Ok();
}

bool Inflater::InflateTo(std::size_t target, bool throughEnd, bool& ended) {
  const std::size_t at = OutOffset();
  if (target < at || target > recordLimit_) return false;
  stream_->avail_out = static_cast<uInt>(target - at);
  const int result = inflate(stream_.get(), Z_SYNC_FLUSH);
  if (result == Z_STREAM_END && !throughEnd) {
    ended = true;
    return true;
  }
  if (result == Z_OK || result == Z_BUF_ERROR || result == Z_STREAM_END)
    return stream_->avail_out == 0;
  return false;
}

bool Inflater::EnterRecord(std::size_t origin) {
  if (OutOffset() != origin - CompactRecordHeader::kSize) return false;
  stream_->next_out = At(origin);
  SetHeapWord(origin, nextHeapNumber_++);
  return true;
}

bool Inflater::LayOutInPage(std::size_t origin, bool nodePointer, RecordFields& out) const {
  const std::uint8_t* page = page_.data();
  const auto headerByte = [&](std::size_t k, std::uint8_t& value) {
    if (origin < kRecordsStart + CompactRecordHeader::kSize + 1 + k) return false;
    value = page[origin - CompactRecordHeader::kSize - 1 - k];
    return true;
  };
  return LayOutRecord(index_, nodePointer, headerByte, out) && FitsPage(origin, out);
}

Status Inflater::InflateNodePointers(bool& ended) {
  RecordFields fields;
  for (const std::size_t origin : records_) {
    if (!InflateTo(origin - CompactRecordHeader::kSize, false, ended))
      return Corrupt("the stream breaks off");
    if (ended) {
      EnterRecord(origin);
      return Status::Ok();
    }
    EnterRecord(origin);
    if (!LayOutInPage(origin, true, fields)) return Corrupt("a node pointer record is damaged");
    if (!InflateTo(origin + fields.DataSize() - kNodePointerSize, false, ended))
      return Corrupt("the stream breaks off in a node pointer");
    if (ended) return Status::Ok();
    std::memset(stream_->next_out, 0, kNodePointerSize);
    stream_->next_out += kNodePointerSize;
  }
  return Status::Ok();
}

Status Inflater::InflateSecondary(bool& ended) {
  for (const std::size_t origin : records_) {
    if (OutOffset() != origin - CompactRecordHeader::kSize) {
      if (!InflateTo(origin - CompactRecordHeader::kSize, false, ended))
        return Corrupt("the stream breaks off");
      if (ended) {
        EnterRecord(origin);
        return Status::Ok();
      }
    }
    EnterRecord(origin);
  }
  return Status::Ok();
}

Status Inflater::InflateClustered(bool& ended) {
  RecordFields fields;
  for (const std::size_t origin : records_) {
    if (!InflateTo(origin - CompactRecordHeader::kSize, false, ended))
      return Corrupt("the stream breaks off");
    if (ended) {
      EnterRecord(origin);
      return Status::Ok();
    }
    EnterRecord(origin);
    if (!LayOutInPage(origin, false, fields) || index_.trxIdField >= fields.ends.size())
      return Corrupt("a clustered leaf record is damaged");
    bool unused = false;
    for (std::size_t i = 0; i < fields.ends.size(); ++i) {
      const bool trx = i == index_.trxIdField;
      if (!trx && fields.external[i] == 0) continue;
      if (trx && (fields.Length(i) < kTrxRollLength || fields.external[i] != 0))
        return Corrupt("a record's transaction id is damaged");
      if (!trx && fields.Length(i) < kReferenceSize)
        return Corrupt("a record's BLOB reference is cut short");
      const std::size_t skip = trx ? kTrxRollLength : kReferenceSize;
      const std::size_t at = trx ? origin + fields.Start(i) : origin + fields.ends[i] - skip;
      if (!InflateTo(at, true, unused)) return Corrupt("the stream breaks off in a record");
      std::memset(stream_->next_out, 0, skip);
      stream_->next_out += skip;
    }
    if (!InflateTo(origin + fields.DataSize(), true, unused))
      return Corrupt("the stream breaks off at a record's end");
  }
  return Status::Ok();
}

Status Inflater::ApplyLog(std::size_t pos, std::size_t end, std::size_t& logEndOut,
                          CompressedPageNotes& notes) {
  const std::uint8_t* log = zip_.data();
  RecordFields fields;
  const bool nodePointer = !leaf_;
  const std::size_t trx = index_.trxIdField;
  auto copy = [&](std::size_t to, std::size_t count) {
    if (pos + count >= end || to + count > recordLimit_) return false;
    std::memcpy(At(to), log + pos, count);
    pos += count;
    return true;
  };
  for (;;) {
    if (pos >= end) return Corrupt("the modification log runs past its space");
    std::size_t value = log[pos++];
    if (value == 0) {
      logEndOut = pos - 1;
      return Status::Ok();
    }
    if ((value & 0x80) != 0) {
      if (pos >= end) return Corrupt("the modification log runs past its space");
      value = ((value & 0x7F) << 8) | log[pos++];
    }
    if (pos >= end) return Corrupt("the modification log runs past its space");
    const std::size_t slot = value >> 1;
    if (slot == 0 || slot > denseCount_) return Corrupt("the modification log names no record");
    const std::size_t origin = records_[slot - 1];
    const std::size_t heapNumber = slot + 1;
    if (heapNumber > nextHeapNumber_) {
      return Corrupt("the modification log skips a heap number");
    } else if (heapNumber == nextHeapNumber_) {
      if ((value & 1) != 0) return Corrupt("the modification log clears a record never written");
      ++nextHeapNumber_;
    }
    SetHeapWord(origin, heapNumber);
    ++notes.logEntries;
    if ((value & 1) != 0) {
      if (!LayOutInPage(origin, nodePointer, fields))
        return Corrupt("a record the modification log clears is damaged");
      std::memset(At(origin), 0, fields.DataSize());
      continue;
    }
    const auto headerByte = [&](std::size_t k, std::uint8_t& byte) {
      if (pos + k >= end) return false;
      byte = log[pos + k];
      return true;
    };
    if (!LayOutRecord(index_, nodePointer, headerByte, fields) || !FitsPage(origin, fields))
      return Corrupt("a record of the modification log is damaged");
    const std::size_t below = fields.extraSize - CompactRecordHeader::kSize;
    if (origin < kRecordsStart + fields.extraSize || pos + below >= end)
      return Corrupt("a record header of the modification log does not fit");
    for (std::size_t k = 0; k < below; ++k)
      page_[origin - CompactRecordHeader::kSize - 1 - k] = log[pos++];
    if (fields.anyExternal) {
      if (nodePointer) return Corrupt("a node pointer refers to a BLOB");
      std::size_t out = origin;
      for (std::size_t i = 0; i < fields.ends.size(); ++i) {
        if (i == trx) {
          const std::size_t dst = origin + fields.Start(i);
          if (fields.Length(i) < kTrxRollLength || fields.external[i] != 0 || !copy(out, dst - out))
            return Corrupt("a record of the modification log is cut short");
          out = dst + kTrxRollLength;
        } else if (fields.external[i] != 0) {
          if (fields.Length(i) < kReferenceSize) return Corrupt("a BLOB reference is cut short");
          const std::size_t dst = origin + fields.ends[i] - kReferenceSize;
          if (!copy(out, dst - out))
            return Corrupt("a record of the modification log is cut short");
          out = dst + kReferenceSize;
        }
      }
      if (!copy(out, origin + fields.DataSize() - out))
        return Corrupt("a record of the modification log is cut short");
    } else if (nodePointer) {
      if (!copy(origin, fields.DataSize() - kNodePointerSize))
        return Corrupt("a node pointer of the modification log is cut short");
    } else if (trx == kNoField) {
      if (!copy(origin, fields.DataSize()))
        return Corrupt("a record of the modification log is cut short");
    } else {
      if (trx >= fields.ends.size() || fields.Length(trx) < kTrxRollLength ||
          !copy(origin, fields.Start(trx)))
        return Corrupt("a record of the modification log is cut short");
      const std::size_t after = origin + fields.Start(trx) + kTrxRollLength;
      if (!copy(after, origin + fields.DataSize() - after))
        return Corrupt("a record of the modification log is cut short");
    }
  }
}

Status Inflater::SetHeaderBytes(CompressedPageNotes& notes) {
  std::uint8_t info = 0;
  if (!leaf_ && Be32(zip_, FilHeader::kPreviousPageOffset) == kNoPage) info = kRecordMinimumMark;
  std::size_t owned = 1;
  std::size_t origin = kCompactInfimumOrigin;
  for (std::size_t i = 0; i < userCount_; ++i) {
    const std::uint16_t entry = Dense(i);
    if ((entry & kDenseDeleted) != 0) {
      info |= kRecordDeleteMark;
      ++notes.deleteMarked;
    }
    if ((entry & kDenseOwned) != 0) {
      info = static_cast<std::uint8_t>(info | owned);
      owned = 1;
    } else {
      ++owned;
    }
    const std::size_t next = entry & kDenseOffsetMask;
    SetLink(origin, next);
    origin = next;
    page_[origin - CompactRecordHeader::kSize] = info;
    info = 0;
  }
  SetLink(origin, kCompactSupremumOrigin);
  if (owned > 0x0F) return Corrupt("the supremum owns too many records");
  page_[kCompactSupremumOrigin - CompactRecordHeader::kSize] = static_cast<std::uint8_t>(owned);
  if (userCount_ == denseCount_) return Status::Ok();
  // The free list, in the dense directory's order.
  for (std::size_t i = userCount_; i < denseCount_; ++i) {
    const std::size_t at = Dense(i);
    page_[at - CompactRecordHeader::kSize] = 0;
    SetLink(at, i + 1 < denseCount_ ? Dense(i + 1) : 0);
  }
  return Status::Ok();
}

Status Inflater::Run(CompressedPageNotes& notes) {
  const std::size_t zipSize = zip_.size();
  if (Be16(zip_, FilHeader::kPageTypeOffset) != kIndexPageType)
    return Status::NotSupported("not a compressed index page (page type " +
                                std::to_string(Be16(zip_, FilHeader::kPageTypeOffset)) + ")");
  const std::uint16_t heapField = Be16(zip_, IndexPageHeader::kHeapCountOffset);
  if ((heapField & IndexPageHeader::kCompactHeapFlag) == 0)
    return Corrupt("the page does not hold compact records");
  const std::size_t heapCount = heapField & kHeapCountMask;
  if (heapCount < kFirstUserHeapNumber) return Corrupt("the heap holds no fixed records");
  denseCount_ = heapCount - kFirstUserHeapNumber;
  if (denseCount_ * kDirSlotSize >= zipSize) return Corrupt("the dense directory is too large");
  userCount_ = Be16(zip_, kRecordCountField);
  if (userCount_ > denseCount_) return Corrupt("more records than the heap holds");
  slotCount_ = Be16(zip_, kDirSlotsField);
  if (slotCount_ < 2 || kRecordsStart + slotCount_ * kDirSlotSize + kPageTrailerSize > logical_)
    return Corrupt("the directory slot count is out of range");
  recordLimit_ = logical_ - kPageTrailerSize - slotCount_ * kDirSlotSize;
  leaf_ = Be16(zip_, IndexPageHeader::kLevelOffset) == 0;
  status_ = leaf_ ? kStatusOrdinary : kStatusNodePointer;
  notes.leaf = leaf_;
  notes.records = userCount_;
  notes.freeRecords = denseCount_ - userCount_;

  page_.assign(logical_, 0);
  std::memcpy(page_.data(), zip_.data(), kPageDataStart);
  Status status = DecodeDirectory();
  if (!status.ok()) return status;

  // The fixed records.
  std::memcpy(At(kCompactInfimumOrigin - CompactRecordHeader::kSize), kInfimumHeader,
              sizeof kInfimumHeader);
  SetLink(kCompactInfimumOrigin, userCount_ == 0
                                     ? kCompactSupremumOrigin
                                     : static_cast<std::size_t>(Dense(0) & kDenseOffsetMask));
  std::memcpy(At(kCompactInfimumOrigin), kInfimumBytes, sizeof kInfimumBytes);
  std::memcpy(At(kCompactSupremumOrigin - CompactRecordHeader::kSize + 1), kSupremumHeaderAndText,
              sizeof kSupremumHeaderAndText);

  stream_.reset(new z_stream{});
  unsigned windowBits = 0;
  while ((std::size_t{1} << windowBits) < logical_)
    ++windowBits;
  if (inflateInit2(stream_.get(), static_cast<int>(windowBits)) != Z_OK) {
    delete stream_.release();
    return Status::NotSupported("zlib cannot inflate pages of this size");
  }
  stream_->next_in = const_cast<Bytef*>(zip_.data() + kPageDataStart);
  stream_->avail_in = static_cast<uInt>(zipSize - (kPageDataStart + 1));
  stream_->next_out = At(kRecordsStart);
  stream_->avail_out = static_cast<uInt>(logical_ - kRecordsStart);
  // The field list, ended by a full flush: two blocks.
  if (inflate(stream_.get(), Z_BLOCK) != Z_OK || inflate(stream_.get(), Z_BLOCK) != Z_OK)
    return Corrupt("the stream does not begin with the field list");
  if (!DecodeFields(At(kRecordsStart), stream_->next_out, leaf_, index_))
    return Corrupt("the field list is damaged");
  const bool clustered = leaf_ && index_.trxIdField != kNoField;
  notes.clustered = clustered;
  stream_->next_out = At(kRecordsStart);

  const std::size_t perRecord = kDirSlotSize + (!leaf_      ? kNodePointerSize
                                                : clustered ? kTrxRollLength
                                                            : 0);
  const std::size_t trailer = denseCount_ * perRecord;
  if (trailer > stream_->avail_in) return Corrupt("the uncompressed columns do not fit the page");
  stream_->avail_in -= static_cast<uInt>(trailer);

  bool ended = false;
  status = !leaf_      ? InflateNodePointers(ended)
           : clustered ? InflateClustered(ended)
                       : InflateSecondary(ended);
  if (!status.ok()) return status;
  if (!ended) {
    // The rest of the heap (space of records on the free list).
    const std::size_t heapTop = Be16(zip_, kHeapTopField);
    if (heapTop < OutOffset() || heapTop > recordLimit_)
      return Corrupt("the heap top is out of range");
    stream_->avail_out = static_cast<uInt>(heapTop - OutOffset());
    if (inflate(stream_.get(), Z_FINISH) != Z_STREAM_END)
      return Corrupt("the stream does not end at the heap top");
  }
  if (OutOffset() > recordLimit_) return Corrupt("the stream runs into the directory");

  const std::size_t logStart = static_cast<std::size_t>(stream_->next_in - zip_.data());
  const std::size_t logEnd = logStart + stream_->avail_in + 1;
  std::size_t logStop = logStart;
  status = ApplyLog(logStart, logEnd, logStop, notes);
  if (!status.ok()) return status;
  if (trailer + logStop >= zipSize) return Corrupt("the modification log overlaps the directory");

  // The columns kept uncompressed, in the records' heap order.
  std::size_t storage = zipSize - denseCount_ * kDirSlotSize;
  RecordFields fields;
  if (!leaf_) {
    for (const std::size_t origin : records_) {
      if (!LayOutInPage(origin, true, fields)) return Corrupt("a node pointer record is damaged");
      storage -= kNodePointerSize;
      std::memcpy(At(origin + fields.DataSize() - kNodePointerSize), zip_.data() + storage,
                  kNodePointerSize);
    }
  } else if (clustered) {
    std::size_t references = storage - denseCount_ * kTrxRollLength;
    std::unordered_set<std::size_t> freeRecords;
    for (std::size_t i = userCount_; i < denseCount_; ++i)
      freeRecords.insert(Dense(i));
    for (const std::size_t origin : records_) {
      if (!LayOutInPage(origin, false, fields) || index_.trxIdField >= fields.ends.size() ||
          fields.Length(index_.trxIdField) < kTrxRollLength)
        return Corrupt("a clustered leaf record is damaged");
      storage -= kTrxRollLength;
      std::memcpy(At(origin + fields.Start(index_.trxIdField)), zip_.data() + storage,
                  kTrxRollLength);
      if (!fields.anyExternal) continue;
      const bool live = freeRecords.count(origin) == 0;
      for (std::size_t i = 0; i < fields.ends.size(); ++i) {
        if (fields.external[i] == 0) continue;
        if (fields.Length(i) < kReferenceSize) return Corrupt("a BLOB reference is cut short");
        std::uint8_t* dst = At(origin + fields.ends[i] - kReferenceSize);
        if (live) {
          if (references < logStop + kReferenceSize)
            return Corrupt("the BLOB references overlap the modification log");
          references -= kReferenceSize;
          std::memcpy(dst, zip_.data() + references, kReferenceSize);
          ++notes.externalReferences;
        } else {
          std::memset(dst, 0, kReferenceSize);
        }
      }
    }
  }
  status = SetHeaderBytes(notes);
  if (!status.ok()) return status;
  if (CompressedChecksumMatches(zip_)) StampChecksum(page_);
  return Status::Ok();
}

bool ValidCompressedSize(std::size_t size) {
  return size >= 1024 && size <= 16384 && (size & (size - 1)) == 0;
}

}  // namespace

std::size_t CompressedPageSizeOfFlags(std::uint32_t spaceFlags) {
  // MariaDB's full_crc32 format (bit 4 set with a page size in bits 0 to
  // 3) knows no compressed pages.
  constexpr std::uint32_t kFullCrc32Marker = 0x10;
  constexpr std::uint32_t kPostAntelope = 0x01;
  if ((spaceFlags & kFullCrc32Marker) != 0 && (spaceFlags & kPostAntelope) == 0) return 0;
  const std::uint32_t ssize = (spaceFlags >> 1) & 0x0F;
  if (ssize == 0 || ssize > 5) return 0;
  return std::size_t{512} << ssize;
}

std::size_t CompressedPageSizeOf(ByteView firstPage) {
  if (firstPage.size() < kSpaceFlagsOffset + 4) return 0;
  return CompressedPageSizeOfFlags(Be32(firstPage, kSpaceFlagsOffset));
}

Status InflateCompressedPage(ByteView zipPage, std::size_t logicalPageSize,
                             std::vector<std::uint8_t>& page, CompressedPageNotes* notes) {
  if (!ValidCompressedSize(zipPage.size()))
    return Status::NotSupported("a compressed page of " + std::to_string(zipPage.size()) +
                                " bytes");
  if (logicalPageSize < zipPage.size() || logicalPageSize > 16384 ||
      (logicalPageSize & (logicalPageSize - 1)) != 0)
    return Status::NotSupported("compressed pages of " + std::to_string(zipPage.size()) +
                                " bytes in pages of " + std::to_string(logicalPageSize));
  CompressedPageNotes local;
  Inflater inflater(zipPage, logicalPageSize, page);
  return inflater.Run(notes != nullptr ? *notes : local);
}

Status ReadCompressedLongValue(std::uint32_t firstPage, std::uint32_t partOffset,
                               std::uint64_t length, std::size_t physicalPageSize,
                               const PhysicalPageReader& read,
                               const std::function<void(ByteView)>& sink,
                               std::uint64_t& delivered) {
  delivered = 0;
  if (!ValidCompressedSize(physicalPageSize))
    return Status::NotSupported("compressed BLOB pages of " + std::to_string(physicalPageSize) +
                                " bytes");
  if (length == 0) return Status::Ok();
  ZStream stream(new z_stream{});
  if (inflateInit(stream.get()) != Z_OK) {
    delete stream.release();
    return Status::IoError("zlib could not be set up");
  }
  constexpr std::size_t kChunk = 16384;
  std::vector<std::uint8_t> out(kChunk);
  std::vector<std::uint8_t> bytes;
  std::unordered_set<std::uint32_t> seen;
  std::uint32_t page = firstPage;
  std::uint32_t offset = partOffset;
  std::uint16_t expectedType = kCompressedBlobPageType;
  const auto cut = [&](const std::string& why) {
    return Status::Corruption("compressed long value on page " + std::to_string(page) + ": " + why +
                              " after " + std::to_string(delivered) + " of " +
                              std::to_string(length) + " bytes");
  };
  for (;;) {
    if (!seen.insert(page).second) return cut("the chain of BLOB pages loops");
    if (!read(page, bytes) || bytes.size() < physicalPageSize)
      return cut("the BLOB page cannot be read");
    const ByteView view(bytes.data(), physicalPageSize);
    const std::uint16_t type = Be16(view, FilHeader::kPageTypeOffset);
    if (type != expectedType) return cut("the page has type " + std::to_string(type));
    if (offset + 4 > physicalPageSize) return cut("the reference points outside the page");
    const std::uint32_t next = Be32(view, offset);
    const std::size_t dataStart =
        offset == FilHeader::kNextPageOffset ? FilHeader::kSize : offset + 4;
    stream->next_in = const_cast<Bytef*>(view.data() + dataStart);
    stream->avail_in = static_cast<uInt>(physicalPageSize - dataStart);
    bool streamEnd = false;
    while (stream->avail_in > 0 && delivered < length) {
      const std::uint64_t want = std::min<std::uint64_t>(kChunk, length - delivered);
      stream->next_out = out.data();
      stream->avail_out = static_cast<uInt>(want);
      const int result = inflate(stream.get(), Z_NO_FLUSH);
      const std::size_t produced = static_cast<std::size_t>(want) - stream->avail_out;
      if (produced > 0) {
        sink(ByteView(out.data(), produced));
        delivered += produced;
      }
      if (result == Z_STREAM_END) {
        streamEnd = true;
        break;
      }
      if (result != Z_OK) {
        if (result == Z_BUF_ERROR && produced == 0) break;
        return cut("the zlib stream is damaged");
      }
    }
    if (delivered >= length) return Status::Ok();
    if (streamEnd) return cut("the zlib stream ends early");
    if (next == kNoPage) return cut("the chain ends early");
    page = next;
    offset = FilHeader::kNextPageOffset;
    expectedType = kCompressedBlobNextPageType;
  }
}

void CompressedPageSource::Read(std::uint32_t page, std::span<std::uint8_t> out) const {
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  if (!file_.IsOpen() || page >= pageCount_) return;
  std::vector<std::uint8_t> zip(physical_, 0);
  file_.ReadAt(std::uint64_t{page} * physical_, zip);
  const ByteView stored(zip);
  std::vector<std::uint8_t> full;
  if (Be16(stored, FilHeader::kPageTypeOffset) != kIndexPageType) {
    // The space header and extent descriptors stand at the start of their
    // pages: a sound page keeps its checksum at the full size, so that
    // the readers of those trust it.
    full.assign(geometry_.pageSize, 0);
    std::copy(zip.begin(), zip.end(), full.begin());
    // A compressed BLOB page's stream runs to its end, which at the full
    // size is where the checksum would go: it is left as stored.
    const std::uint16_t type = Be16(stored, FilHeader::kPageTypeOffset);
    const bool blob = type == kCompressedBlobPageType || type == kCompressedBlobNextPageType;
    if (!blob && CompressedChecksumMatches(stored)) StampChecksum(full);
    std::copy_n(full.begin(), std::min(full.size(), out.size()), out.begin());
    return;
  }
  if (InflateCompressedPage(stored, geometry_.pageSize, full).ok()) {
    std::copy_n(full.begin(), std::min(full.size(), out.size()), out.begin());
  } else {
    std::copy_n(zip.begin(), std::min(kPageDataStart, out.size()), out.begin());
  }
}

}  // namespace rowmender
