#include "tessorin/identity/CardDevice.hpp"

#include "tessorin/posix/HashCombine.hpp"

std::size_t std::hash<tessorin::CardDevice::Connection>::operator()(
    const tessorin::CardDevice::Connection& connection) const noexcept {
  using Kind = tessorin::CardDevice::Connection::Kind;
  std::size_t seed = static_cast<std::size_t>(connection.kind);
  // The name takes part only where equality looks at it.
  if (connection.kind == Kind::other) tessorin::hashField(seed, connection.interconnect);
  return seed;
}

std::size_t std::hash<tessorin::CardDevice>::operator()(const tessorin::CardDevice& device) const noexcept {
  std::size_t seed = 0;
  tessorin::hashField(seed, device.id);
  tessorin::hashField(seed, device.fileSystemUUID);
  tessorin::hashField(seed, device.volumeURL);
  tessorin::hashField(seed, device.volumeName);
  tessorin::hashField(seed, device.bsdName);
  tessorin::hashField(seed, device.wholeDiskBSDName);
  tessorin::hashField(seed, device.mediaBytes);
  tessorin::hashField(seed, device.connection);
  tessorin::hashField(seed, device.readerName);
  tessorin::hashField(seed, device.registers);
  tessorin::hashField(seed, device.volume);
  tessorin::hashField(seed, device.hasLeftoverTestFiles);
  tessorin::hashField(seed, device.usb);
  tessorin::hashField(seed, device.partitionScheme);
  tessorin::hashField(seed, device.partitionOffset);
  return seed;
}
