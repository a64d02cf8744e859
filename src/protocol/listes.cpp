#include "protocol/listes.h"

#include <iterator>
#include <string_view>

#include "protocol/textes.h"

namespace protocol {

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

void compose_liste_vaisseaux(const world::Monde& monde, std::string& sortie) {
  compose_liste(sortie, "PUT VAISSEAUX ", monde.vaisseaux, &envoie_vaisseau);
}

void compose_liste_balles(const world::Monde& monde, std::string& sortie) {
  compose_liste(sortie, "PUT BALLES ", monde.balles, &envoie_balle);
}

void compose_liste_cubes(const world::Monde& monde, std::string& sortie) {
  compose_liste(sortie, "PUT CUBES ", monde.cubes, &envoie_cube);
}

bool ListesEnCache::a_refaire(Texte& texte, std::uint64_t version) {
  if (texte.version == version) return false;
  texte.octets.clear();
  texte.version = version;
  return true;
}

void ListesEnCache::vaisseaux(const world::Monde& monde, std::string& sortie) {
  if (a_refaire(vaisseaux_, monde.vaisseaux.version()))
    compose_liste_vaisseaux(monde, vaisseaux_.octets);
  sortie += vaisseaux_.octets;
}

void ListesEnCache::balles(const world::Monde& monde, std::string& sortie) {
  if (a_refaire(balles_, monde.balles.version())) compose_liste_balles(monde, balles_.octets);
  sortie += balles_.octets;
}

void ListesEnCache::cubes(const world::Monde& monde, std::string& sortie) {
  if (a_refaire(cubes_, 0)) compose_liste_cubes(monde, cubes_.octets);
  sortie += cubes_.octets;
}

}  // namespace protocol
