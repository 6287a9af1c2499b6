#include "results/xray/LiveXRay.hpp"

#include <chrono>

#include "tessorin/identity/XRay.hpp"

namespace tessorin {

XRayReport LiveXRay::of(const CardSession& session) {
  return XRay::analyze(session.device(), session.claimedBrand(), XRay::localDate(std::chrono::system_clock::now()));
}

}  // namespace tessorin
