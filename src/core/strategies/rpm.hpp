// RPM package versions: [epoch:]version[-release], ordered by rpmvercmp with ~ and ^.
#pragma once

#include <string_view>

#include "strategies/epoch_split.hpp"

namespace ombrel {

int rpmverscmp(std::string_view a, std::string_view b);

// rpmvercmp's ordering of the split.
struct Rpmvercmp {
  static constexpr std::string_view name = "RPM";
  static int compare(std::string_view a, std::string_view b) { return rpmverscmp(a, b); }
};
using RpmVersion = SplitVersion<Rpmvercmp>;

}  // namespace ombrel
