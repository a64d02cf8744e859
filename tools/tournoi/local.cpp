#include "tournoi/local.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "synchro/mutex.h"
#include "tournoi/execution.h"
#include "tournoi/fichiers.h"
#include "tournoi/progression.h"

namespace {

using namespace std::chrono_literals;

// What the runners share; the counters are read by the display.
struct Etat {
  explicit Etat(int runners) : runners_actifs(runners) {}

  synchro::Mutex verrou;
  std::vector<ResultatMatch> resultats GUARDED_BY(verrou);
  std::size_t suivant GUARDED_BY(verrou) = 0;
  std::size_t en_cours GUARDED_BY(verrou) = 0;
  std::size_t echecs GUARDED_BY(verrou) = 0;
  double cout_total_s GUARDED_BY(verrou) = 0;
  int runners_actifs GUARDED_BY(verrou);
};

// A match whose runner failed before the referee could say anything still
// leaves a result, so that `rassemble` lists it.
ResultatMatch joue_sans_exception(const Plan& plan, std::size_t indice,
                                  const std::filesystem::path& dossier,
                                  const std::atomic<bool>& arret, const transport::Socket* direct,
                                  bool& ecrit) {
  ecrit = false;
  try {
    const auto r = joue_match(plan, indice, dossier, arret, direct);
    ecrit = r.has_value();
    return r.value_or(ResultatMatch{});
  } catch (const std::exception& e) {
    ResultatMatch r;
    r.indice = indice;
    r.graine = plan.matchs.at(indice).graine;
    r.erreur = e.what();
    try {
      ecrit_atomiquement(chemin_resultat(dossier, indice), ligne_json(r) + "\n");
      ecrit = true;
    } catch (const std::exception&) {
    }
    return r;
  }
}

void runner(const Plan& plan, const std::filesystem::path& dossier,
            const std::vector<std::size_t>& a_jouer, const std::atomic<bool>& arret,
            const transport::Socket* direct, Etat& etat, bool terminal) {
  for (;;) {
    std::size_t indice = 0;
    {
      synchro::MutexTenu tenu(etat.verrou);
      if (arret || etat.suivant >= a_jouer.size()) break;
      indice = a_jouer[etat.suivant++];
      ++etat.en_cours;
    }
    bool ecrit = false;
    const ResultatMatch r = joue_sans_exception(plan, indice, dossier, arret, direct, ecrit);
    synchro::MutexTenu tenu(etat.verrou);
    --etat.en_cours;
    if (!ecrit) continue;
    etat.echecs += !r.termine;
    etat.cout_total_s += r.cout_s;
    etat.resultats.push_back(r);
    if (!terminal) std::fprintf(stderr, "%s\n", ligne_match(r).c_str());
  }
  synchro::MutexTenu tenu(etat.verrou);
  --etat.runners_actifs;
}

Avancement avancement(Etat& etat, std::size_t total, double cout_estime_s, int paralleles) {
  synchro::MutexTenu tenu(etat.verrou);
  Avancement a{total, etat.resultats.size(), etat.en_cours, etat.echecs, 0};
  a.restant_s =
      estimation_restante(total - a.finis, a.finis, etat.cout_total_s, cout_estime_s, paralleles);
  return a;
}

}  // namespace

std::vector<ResultatMatch> joue_local(const Plan& plan, const std::filesystem::path& dossier,
                                      const std::vector<std::size_t>& a_jouer, int paralleles,
                                      const std::atomic<bool>& arret,
                                      const transport::Socket* direct) {
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  // One socket cannot serve two referees at once.
  if (direct) paralleles = 1;
  Etat etat(paralleles);
  // Before any match ends: its duration and a couple of seconds to start and stop.
  const double cout_estime_s = secondes_de(plan.tournoi.duree) + 2;
  {
    std::vector<std::jthread> runners;
    for (int i = 0; i < paralleles; ++i)
      runners.emplace_back(runner, std::cref(plan), std::cref(dossier), std::cref(a_jouer),
                           std::cref(arret), direct, std::ref(etat), terminal);
    for (;;) {
      bool actifs = false;
      {
        synchro::MutexTenu tenu(etat.verrou);
        actifs = etat.runners_actifs > 0;
      }
      if (terminal)
        std::fprintf(stderr, "\r%s\033[K",
                     barre(avancement(etat, a_jouer.size(), cout_estime_s, paralleles)).c_str());
      if (!actifs) break;
      std::this_thread::sleep_for(terminal ? 250ms : 50ms);
    }
  }
  if (terminal) std::fprintf(stderr, "\n");
  synchro::MutexTenu tenu(etat.verrou);
  return etat.resultats;
}
