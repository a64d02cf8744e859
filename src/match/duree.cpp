#include "match/duree.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace match {

std::optional<DureePartie> lit_duree(const std::string& texte) {
  DureePartie duree;
  std::string_view nombre = texte;
  if (nombre.ends_with('t')) {
    duree.unite = DureePartie::Unite::Ticks;
    nombre.remove_suffix(1);
  } else if (nombre.ends_with('s')) {
    nombre.remove_suffix(1);
  }
  const auto [fin, erreur] =
      std::from_chars(nombre.data(), nombre.data() + nombre.size(), duree.valeur);
  if (nombre.empty() || erreur != std::errc() || fin != nombre.data() + nombre.size())
    return std::nullopt;
  if (!std::isfinite(duree.valeur) || duree.valeur <= 0.0) return std::nullopt;
  if (duree.unite == DureePartie::Unite::Ticks && duree.valeur != std::floor(duree.valeur))
    return std::nullopt;
  return duree;
}

}  // namespace match
