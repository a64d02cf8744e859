#include "tribune/contexte.h"

#include <utility>

namespace tribune {

StatistiquesSpectateurs statistiques(const ContexteSpectateurs& contexte) {
  return {contexte.flux.occupees(),
          contexte.refuses.load(std::memory_order_relaxed),
          contexte.refuses_adresse.load(std::memory_order_relaxed),
          contexte.abandonnes.load(std::memory_order_relaxed),
          contexte.diffusion.lots_sautes(),
          contexte.diffusion.reprises()};
}

std::string metriques(const ContexteSpectateurs& contexte) {
  const MatchObserve& match = contexte.match;
  return texte_metriques(
      {match.mesures, match.compteurs, match.joueurs.nombre(), statistiques(contexte)});
}

std::string texte_resultats(ContexteSpectateurs& contexte) {
  auto copie = contexte.match.resultats.lit();
  auto& cache = contexte.resultats;
  synchro::MutexTenu tenu(cache.mutex);
  if (cache.copie != copie) {
    cache.texte = resultats::texte_json(*copie) + "\n";
    cache.copie = std::move(copie);
  }
  return cache.texte;
}

}  // namespace tribune
