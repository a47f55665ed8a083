#include "values/spatial_values.h"

#include <algorithm>

#include "base/text_codec.h"

namespace rowmender {

void AppendSpatialSaveText(std::string& out, ByteView bytes) {
  if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; })) {
    out += "NULL";
    return;
  }
  std::string escaped;
  escaped.reserve(bytes.size() + 8);
  for (std::uint8_t b : bytes) {
    if (b == 0) {
      escaped += "\\0";
    } else {
      escaped.push_back(static_cast<char>(b));
    }
  }
  out +=
      Cp1252ToUtf8(ByteView(reinterpret_cast<const std::uint8_t*>(escaped.data()), escaped.size()));
}

}  // namespace rowmender
