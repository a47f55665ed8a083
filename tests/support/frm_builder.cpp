#include "support/frm_builder.h"

namespace rowmender::testing {

namespace {

class Writer {
 public:
  void U8(std::size_t at, std::uint32_t v) { Grow(at + 1)[at] = static_cast<std::uint8_t>(v); }
  void U16(std::size_t at, std::uint32_t v) {
    U8(at, v & 0xFF);
    U8(at + 1, (v >> 8) & 0xFF);
  }
  void U24(std::size_t at, std::uint32_t v) {
    U16(at, v & 0xFFFF);
    U8(at + 2, (v >> 16) & 0xFF);
  }
  void U32(std::size_t at, std::uint32_t v) {
    U16(at, v & 0xFFFF);
    U16(at + 2, v >> 16);
  }
  void Bytes(std::size_t at, const std::vector<std::uint8_t>& bytes) {
    Grow(at + bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
      data_[at + i] = bytes[i];
  }
  std::vector<std::uint8_t>& Grow(std::size_t size) {
    if (data_.size() < size) data_.resize(size, 0);
    return data_;
  }
  std::vector<std::uint8_t> Take() { return std::move(data_); }

 private:
  std::vector<std::uint8_t> data_;
};

std::vector<std::uint8_t> NameList(const std::vector<std::string>& names) {
  std::vector<std::uint8_t> out;
  if (names.empty()) {
    out.push_back(0);
    return out;
  }
  out.push_back(0xFF);
  for (const auto& name : names) {
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0xFF);
  }
  out.push_back(0);
  return out;
}

}  // namespace

std::vector<std::uint8_t> BuildFrm(const FrmSpec& spec) {
  const int layout = spec.version - 6;
  Writer w;
  w.U8(0, 0xFE);
  w.U8(1, 0x01);
  w.U8(2, spec.version);
  w.U8(3, spec.engine);
  w.U16(30, spec.tableOptions);
  w.U8(32, spec.nullFlagsLast ? 2 : 0);
  w.U8(38, spec.tableCharset & 0xFF);
  w.U8(41, spec.tableCharset >> 8);
  w.U32(51, spec.versionId);

  // Form names: a 2-byte block, then the 4-byte form position.
  constexpr std::size_t kNamesLength = 2;
  w.U16(4, kNamesLength);
  w.U16(8, 1);

  // Key section.
  std::vector<std::uint8_t> keys;
  auto put = [&keys](std::size_t width, std::uint32_t v) {
    for (std::size_t i = 0; i < width; ++i)
      keys.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  std::size_t totalParts = 0;
  for (const auto& key : spec.keys)
    totalParts += key.columns.size();
  put(1, static_cast<std::uint32_t>(spec.keys.size()));
  put(1, spec.declaredKeyParts.value_or(static_cast<std::uint16_t>(totalParts)));
  put(2, 0);
  std::vector<std::string> keyNames;
  for (const auto& key : spec.keys)
    keyNames.push_back(key.name);
  const auto keyNameList = NameList(keyNames);
  put(2, static_cast<std::uint32_t>(keyNameList.size()));
  for (const auto& key : spec.keys) {
    const std::uint32_t flags = key.unique ? 0 : 1;
    if (layout >= 3) {
      put(2, flags);
      put(2, 4);
      put(1, static_cast<std::uint32_t>(key.columns.size()));
      put(1, 0);
      put(2, 0);
    } else {
      put(1, flags);
      put(2, 4);
      put(1, static_cast<std::uint32_t>(key.columns.size()));
    }
    for (auto column : key.columns) {
      put(2, column | 0x4000u);
      put(2, 1);
      if (layout == 0) {
        put(1, 4);
        put(2, 0);
      } else {
        put(1, 0);
        put(2, 0);
        put(2, 4);
      }
    }
  }
  keys.insert(keys.end(), keyNameList.begin(), keyNameList.end());
  constexpr std::size_t kKeySectionOffset = 128;
  w.U16(6, kKeySectionOffset);
  w.U16(28, static_cast<std::uint32_t>(keys.size()));
  w.Bytes(kKeySectionOffset, keys);

  const std::size_t formPosition = kKeySectionOffset + keys.size() + 16;
  w.U32(64 + kNamesLength, static_cast<std::uint32_t>(formPosition));

  // Column block.
  const std::size_t recordSize = layout >= 2 ? 17 : 11;
  constexpr std::size_t kScreens = 8;
  std::vector<std::string> names;
  for (const auto& column : spec.columns)
    names.push_back(column.name);
  const auto nameList = NameList(names);
  std::vector<std::uint8_t> intervalBytes;
  for (const auto& values : spec.intervals) {
    const auto list = NameList(values);
    intervalBytes.insert(intervalBytes.end(), list.begin(), list.end());
  }
  std::uint32_t nullable = 0;
  const std::size_t records = formPosition + 288 + kScreens;
  for (std::size_t i = 0; i < spec.columns.size(); ++i) {
    const auto& c = spec.columns[i];
    const std::size_t at = records + i * recordSize;
    if (c.packFlags & 0x8000) ++nullable;
    if (layout >= 2) {
      w.U16(at + 3, c.length);
      w.U24(at + 5, c.recordOffset);
      w.U16(at + 8, c.packFlags);
      w.U8(at + 11, c.charset >> 8);
      w.U8(at + 12, c.intervalNumber);
      w.U8(at + 13, c.type);
      w.U8(at + 14, c.type == 255 ? c.geometryType : (c.charset & 0xFF));
    } else {
      w.U8(at + 3, c.length);
      w.U16(at + 4, c.recordOffset);
      w.U16(at + 6, (c.packFlags & ~0x78u) | ((c.type & 15u) << 3));
    }
  }
  const std::size_t namesAt = records + spec.columns.size() * recordSize;
  w.Bytes(namesAt, nameList);
  w.Bytes(namesAt + nameList.size(), intervalBytes);

  w.U16(formPosition + 258,
        spec.declaredColumnCount.value_or(static_cast<std::uint16_t>(spec.columns.size())));
  w.U16(formPosition + 260, kScreens);
  w.U16(formPosition + 266, spec.recordLength);
  w.U16(formPosition + 268, static_cast<std::uint32_t>(nameList.size()));
  w.U16(formPosition + 270, static_cast<std::uint32_t>(spec.intervals.size()));
  w.U16(formPosition + 274, static_cast<std::uint32_t>(intervalBytes.size()));
  w.U16(formPosition + 282, nullable);
  w.U16(formPosition + 284, 0);
  w.Grow(namesAt + nameList.size() + intervalBytes.size());
  return w.Take();
}

}  // namespace rowmender::testing
