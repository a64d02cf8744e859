#include "ligue/appariement.h"

#include <algorithm>

namespace {

double largeur(const classement::Intervalle& i) { return i.haut - i.bas; }

// How much of the two intervals is shared: the outcome between the two
// versions is the less certain the larger it is; negative when apart.
double recouvrement(const classement::Intervalle& a, const classement::Intervalle& b) {
  return std::min(a.haut, b.haut) - std::max(a.bas, b.bas);
}

}  // namespace

std::vector<std::int64_t> groupe_suivant(const std::vector<Candidat>& candidats,
                                         std::size_t taille) {
  if (candidats.size() < 2 || taille < 2) return {};
  std::vector<const Candidat*> ordre;
  for (const Candidat& c : candidats) ordre.push_back(&c);
  // Fewest matches first; among equals the least known, then the oldest id.
  std::sort(ordre.begin(), ordre.end(), [](const Candidat* a, const Candidat* b) {
    if (a->matchs != b->matchs) return a->matchs < b->matchs;
    if (largeur(a->intervalle) != largeur(b->intervalle))
      return largeur(a->intervalle) > largeur(b->intervalle);
    return a->version < b->version;
  });
  const Candidat& tete = *ordre.front();
  const std::size_t plafond = tete.matchs + 1;
  // Within the window the most uncertain against the leader come first;
  // beyond it only the counts matter.
  std::stable_sort(ordre.begin() + 1, ordre.end(), [&](const Candidat* a, const Candidat* b) {
    const bool a_dedans = a->matchs <= plafond, b_dedans = b->matchs <= plafond;
    if (a_dedans != b_dedans) return a_dedans;
    if (!a_dedans) return a->matchs < b->matchs;
    return recouvrement(a->intervalle, tete.intervalle) >
           recouvrement(b->intervalle, tete.intervalle);
  });
  std::vector<std::int64_t> groupe;
  for (std::size_t i = 0; i < ordre.size() && groupe.size() < taille; ++i)
    groupe.push_back(ordre[i]->version);
  return groupe;
}
