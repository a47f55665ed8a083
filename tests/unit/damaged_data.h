// Damaged copies of parts of the sample data folder, made in a scratch
// folder: shop.orders with a damaged leaf chain, a table whose .ibd is
// another table's, and a data dictionary that lost a page.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "innodb/page.h"
#include "support/test_paths.h"

namespace rowmender::testing {

// A copy of shop.orders (its .frm and .ibd alone, so the table has no
// dictionary entry in the copy) whose leaf chain is damaged:
//  - kLoop: the third leaf's next page is the first leaf;
//  - kChecksum: one bit of the second leaf's free space flipped, so only its
//    checksum no longer matches;
//  - kZeroLeaf: the leaf `zeroedLeaf` of the chain (0 the first) zeroed.
struct DamagedOrders {
  enum class Damage { kLoop, kChecksum, kZeroLeaf };
  ScratchFolder scratch;
  std::string data;
  // The leaf pages of the chain, first to last, as they were.
  std::vector<std::uint32_t> chain;
  std::size_t leaves = 0;

  explicit DamagedOrders(Damage damage = Damage::kLoop, std::size_t zeroedLeaf = 1) {
    namespace fs = std::filesystem;
    data = scratch.Path().string();
    fs::create_directories(scratch.Path() / "shop");
    for (const char* ext : {".frm", ".ibd"}) {
      fs::copy_file(SampleDataFolder() + "/shop/orders" + ext,
                    scratch.Path() / "shop" / ("orders" + std::string(ext)));
    }
    const std::string path = (scratch.Path() / "shop" / "orders.ibd").string();
    std::string bytes = ReadText(path);
    const auto page = [&](std::uint32_t n) {
      return ByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()) + PageOffset(n),
                      kInnoPageSize);
    };
    // The chain's first leaf is the leaf page of the root's index with no
    // previous page.
    const std::uint64_t indexId = IndexPageHeader::DecodeFrom(page(3)).indexId;
    for (std::uint32_t n = 0; n < PageCountOf(bytes.size()); ++n) {
      const PageHeaders headers = PageHeaders::DecodeFrom(page(n));
      if (headers.fil.IsIndexPage() && headers.index.IsLeaf() && headers.index.indexId == indexId &&
          headers.fil.previousPage == kNoPage) {
        chain.push_back(n);
      }
    }
    if (chain.size() != 1) return;
    while (true) {
      const std::uint32_t next = FilHeader::DecodeFrom(page(chain.back())).nextPage;
      if (next == kNoPage || chain.size() > 100) break;
      chain.push_back(next);
    }
    leaves = chain.size();
    if (leaves < 3 || zeroedLeaf >= leaves) return;
    switch (damage) {
      case Damage::kLoop: {
        const std::size_t at = PageOffset(chain[2]) + FilHeader::kNextPageOffset;
        for (int i = 0; i < 4; ++i)
          bytes[at + static_cast<std::size_t>(i)] =
              static_cast<char>((chain[0] >> (8 * (3 - i))) & 0xFF);
        break;
      }
      case Damage::kChecksum: {
        const std::uint16_t heapTop = IndexPageHeader::DecodeFrom(page(chain[1])).heapTop;
        bytes[PageOffset(chain[1]) + heapTop + 16] ^= 0x01;
        break;
      }
      case Damage::kZeroLeaf:
        std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(PageOffset(chain[zeroedLeaf])),
                    kInnoPageSize, '\0');
        break;
    }
    scratch.Write("shop/orders.ibd", bytes);
  }
};

// A data folder holding shop.coupons whose .ibd is a copy of
// shop.customers': the file does not belong to the table.
struct MismatchedCoupons {
  ScratchFolder scratch;
  std::string data;

  MismatchedCoupons() {
    namespace fs = std::filesystem;
    data = scratch.Path().string();
    const fs::path sample = fs::path(SampleDataFolder()) / "shop";
    fs::create_directories(scratch.Path() / "shop");
    fs::copy_file(sample / "coupons.frm", scratch.Path() / "shop" / "coupons.frm");
    fs::copy_file(sample / "customers.ibd", scratch.Path() / "shop" / "coupons.ibd");
  }
};

// A data folder with the sample's ibdata1, one of whose dictionary pages
// is zeroed, and shop.settings, a table kept inside ibdata1 that is still
// read whole.
struct DamagedDictionary {
  ScratchFolder scratch;
  std::string data;

  explicit DamagedDictionary(std::uint32_t zeroedPage) {
    namespace fs = std::filesystem;
    data = scratch.Path().string();
    const fs::path sample = SampleDataFolder();
    fs::create_directories(scratch.Path() / "shop");
    fs::copy_file(sample / "shop" / "settings.frm", scratch.Path() / "shop" / "settings.frm");
    const fs::path ibdata = scratch.Path() / "ibdata1";
    fs::copy_file(sample / "ibdata1", ibdata);
    std::fstream file(ibdata, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(PageOffset(zeroedPage)));
    const std::string zeros(kInnoPageSize, '\0');
    file.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
  }
};

}  // namespace rowmender::testing
