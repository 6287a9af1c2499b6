#include "tessorin/identity/Manufacturers.hpp"

#include <array>

#include "tessorin/posix/HashCombine.hpp"

namespace tessorin {

namespace {

std::vector<Manufacturers::Entry> makeTable() {
  return {
      {0x01, "Panasonic", {"PA"}, false},
      {0x02, "Toshiba / Kioxia", {"TM"}, false},
      {0x03, "SanDisk", {"SD"}, false},
      {0x08, "Silicon Power", {}, false},
      {0x18, "Infineon", {}, false},
      {0x1B, "Samsung", {"SM"}, false},
      {0x1C, "Transcend", {}, false},
      {0x1D, "ADATA", {"AD"}, false},
      {0x1E, "Transcend", {}, false},
      {0x1F, "Kingston", {}, false},
      {0x27, "Phison", {"PH"}, false},
      {0x28, "Lexar", {"BE"}, false},
      {0x30, "SanDisk", {}, false},
      {0x31, "Silicon Power", {"SP"}, false},
      {0x33, "STMicroelectronics", {}, false},
      {0x41, "Kingston", {"42"}, false},
      // Found on unbranded and counterfeit cards far more than on anything from the maker.
      {0x6F, "STMicroelectronics", {}, true},
      {0x74, "Transcend", {"JE", "J`"}, false},
      {0x76, "Patriot", {}, false},
      {0x82, "Sony", {}, false},
      {0x9C, "Angelbird / Hoodman", {}, false},
  };
}

// Row number + 1 for each ID, 0 for none. The first row with an ID wins.
using Index = std::array<std::size_t, 256>;

Index makeIndex(const std::vector<Manufacturers::Entry>& table) {
  Index index{};
  for (std::size_t row = 0; row < table.size(); ++row) {
    if (index[table[row].id] == 0) index[table[row].id] = row + 1;
  }
  return index;
}

}  // namespace

const std::vector<Manufacturers::Entry>& Manufacturers::table() {
  static const std::vector<Entry> rows = makeTable();
  return rows;
}

std::optional<Manufacturers::Entry> Manufacturers::entry(std::uint8_t id) {
  static const Index index = makeIndex(table());
  const std::size_t row = index[id];
  if (row == 0) return std::nullopt;
  return table()[row - 1];
}

}  // namespace tessorin

std::size_t std::hash<tessorin::Manufacturers::Entry>::operator()(
    const tessorin::Manufacturers::Entry& entry) const noexcept {
  std::size_t seed = std::hash<std::uint8_t>{}(entry.id);
  tessorin::hashField(seed, entry.name);
  tessorin::hashField(seed, entry.oemIDs.size());
  for (const std::string& oem : entry.oemIDs) tessorin::hashField(seed, oem);
  tessorin::hashField(seed, entry.generic);
  return seed;
}
