#include "charge/statistiques.h"

#include <algorithm>
#include <cmath>

Percentiles percentiles(std::vector<double>& echantillons) {
  if (echantillons.empty()) return {};
  std::sort(echantillons.begin(), echantillons.end());
  const auto rang = [&](double q) {
    const auto i =
        static_cast<std::size_t>(std::ceil(q * static_cast<double>(echantillons.size())));
    return echantillons[std::min(echantillons.size() - 1, i == 0 ? 0 : i - 1)];
  };
  return {rang(0.50), rang(0.99), rang(0.999), echantillons.back()};
}
