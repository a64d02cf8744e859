#include "ligue/saison.h"

#include <chrono>
#include <cstdio>
#include <list>
#include <random>

#include "langue/langue.h"
#include "ligue/base.h"
#include "ligue/calendrier.h"
#include "ligue/creation.h"

namespace {

using namespace std::chrono_literals;
using Horloge = std::chrono::steady_clock;

std::uint64_t nouvelle_graine() {
  static std::random_device hasard;
  return ((std::uint64_t{hasard()} << 32) | hasard()) >> 1;
}

// The next match to start: one planned already (replayed after a crash),
// else a new group; nothing while fewer than two versions are ready.
std::optional<MatchLigue> a_lancer(sqlite3* base, const OptionsSaison& o) {
  if (auto m = prochain_prevu(base, o.dossier)) return m;
  const auto groupe =
      groupe_suivant(candidats(base), static_cast<std::size_t>(o.configuration.joueurs));
  if (groupe.empty()) return std::nullopt;
  (void)prevoit_match(base, groupe, nouvelle_graine());
  return prochain_prevu(base, o.dossier);
}

void annonce(const OptionsSaison& o, const PartieEnCours& p) {
  if (!o.direct || p.port_direct() == 0) return;
  MatchEnDirect m{p.match().id, p.port_direct(), {}};
  for (const Participant& joueur : p.match().participants) m.noms.push_back(joueur.nom);
  o.direct->ajoute(std::move(m));
}

void retire(const OptionsSaison& o, std::int64_t id) {
  if (o.direct) o.direct->retire(id);
}

void termine(sqlite3* base, std::int64_t id, const std::vector<Place>& places) {
  if (!enregistre(base, id, places)) return;
  if (places.empty()) {
    std::fprintf(stderr, _("arene-ligue: match %lld failed: see matchs/%lld/\n"),
                 static_cast<long long>(id), static_cast<long long>(id));
    return;
  }
  std::fprintf(stderr, _("arene-ligue: match %lld played\n"), static_cast<long long>(id));
}

// A match Slurm refused is planned again, and none goes out for this long:
// a closed partition or a controller down is waited for, not a flood of
// failed matches.
constexpr auto attente_refus = 30s;

void reporte(sqlite3* base, std::int64_t id, Horloge::time_point& pas_avant) {
  replanifie(base, id);
  pas_avant = Horloge::now() + attente_refus;
  std::fprintf(stderr,
               _("arene-ligue: Slurm refused match %lld (see matchs/%lld/arene-tournoi.log): "
                 "submitting again in 30 s\n"),
               static_cast<long long>(id), static_cast<long long>(id));
}

// One turn: counts the matches that ended, takes back those Slurm refused and,
// in a pause, those whose job has not started; starts new ones up to the bound.
void tour(sqlite3* base, const OptionsSaison& o, std::list<PartieEnCours>& parties,
          Horloge::time_point& pas_avant) {
  const bool pause = saison_en_pause(base);
  for (auto it = parties.begin(); it != parties.end();) {
    const std::int64_t id = it->match().id;
    bool fini = true;
    if (it->refusee())
      reporte(base, id, pas_avant);
    else if (const auto places = it->fin())
      termine(base, id, *places);
    else if (pause && it->retire_si_en_attente())
      replanifie(base, id);
    else
      fini = false;
    if (fini) {
      retire(o, id);
      it = parties.erase(it);
    } else {
      ++it;
    }
  }
  while (static_cast<int>(parties.size()) < o.paralleles && !pause && Horloge::now() >= pas_avant) {
    const auto m = a_lancer(base, o);
    if (!m || !commence(base, m->id)) return;
    try {
      annonce(o, parties.emplace_back(o.dossier, *m, o.configuration, o.programmes));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "arene-ligue: match %lld: %s\n", static_cast<long long>(m->id),
                   e.what());
      abandonne(base, m->id);
      return;
    }
  }
}

void boucle(std::stop_token arret, const OptionsSaison& o) {
  std::list<PartieEnCours> parties;
  Horloge::time_point pas_avant;
  try {
    Base base = ouvre_base(o.dossier / fichier_base, false);
    while (!arret.stop_requested()) {
      try {
        tour(base.get(), o, parties, pas_avant);
      } catch (const std::exception& e) {  // a busy or full disk: try again later
        std::fprintf(stderr, _("arene-ligue: season: %s\n"), e.what());
      }
      std::this_thread::sleep_for(200ms);
    }
    for (PartieEnCours& p : parties) {
      retire(o, p.match().id);
      p.arrete();
      abandonne(base.get(), p.match().id);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, _("arene-ligue: season stopped: %s\n"), e.what());
  }
}

}  // namespace

Saison::Saison(OptionsSaison o) {
  {
    Base base = ouvre_base(o.dossier / fichier_base, false);
    const auto interrompus = replanifie_interrompus(base.get());
    for (const std::int64_t id : interrompus) arrete_orphelin(o.dossier, id);
    if (!interrompus.empty())
      std::fprintf(stderr, _("arene-ligue: %zu interrupted matches will be played again\n"),
                   interrompus.size());
  }
  fil_ = std::jthread([o = std::move(o)](std::stop_token arret) { boucle(arret, o); });
}

Saison::~Saison() { arrete(); }

void Saison::arrete() {
  if (!fil_.joinable()) return;
  fil_.request_stop();
  fil_.join();
}
