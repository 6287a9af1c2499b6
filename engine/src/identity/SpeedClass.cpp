#include "tessorin/identity/SpeedClass.hpp"

#include "tessorin/identity/CaseWithRawValue.hpp"

namespace tessorin {

namespace {

struct SpeedClassFacts {
  std::string_view rawValue;
  std::string_view label;
  SpeedClass::Family family;
  double minimumWriteSpeed;
  bool needsUHSBus;
};

constexpr double megabytes = 1'000'000;

// One row per case, in declaration order.
constexpr std::array<SpeedClassFacts, SpeedClass::caseCount> speedClassFacts{{
    {"class2", "C2", SpeedClass::Family::speed, 2 * megabytes, false},
    {"class4", "C4", SpeedClass::Family::speed, 4 * megabytes, false},
    {"class6", "C6", SpeedClass::Family::speed, 6 * megabytes, false},
    {"class10", "C10", SpeedClass::Family::speed, 10 * megabytes, false},
    {"u1", "U1", SpeedClass::Family::uhs, 10 * megabytes, true},
    {"u3", "U3", SpeedClass::Family::uhs, 30 * megabytes, true},
    {"v6", "V6", SpeedClass::Family::video, 6 * megabytes, false},
    {"v10", "V10", SpeedClass::Family::video, 10 * megabytes, false},
    {"v30", "V30", SpeedClass::Family::video, 30 * megabytes, true},
    {"v60", "V60", SpeedClass::Family::video, 60 * megabytes, true},
    {"v90", "V90", SpeedClass::Family::video, 90 * megabytes, true},
}};

struct AppClassFacts {
  std::string_view rawValue;
  std::string_view label;
  double minimumReadIOPS;
  double minimumWriteIOPS;
};

constexpr std::array<AppClassFacts, AppPerformanceClass::caseCount> appClassFacts{{
    {"a1", "A1", 1500, 500},
    {"a2", "A2", 4000, 2000},
}};

}  // namespace

const std::array<SpeedClass, SpeedClass::caseCount>& SpeedClass::allCases() {
  static constexpr std::array<SpeedClass, caseCount> cases{{class2, class4, class6, class10, u1, u3, v6, v10, v30, v60, v90}};
  return cases;
}

std::optional<SpeedClass> SpeedClass::fromRawValue(std::string_view rawValue) {
  return caseWithRawValue<SpeedClass>(rawValue);
}

std::string_view SpeedClass::rawValue() const { return speedClassFacts[value_].rawValue; }
std::string_view SpeedClass::label() const { return speedClassFacts[value_].label; }
SpeedClass::Family SpeedClass::family() const { return speedClassFacts[value_].family; }
double SpeedClass::minimumWriteSpeed() const { return speedClassFacts[value_].minimumWriteSpeed; }
bool SpeedClass::needsUHSBus() const { return speedClassFacts[value_].needsUHSBus; }

const std::array<AppPerformanceClass, AppPerformanceClass::caseCount>& AppPerformanceClass::allCases() {
  static constexpr std::array<AppPerformanceClass, caseCount> cases{{a1, a2}};
  return cases;
}

std::optional<AppPerformanceClass> AppPerformanceClass::fromRawValue(std::string_view rawValue) {
  return caseWithRawValue<AppPerformanceClass>(rawValue);
}

std::string_view AppPerformanceClass::rawValue() const { return appClassFacts[value_].rawValue; }
std::string_view AppPerformanceClass::label() const { return appClassFacts[value_].label; }
double AppPerformanceClass::minimumReadIOPS() const { return appClassFacts[value_].minimumReadIOPS; }
double AppPerformanceClass::minimumWriteIOPS() const { return appClassFacts[value_].minimumWriteIOPS; }

}  // namespace tessorin
