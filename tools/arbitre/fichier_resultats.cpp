#include "arbitre/fichier_resultats.h"

#include <cstdio>

#include "fichiers/disque.h"

bool FichierResultats::ecrit(const resultats::Resultats& resultats) {
  dernier_ = std::chrono::steady_clock::now();
  const auto echec = fichiers::remplace_fichier(chemin_, resultats::texte_json(resultats));
  if (echec && !signale_) {
    signale_ = true;
    std::fprintf(stderr, "arene-arbitre : resultats : %s\n", echec->c_str());
  }
  return !echec;
}
