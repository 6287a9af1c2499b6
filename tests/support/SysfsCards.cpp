#include "SysfsCards.hpp"

namespace tessorin::testing {

namespace fs = std::filesystem;

SysfsFixture::Attributes sdCardAttributes() {
  return {{"type", "SD"},
          {"name", "SN64G"},
          {"manfid", "0x000003"},
          {"oemid", "0x5344"},
          {"serial", "0x1a2b3c4d"},
          {"date", "07/2019"},
          {"hwrev", "0x8"},
          {"fwrev", "0x0"},
          {"csd", "400e00325b590001dbd37f800a404000"},
          {"scr", "0235800300000000"},
          {"ssr", "8000000008000000" "04009000" + std::string(104, '0')}};
}

fs::path mmcCard(SysfsFixture& sys, const std::string& host, const SysfsFixture::Attributes& card,
                 const std::string& diskName, std::uint64_t sectors) {
  const std::string controller = "pci0000:00/0000:00:1c.0/0000:02:00." + host;
  sys.device(controller, "DRIVER=sdhci-pci\nPCI_CLASS=80501");
  sys.device(controller + "/mmc_host/mmc" + host);
  const auto cardDir =
      sys.device(controller + "/mmc_host/mmc" + host + "/mmc" + host + ":aaaa",
                 "DRIVER=mmcblk\nMMC_TYPE=" + card.at("type") + "\nMODALIAS=mmc:block", card);
  const auto disk = sys.disk(cardDir, diskName, sectors, false);
  sys.partition(disk, diskName + "p1", 8192, sectors - 8192);
  return disk;
}

fs::path usbStorage(SysfsFixture& sys, const UsbStorage& spec, const std::string& hubPath) {
  const std::string rootHub = "pci0000:00/0000:00:14.0/usb2";
  sys.device("pci0000:00/0000:00:14.0", "DRIVER=xhci_hcd\nPCI_CLASS=C0330");
  sys.device(rootHub, "DEVTYPE=usb_device",
             {{"idVendor", "1d6b"}, {"idProduct", "0003"}, {"product", "xHCI Host Controller"}, {"speed", "5000"}});
  const std::string device = rootHub + hubPath + "/" + spec.port;
  sys.device(device, "DEVTYPE=usb_device", spec.device);
  const std::string host = std::to_string(spec.scsiHost);
  const std::string target = device + "/" + spec.port + ":1.0/host" + host + "/target" + host + ":0:0";
  sys.device(device + "/" + spec.port + ":1.0", "DEVTYPE=usb_interface");
  sys.device(device + "/" + spec.port + ":1.0/host" + host, "DEVTYPE=scsi_host");
  sys.device(target, "DEVTYPE=scsi_target");
  fs::path unitWithDisk;
  for (int unit = 0; unit < spec.logicalUnits; ++unit) {
    const auto path = sys.device(target + "/" + host + ":0:0:" + std::to_string(unit), "DEVTYPE=scsi_device",
                                 {{"vendor", "Generic-"}, {"model", "SD/MMC          "}});
    if (unit == spec.diskUnit) unitWithDisk = path;
  }
  return sys.disk(unitWithDisk, spec.diskName, spec.sectors, spec.removable);
}

}  // namespace tessorin::testing
