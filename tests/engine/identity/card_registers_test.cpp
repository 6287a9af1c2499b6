#include "tessorin/identity/CardRegisters.hpp"

#include <gtest/gtest.h>

#include "tessorin/identity/CardDevice.hpp"
#include "tessorin/identity/USBInfo.hpp"

namespace tessorin {
namespace {

using Bytes = RegistryValue::Bytes;
using Dictionary = RegistryValue::Dictionary;

CardRegisters parse(std::string_view key, RegistryValue value) {
  Dictionary characteristics;
  characteristics.emplace(std::string(key), std::move(value));
  return CardRegisters::fromCharacteristics(characteristics);
}

RegistryValue textBytes(std::string_view text) { return RegistryValue::bytes(Bytes(text.begin(), text.end())); }

TEST(CardRegistersTest, DictionaryWithoutKnownKeysGivesEmptyRegistersThatStillMakeAnSDCard) {
  Dictionary characteristics;
  characteristics.emplace("Vendor Specific", RegistryValue::number(7));
  const CardRegisters registers = CardRegisters::fromCharacteristics(characteristics);
  EXPECT_EQ(registers, CardRegisters{});

  CardDevice device;
  device.connection = CardDevice::Connection::usb();
  device.registers = registers;
  EXPECT_TRUE(device.isSDCard());
}

TEST(CardRegistersTest, IsSDCardOnlyForRegistersOrTheBuiltInSlot) {
  CardDevice device;
  device.connection = CardDevice::Connection::usb();
  EXPECT_FALSE(device.isSDCard());
  device.connection = CardDevice::Connection::builtInReader();
  EXPECT_TRUE(device.isSDCard());
}

struct ByteCase {
  const char* name;
  RegistryValue value;
  std::optional<std::uint8_t> expected;
};

TEST(CardRegistersTest, ManufacturerIDKeepsLowByteOfNumbersAndLastByteOfBytes) {
  const ByteCase cases[] = {
      {"number above 255", RegistryValue::number(259), 3},
      {"negative number", RegistryValue::number(-1), 0xFF},
      {"two bytes", RegistryValue::bytes({0x00, 0x03}), 3},
      {"empty bytes", RegistryValue::bytes({}), std::nullopt},
      {"text", RegistryValue::text("3"), std::nullopt},
      {"boolean", RegistryValue::boolean(true), std::nullopt},
  };
  for (const ByteCase& c : cases) {
    EXPECT_EQ(parse("Manufacturer ID", c.value).manufacturerID, c.expected) << c.name;
    EXPECT_EQ(parse("Speed Class", c.value).speedClassCode, c.expected) << c.name;
  }
}

struct StringCase {
  const char* name;
  RegistryValue value;
  std::optional<std::string> expected;
};

TEST(CardRegistersTest, TextFieldsLoseInvisiblePaddingAndBlankOnesAreAbsent) {
  const StringCase cases[] = {
      {"NUL padded bytes", textBytes(std::string_view("SD32G\0\0", 7)), "SD32G"},
      {"padded text", RegistryValue::text(" \t SD32G\r\n"), "SD32G"},
      {"inner space kept", RegistryValue::text("  Ultra Plus "), "Ultra Plus"},
      {"blanks only", RegistryValue::text("   "), std::nullopt},
      {"NULs only", textBytes(std::string_view("\0\0\0", 3)), std::nullopt},
      {"non-breaking space and byte-order mark", RegistryValue::text("\u00A0\uFEFFSD\u00A0"), "SD"},
      {"invalid UTF-8 replaced", textBytes("SD\xC3"), "SD\uFFFD"},
      {"surrogate bytes replaced", textBytes("\xED\xA0\x80X"), "\uFFFD\uFFFD\uFFFDX"},
      {"number", RegistryValue::number(5), std::nullopt},
  };
  for (const StringCase& c : cases) {
    EXPECT_EQ(parse("Product Name", c.value).productName, c.expected) << c.name;
    EXPECT_EQ(parse("Specification Version", c.value).specificationVersion, c.expected) << c.name;
  }
}

TEST(CardRegistersTest, SerialNumberTakesBytesAndBigEndianNumbersButNotText) {
  EXPECT_EQ(parse("Serial Number", RegistryValue::number(0x1234)).serialHex(), "1234");
  EXPECT_EQ(parse("Serial Number", RegistryValue::number(0x1234)).serialNumber, (Bytes{0x12, 0x34}));
  EXPECT_EQ(parse("Serial Number", RegistryValue::number(0)).serialHex(), "");
  EXPECT_EQ(parse("Serial Number", RegistryValue::number(-1)).serialHex(), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(parse("Serial Number", RegistryValue::bytes({0x00, 0xAB, 0x0C})).serialHex(), "00AB0C");
  EXPECT_EQ(parse("Serial Number", RegistryValue::text("1234")).serialNumber, std::nullopt);
  EXPECT_EQ(CardRegisters{}.serialHex(), std::nullopt);
}

struct OemCase {
  const char* name;
  Dictionary characteristics;
  std::optional<std::string> expected;
};

TEST(CardRegistersTest, OemIDPrefersApplicationIDBytesAndMasksUnprintableBytes) {
  const OemCase cases[] = {
      {"application ID bytes", {{"Application ID", RegistryValue::bytes({0x53, 0x44})}}, "SD"},
      {"unprintable byte", {{"Application ID", RegistryValue::bytes({0x53, 0x01})}}, "S?"},
      {"high byte", {{"Application ID", RegistryValue::bytes({0x4A, 0x80})}}, "J?"},
      {"empty bytes are empty text", {{"Application ID", RegistryValue::bytes({})}}, ""},
      {"application ID number", {{"Application ID", RegistryValue::number(0x5344)}}, "SD"},
      {"application ID beats OEM text",
       {{"Application ID", RegistryValue::bytes({0x54, 0x4D})}, {"OEM ID", RegistryValue::text("SD")}},
       "TM"},
      {"OEM bytes beat OEM text elsewhere", {{"OEM ID", RegistryValue::number(0x5048)}}, "PH"},
      {"text application ID falls through to OEM text",
       {{"Application ID", RegistryValue::text("XX")}, {"OEM ID", RegistryValue::text(" SM ")}},
       "SM"},
      {"blank OEM text", {{"OEM ID", RegistryValue::text(" ")}}, std::nullopt},
      {"nothing", {}, std::nullopt},
  };
  for (const OemCase& c : cases) {
    EXPECT_EQ(CardRegisters::fromCharacteristics(c.characteristics).oemID, c.expected) << c.name;
  }
}

struct DateCase {
  const char* text;
  std::optional<std::int64_t> year;
  std::optional<std::int64_t> month;
};

TEST(CardRegistersTest, ManufacturingDateTakesTheFirstTwoNumbersBetweenHyphens) {
  const DateCase cases[] = {
      {"2019-07", 2019, 7},
      {"2019", 2019, std::nullopt},
      {"2021-", 2021, std::nullopt},
      {"-", std::nullopt, std::nullopt},
      {"x-2019-7", 2019, 7},
      {"2019--07-15", 2019, 7},
      {"2019-7x-3", 2019, 3},
      {"+2019-+7", 2019, 7},
      {"2019-+-7", 2019, 7},
      {"2019- 7", 2019, std::nullopt},
      {"2019-13", 2019, 13},
      {"0002019-007", 2019, 7},
      {"99999999999999999999-2019", 2019, std::nullopt},
  };
  for (const DateCase& c : cases) {
    const CardRegisters registers = parse("Manufacturing Date", RegistryValue::text(c.text));
    EXPECT_EQ(registers.manufacturingYear, c.year) << c.text;
    EXPECT_EQ(registers.manufacturingMonth, c.month) << c.text;
  }
  EXPECT_EQ(parse("Manufacturing Date", RegistryValue::number(2019)).manufacturingYear, std::nullopt);
}

TEST(CardRegistersTest, SpeedClassRatingOnlyForKnownCodes) {
  const std::pair<std::optional<std::uint8_t>, std::optional<std::int64_t>> cases[] = {
      {0, 0}, {1, 2}, {4, 10}, {5, std::nullopt}, {std::nullopt, std::nullopt}};
  for (const auto& [code, rating] : cases) {
    CardRegisters registers;
    registers.speedClassCode = code;
    EXPECT_EQ(registers.speedClassRating(), rating);
  }
}

struct ReaderKeyCase {
  const char* name;
  USBInfo info;
  std::string readerKey;
  std::optional<std::string> idText;
};

USBInfo usb(std::optional<std::int64_t> vendorID, std::optional<std::int64_t> productID,
            std::optional<std::string> productName, std::optional<std::string> serial) {
  USBInfo info;
  info.vendorID = vendorID;
  info.productID = productID;
  info.productName = std::move(productName);
  info.serial = std::move(serial);
  return info;
}

TEST(USBInfoTest, ReaderKeyAndIDTextDropMissingParts) {
  const auto none = std::nullopt;
  const ReaderKeyCase cases[] = {
      {"nothing known", {}, "", none},
      {"vendor and name", usb(0x05AC, none, "Reader", none), "05AC:Reader", none},
      {"serial beats name", usb(0x1A, 0x2B, "Reader", "X1"), "001A:002B:X1", "0x001A:0x002B"},
      {"product only", usb(none, 0xBEEF, none, none), "BEEF", none},
      {"name only", usb(none, none, "Reader", none), "Reader", none},
  };
  for (const ReaderKeyCase& c : cases) {
    EXPECT_EQ(c.info.readerKey(), c.readerKey) << c.name;
    EXPECT_EQ(c.info.idText(), c.idText) << c.name;
  }
}

TEST(CardDeviceTest, OtherConnectionsDifferByInterconnectOnly) {
  using Connection = CardDevice::Connection;
  EXPECT_EQ(Connection::other("FireWire"), Connection::other("FireWire"));
  EXPECT_NE(Connection::other("FireWire"), Connection::other(""));
  Connection usbWithStrayName = Connection::usb();
  usbWithStrayName.interconnect = "USB";
  EXPECT_EQ(usbWithStrayName, Connection::usb());
  EXPECT_EQ(std::hash<Connection>{}(usbWithStrayName), std::hash<Connection>{}(Connection::usb()));
}

TEST(CardDeviceTest, DevicesDifferingInFreeSpaceAreUnequal) {
  CardDevice a;
  a.volume.availableBytes = 100;
  CardDevice b = a;
  EXPECT_EQ(a, b);
  EXPECT_EQ(std::hash<CardDevice>{}(a), std::hash<CardDevice>{}(b));
  b.volume.availableBytes = 99;
  EXPECT_NE(a, b);
}

}  // namespace
}  // namespace tessorin
