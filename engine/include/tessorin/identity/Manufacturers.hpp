#pragma once
// Manufacturers: the table of SD card manufacturer IDs this program knows, each with the
// maker's name, the OEM IDs its genuine cards carry and whether the ID is generic (it
// vouches for no particular maker). Constant data, built once on first use under a
// guard; every lookup may run on any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessorin {

struct Manufacturers {
  struct Entry {
    std::uint8_t id = 0;
    std::string name;
    std::vector<std::string> oemIDs;  // empty: the OEM ID is not compared
    bool generic = false;

    friend bool operator==(const Entry&, const Entry&) = default;
  };

  // In the order makers are listed to the user; a maker may hold several IDs.
  static const std::vector<Entry>& table();
  static std::optional<Entry> entry(std::uint8_t id);
  // 0x00 and 0xFF belong to no maker: a card carrying one was never given a real ID.
  static bool isUnassigned(std::uint8_t id) { return id == 0x00 || id == 0xFF; }
};

}  // namespace tessorin

template <>
struct std::hash<tessorin::Manufacturers::Entry> {
  std::size_t operator()(const tessorin::Manufacturers::Entry& entry) const noexcept;
};
