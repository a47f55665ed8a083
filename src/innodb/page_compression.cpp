#include "innodb/page_compression.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "base/crc32c.h"

#if ROWMENDER_HAVE_LZ4
#include <lz4.h>
#endif
#if ROWMENDER_HAVE_LZO2
#include <lzo/lzo1x.h>
#endif
#if ROWMENDER_HAVE_LZMA
#include <lzma.h>
#endif
#if ROWMENDER_HAVE_BZ2
#include <bzlib.h>
#endif
#if ROWMENDER_HAVE_SNAPPY
#include <snappy-c.h>
#endif

namespace rowmender {

namespace {

constexpr std::size_t kPageTypeOffset = 24;
// The part of the FIL header a compressed page keeps as it was: checksum
// field, page number, neighbours, LSN.
constexpr std::size_t kKeptHeader = kPageTypeOffset;
// The older form: algorithm (eight bytes, the number in the last two),
// payload length, payload.
constexpr std::size_t kAlgorithmOffset = 26;
constexpr std::size_t kAlgorithmFieldSize = 8;
constexpr std::size_t kPayloadLengthOffset = 38;
constexpr std::size_t kOlderPayloadOffset = 40;
constexpr std::uint32_t kNoChecksumMagic = 0xDEADBEEFu;
// full_crc32.
constexpr std::uint16_t kFullCrc32CompressedMarker = 0x8000;
constexpr unsigned kFullCrc32SizeUnitShift = 8;
constexpr std::size_t kFullCrc32PayloadOffset = 26;
constexpr std::size_t kChecksumSize = 4;
constexpr std::size_t kLengthByteBeforeChecksum = 5;
constexpr std::size_t kLengthByteCarry = 0x100;

using Decompress = bool (*)(ByteView payload, std::span<std::uint8_t> out);

bool Zlib(ByteView payload, std::span<std::uint8_t> out) {
  uLongf length = static_cast<uLongf>(out.size());
  return uncompress(out.data(), &length, payload.data(), static_cast<uLong>(payload.size())) ==
             Z_OK &&
         length == out.size();
}

#if ROWMENDER_HAVE_LZ4
bool Lz4(ByteView payload, std::span<std::uint8_t> out) {
  const int length = LZ4_decompress_safe(
      reinterpret_cast<const char*>(payload.data()), reinterpret_cast<char*>(out.data()),
      static_cast<int>(payload.size()), static_cast<int>(out.size()));
  return length >= 0 && static_cast<std::size_t>(length) == out.size();
}
#endif

#if ROWMENDER_HAVE_LZO2
bool Lzo(ByteView payload, std::span<std::uint8_t> out) {
  static const bool ready = lzo_init() == LZO_E_OK;
  if (!ready) return false;
  lzo_uint length = out.size();
  return lzo1x_decompress_safe(payload.data(), payload.size(), out.data(), &length, nullptr) ==
             LZO_E_OK &&
         length == out.size();
}
#endif

#if ROWMENDER_HAVE_LZMA
bool Lzma(ByteView payload, std::span<std::uint8_t> out) {
  std::uint64_t memoryLimit = std::numeric_limits<std::uint64_t>::max();
  std::size_t in = 0;
  std::size_t produced = 0;
  return lzma_stream_buffer_decode(&memoryLimit, 0, nullptr, payload.data(), &in, payload.size(),
                                   out.data(), &produced, out.size()) == LZMA_OK &&
         produced == out.size();
}
#endif

#if ROWMENDER_HAVE_BZ2
bool Bzip2(ByteView payload, std::span<std::uint8_t> out) {
  // The library takes its input as writable.
  std::vector<char> input(payload.begin(), payload.end());
  auto length = static_cast<unsigned>(out.size());
  return BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(out.data()), &length, input.data(),
                                    static_cast<unsigned>(input.size()), 1, 0) == BZ_OK &&
         length == out.size();
}
#endif

#if ROWMENDER_HAVE_SNAPPY
bool Snappy(ByteView payload, std::span<std::uint8_t> out) {
  const char* input = reinterpret_cast<const char*>(payload.data());
  std::size_t length = 0;
  if (snappy_uncompressed_length(input, payload.size(), &length) != SNAPPY_OK ||
      length != out.size()) {
    return false;
  }
  return snappy_uncompress(input, payload.size(), reinterpret_cast<char*>(out.data()), &length) ==
             SNAPPY_OK &&
         length == out.size();
}
#endif

// The decompressor of `algorithm`; null where this build has none.
Decompress DecompressorOf(unsigned algorithm) {
  switch (static_cast<PageCompression>(algorithm)) {
    case PageCompression::kZlib:
      return Zlib;
#if ROWMENDER_HAVE_LZ4
    case PageCompression::kLz4:
      return Lz4;
#endif
#if ROWMENDER_HAVE_LZO2
    case PageCompression::kLzo:
      return Lzo;
#endif
#if ROWMENDER_HAVE_LZMA
    case PageCompression::kLzma:
      return Lzma;
#endif
#if ROWMENDER_HAVE_BZ2
    case PageCompression::kBzip2:
      return Bzip2;
#endif
#if ROWMENDER_HAVE_SNAPPY
    case PageCompression::kSnappy:
      return Snappy;
#endif
    default:
      return nullptr;
  }
}

bool KnownAlgorithm(unsigned algorithm) {
  return algorithm >= static_cast<unsigned>(PageCompression::kZlib) &&
         algorithm <= static_cast<unsigned>(PageCompression::kSnappy);
}

// Where the payload of a stored page lies and which algorithm made it; an
// empty `problem` when both are known.
struct Payload {
  ByteView bytes;
  unsigned algorithm = 0;
  std::string problem;
};

Payload OlderPayload(ByteView stored) {
  Payload payload;
  const std::uint64_t field = BigEndian(stored, kAlgorithmOffset, kAlgorithmFieldSize);
  const std::size_t length = Be16(stored, kPayloadLengthOffset);
  if (field > std::numeric_limits<std::uint16_t>::max()) {
    payload.problem = "its compression header is damaged";
    return payload;
  }
  payload.algorithm = static_cast<unsigned>(field);
  if (Be32(stored, 0) != kNoChecksumMagic) {
    payload.problem = "its compression header is damaged";
  } else if (length == 0 || stored.size() < kOlderPayloadOffset ||
             length > stored.size() - kOlderPayloadOffset) {
    payload.problem = "its compressed length (" + std::to_string(length) + " bytes) is damaged";
  } else {
    payload.bytes = stored.subspan(kOlderPayloadOffset, length);
  }
  return payload;
}

Payload FullCrc32Payload(ByteView stored, const TablespaceGeometry& geometry) {
  Payload payload;
  payload.algorithm = geometry.compressionAlgorithm;
  const std::uint16_t type = Be16(stored, kPageTypeOffset);
  std::size_t size = std::size_t{static_cast<std::uint16_t>(type & ~kFullCrc32CompressedMarker)}
                     << kFullCrc32SizeUnitShift;
  if (!geometry.pageCompressed) {
    payload.problem = "it is marked compressed in a tablespace whose flags name no compression";
    return payload;
  }
  if (size < kFullCrc32PayloadOffset + kLengthByteBeforeChecksum || size >= stored.size()) {
    payload.problem = "its stored size (" + std::to_string(size) + " bytes) is damaged";
    return payload;
  }
  if (Be32(stored, size - kChecksumSize) != Crc32c(stored.first(size - kChecksumSize))) {
    payload.problem = "it fails its checksum";
    return payload;
  }
  const auto algorithm = static_cast<PageCompression>(payload.algorithm);
  if (algorithm == PageCompression::kLz4 || algorithm == PageCompression::kLzo ||
      algorithm == PageCompression::kSnappy) {
    // The low byte of the exact size.
    const std::size_t low = stored[size - kLengthByteBeforeChecksum];
    if (low != 0) size = size + low - kLengthByteCarry;
    size -= kLengthByteBeforeChecksum;
  }
  if (size <= kFullCrc32PayloadOffset) {
    payload.problem = "its stored size is damaged";
    return payload;
  }
  payload.bytes = stored.subspan(kFullCrc32PayloadOffset, size - kFullCrc32PayloadOffset);
  return payload;
}

}  // namespace

bool IsStoredCompressed(ByteView page, const TablespaceGeometry& geometry) {
  const std::uint16_t type = Be16(page, kPageTypeOffset);
  if (geometry.fullCrc32) return (type & kFullCrc32CompressedMarker) != 0;
  return type == kPageCompressedType || type == kPageCompressedEncryptedType;
}

bool CanDecompress(unsigned algorithm) {
  return DecompressorOf(algorithm) != nullptr;
}

std::string InflatePage(ByteView stored, const TablespaceGeometry& geometry,
                        std::span<std::uint8_t> out) {
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  const auto keepHeader = [&] {
    const std::size_t kept = std::min({kKeptHeader, stored.size(), out.size()});
    std::copy_n(stored.begin(), kept, out.begin());
  };
  if (!geometry.fullCrc32 && Be16(stored, kPageTypeOffset) == kPageCompressedEncryptedType) {
    keepHeader();
    return "it is compressed and encrypted, and encrypted pages cannot be read";
  }
  Payload payload = geometry.fullCrc32 ? FullCrc32Payload(stored, geometry) : OlderPayload(stored);
  if (payload.problem.empty()) {
    const Decompress decompress = DecompressorOf(payload.algorithm);
    if (!KnownAlgorithm(payload.algorithm)) {
      payload.problem = "it is compressed with an unknown algorithm (number " +
                        std::to_string(payload.algorithm) + ")";
    } else if (decompress == nullptr) {
      payload.problem = "it is compressed with " + PageCompressionName(payload.algorithm) +
                        ", which this build cannot decompress (library missing)";
    } else if (!decompress(payload.bytes, out)) {
      std::fill(out.begin(), out.end(), std::uint8_t{0});
      payload.problem =
          "its " + PageCompressionName(payload.algorithm) + "-compressed contents are damaged";
    }
  }
  if (!payload.problem.empty()) {
    keepHeader();
  } else if (geometry.fullCrc32 && out.size() >= kChecksumSize) {
    // The server checksums the stored page, whose checksum held; the page
    // it compressed carries none. It is given its own, so that it reads as
    // the sound page it is.
    const std::size_t end = out.size() - kChecksumSize;
    const std::uint32_t crc = Crc32c(ByteView(out).first(end));
    for (std::size_t i = 0; i < kChecksumSize; ++i)
      out[end + i] = static_cast<std::uint8_t>(crc >> (8 * (kChecksumSize - 1 - i)));
  }
  return payload.problem;
}

}  // namespace rowmender
