#include "tournoi/progression.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "langue/langue.h"

std::string texte_duree(double secondes) {
  // Bounded, so that no count of seconds overflows a long.
  const long total = std::lround(secondes > 0 ? std::min(secondes, 1e15) : 0.0);
  char texte[64];
  if (total >= 3600)
    std::snprintf(texte, sizeof texte, _("%ld h %02ld min"), total / 3600, total % 3600 / 60);
  else if (total >= 60)
    std::snprintf(texte, sizeof texte, _("%ld min %02ld s"), total / 60, total % 60);
  else
    std::snprintf(texte, sizeof texte, _("%ld s"), total);
  return texte;
}

std::string barre(const Avancement& a, int largeur) {
  const std::size_t pleins = a.total ? a.finis * static_cast<std::size_t>(largeur) / a.total
                                     : static_cast<std::size_t>(largeur);
  std::string texte = "[" + std::string(pleins, '#') +
                      std::string(static_cast<std::size_t>(largeur) - pleins, '-') + "] ";
  char reste[160];
  std::snprintf(reste, sizeof reste, _("%zu/%zu done, %zu running, %zu failed"), a.finis, a.total,
                a.en_cours, a.echecs);
  texte += reste;
  if (a.finis < a.total) texte += _(", about ") + texte_duree(a.restant_s) + _(" left");
  return texte;
}

std::string texte_echec(const std::string& erreur) {
  // The beginnings execution.cpp writes; what follows them is the referee's or the system's.
  static constexpr const char* debuts[] = {
      N_("the referee ended at start: "),
      N_("the referee never listened"),
      N_("the referee was stopped"),
      N_("referee: "),
      N_("the referee could not write its recording: "),
      N_("no referee results ("),
      N_("the referee overran its time and was stopped"),
  };
  for (const char* debut : debuts)
    if (erreur.starts_with(debut)) return _(debut) + erreur.substr(std::string_view(debut).size());
  return erreur;
}

std::string ligne_match(const ResultatMatch& r) {
  char debut[96];
  std::snprintf(debut, sizeof debut, _("match %zu (seed %llu): "), r.indice,
                static_cast<unsigned long long>(r.graine));
  std::string texte = debut;
  if (!r.termine) return texte + _("failed: ") + texte_echec(r.erreur);
  texte += texte_arrivee(r);
  char fin[64];
  std::snprintf(fin, sizeof fin, _(", %.1f s played, %.1f s in all"), r.duree_s, r.cout_s);
  return texte + fin;
}

double estimation_restante(std::size_t a_commencer, std::size_t finis, double cout_total_s,
                           double cout_estime_s, int paralleles) {
  const double par_match = finis ? cout_total_s / static_cast<double>(finis) : cout_estime_s;
  return par_match * std::ceil(static_cast<double>(a_commencer) / std::max(1, paralleles));
}
