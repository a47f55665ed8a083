#include "innodb/external_value.h"

#include <algorithm>
#include <fstream>
#include <unordered_set>

#include "base/paths.h"
#include "innodb/compressed_page.h"
#include "innodb/lob_pages.h"

namespace rowmender {

ExternalReference ExternalReference::DecodeFrom(ByteView local) {
  ExternalReference reference;
  if (local.size() < kSize) return reference;
  const ByteView bytes = local.subspan(local.size() - kSize);
  reference.spaceId = Be32(bytes, kSpaceOffset);
  reference.firstPage = Be32(bytes, kPageOffset);
  reference.partOffset = Be32(bytes, kPartOffsetOffset);
  reference.totalLength = Be32(bytes, kLengthOffset);
  return reference;
}

LongValueReader::Result ReadWholeExternalValue(const PageSource& source, ByteView local,
                                               const std::function<void(ByteView)>& sink) {
  LongValueReader::Result result;
  if (local.size() < ExternalReference::kSize) {
    sink(local);
    result.bytes = result.expected = local.size();
    result.complete = true;
    return result;
  }
  const ExternalReference reference = ExternalReference::DecodeFrom(local);
  const ByteView prefix = local.first(local.size() - ExternalReference::kSize);
  sink(prefix);
  result.bytes = prefix.size();
  result.expected = prefix.size() + std::uint64_t{reference.totalLength};

  PageBuffer buffer = NewPageBuffer(source);
  std::uint64_t written = 0;
  if (source.Holds(reference.firstPage)) {
    source.Read(reference.firstPage, buffer);
    // MySQL 8 keeps the value in its large-object pages.
    if (FilHeader::DecodeFrom(buffer).pageType == kLobFirstPageType) {
      written = ReadLobValue(source, reference.firstPage, reference.totalLength, sink);
      result.bytes += written;
      result.complete = written == reference.totalLength;
      return result;
    }
    // ROW_FORMAT=COMPRESSED keeps the value as one zlib stream over a chain
    // of pages of the tablespace's physical page size; a page of the source
    // holds such a page in its first bytes.
    if (FilHeader::DecodeFrom(buffer).pageType == kCompressedBlobPageType) {
      std::size_t physical =
          source.Geometry().RowCompressed() ? source.Geometry().physicalPageSize : 0;
      if (physical == 0) {
        // A source of pages already inflated: page 0 still names the size.
        PageBuffer first = NewPageBuffer(source);
        source.Read(0, first);
        physical = CompressedPageSizeOf(first);
      }
      const auto read = [&](std::uint32_t page, std::vector<std::uint8_t>& out) {
        if (!source.Holds(page)) return false;
        out.assign(source.PageSize(), 0);
        source.Read(page, out);
        return true;
      };
      ReadCompressedLongValue(reference.firstPage, reference.partOffset, reference.totalLength,
                              physical, read, sink, written);
      result.bytes += written;
      result.complete = written == reference.totalLength;
      return result;
    }
  }
  std::uint32_t page = reference.firstPage;
  std::size_t offset = reference.partOffset;
  // A chain never comes back to a page it has been through.
  std::unordered_set<std::uint32_t> visited;
  while (written < reference.totalLength) {
    if (!source.Holds(page) || !visited.insert(page).second) break;
    source.Read(page, buffer);
    const BlobPart part = BlobPage(buffer).PartAt(offset);
    const std::uint64_t room = reference.totalLength - written;
    const ByteView data =
        part.data.first(static_cast<std::size_t>(std::min<std::uint64_t>(part.data.size(), room)));
    if (!data.empty()) sink(data);
    written += data.size();
    result.bytes += data.size();
    if (part.cut || part.length == 0) break;
    page = part.nextPage;
    offset = BlobPart::kFollowingPartOffset;
  }
  result.complete = written == reference.totalLength;
  return result;
}

std::uint64_t ReadExternalValue(const PageSource& source, ByteView local,
                                const std::function<void(ByteView)>& sink) {
  return ReadWholeExternalValue(source, local, sink).bytes;
}

std::string ExternalValueBytes(const PageSource& source, ByteView local) {
  std::string value;
  ReadExternalValue(source, local, [&](ByteView part) { value.append(AsChars(part)); });
  return value;
}

std::string BlobFolderOf(const std::string& saveFolder) {
  return JoinPath(saveFolder, "blobdata");
}

}  // namespace rowmender
