#include "tournoi/noms.h"

#include "langue/langue.h"

std::optional<std::string> probleme_nom(std::string_view nom) {
  if (std::string defaut = defaut_du_nom(nom); !defaut.empty()) return defaut;
  if (nom.find('/') != std::string_view::npos) return _("no '/' in a name: it names files");
  if (nom.front() == '.') return _("a name cannot start with '.': it names files");
  if (nom.front() == ' ' || nom.back() == ' ') return _("no space at either end of a name");
  return std::nullopt;
}

std::string cadre_a_gauche(std::string_view texte, std::size_t largeur) {
  const std::size_t n = caracteres(texte).size();
  return std::string(texte) + std::string(n < largeur ? largeur - n : 0, ' ');
}
