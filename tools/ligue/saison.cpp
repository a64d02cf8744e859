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

// One turn: counts the matches that ended, starts new ones up to the bound.
void tour(sqlite3* base, const OptionsSaison& o, std::list<PartieEnCours>& parties) {
  for (auto it = parties.begin(); it != parties.end();) {
    if (const auto places = it->fin()) {
      retire(o, it->match().id);
      termine(base, it->match().id, *places);
      it = parties.erase(it);
    } else {
      ++it;
    }
  }
  while (static_cast<int>(parties.size()) < o.paralleles && !saison_en_pause(base)) {
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
  try {
    Base base = ouvre_base(o.dossier / fichier_base, false);
    while (!arret.stop_requested()) {
      try {
        tour(base.get(), o, parties);
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
