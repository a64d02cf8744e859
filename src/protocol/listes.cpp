#include "protocol/listes.h"

#include <iterator>
#include <string_view>

#include "protocol/textes.h"

namespace {

template <typename Liste, typename Element>
void compose_liste(std::string& sortie, std::string_view entete, const Liste& liste,
                   void (*envoie)(std::string&, const Element&)) {
  sortie += entete;
  ajoute_entier(sortie, std::distance(liste.begin(), liste.end()));
  sortie += fin_de_ligne;
  for (const Element& element : liste) envoie(sortie, element);
}

}  // namespace

void compose_liste_vaisseaux(const Monde& monde, std::string& sortie) {
  compose_liste(sortie, "PUT VAISSEAUX ", monde.vaisseaux, &envoie_vaisseau);
}

void compose_liste_balles(const Monde& monde, std::string& sortie) {
  compose_liste(sortie, "PUT BALLES ", monde.balles, &envoie_balle);
}

void compose_liste_cubes(const Monde& monde, std::string& sortie) {
  compose_liste(sortie, "PUT CUBES ", monde.cubes, &envoie_cube);
}

template <typename Composition>
void ListesEnCache::copie(Texte& texte, std::uint64_t version, Composition compose,
                          std::string& sortie) {
  if (texte.version != version) {
    texte.octets.clear();
    compose(texte.octets);
    texte.version = version;
  }
  sortie += texte.octets;
}

void ListesEnCache::vaisseaux(const Monde& monde, std::string& sortie) {
  copie(
      vaisseaux_, monde.vaisseaux.version(),
      [&](std::string& texte) { compose_liste_vaisseaux(monde, texte); }, sortie);
}

void ListesEnCache::balles(const Monde& monde, std::string& sortie) {
  copie(
      balles_, monde.balles.version(),
      [&](std::string& texte) { compose_liste_balles(monde, texte); }, sortie);
}

void ListesEnCache::cubes(const Monde& monde, std::string& sortie) {
  copie(
      cubes_, 0, [&](std::string& texte) { compose_liste_cubes(monde, texte); }, sortie);
}
