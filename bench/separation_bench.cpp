// A projection, not a run: after how many matches do the five sample kinds
// of a class of 30 bots (6 identical copies each) stand apart, every
// neighbouring pair of kinds in their true order with 95 % intervals not
// overlapping? Copies of one kind never separate from each other, so the
// kinds are what can be told apart.
//
//   build/release/separation_bench LIGUE.sqlite [--graines 3] [--max 6000]
//       [--par-heure MATCHES]
//
// The kinds' strengths are the Plackett-Luce fit of a real season's finished
// matches (bench/saison_ligue.py --garde keeps its database), each kind the
// mean of its copies. Matches are then drawn from those strengths and the
// groups chosen three ways: by the league's matchmaking (its own
// groupe_suivant, refitted with its own bootstrap as the season does), in
// the fixed order of arene-tournoi's groups (its own calendrier), and at
// random. The ratings are refitted each time the matches grow by 5 % (the
// league refits after every match: the answer is within that step). Past
// --max matches the count is projected from the last refit (marked ~).
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "classement/statistiques.h"
#include "ligue/appariement.h"
#include "ligue/base.h"
#include "ligue/tableau.h"
#include "tournoi/calendrier.h"

namespace {

constexpr std::size_t bots = 30, joueurs = 4;
const char* const especes[] = {"immobile", "tourneur", "prudent", "viseur", "esquiveur"};
constexpr std::size_t nb_especes = 5;

std::size_t espece(std::size_t bot) { return bot % nb_especes; }  // as saison_ligue.py names them

// Each kind's log-strength fitted on the season's finished matches.
std::vector<double> forces_mesurees(const char* fichier, std::size_t& matchs) {
  Base base = ouvre_base(fichier, true);
  Requete r = prepare(base.get(),
                      "SELECT p.match, p.rang, e.nom FROM participations p JOIN matchs m ON "
                      "m.id = p.match JOIN versions v ON v.id = p.version JOIN eleves e ON "
                      "e.id = v.eleve WHERE m.etat = 'fini' AND p.rang IS NOT NULL "
                      "ORDER BY p.match, p.rang");
  std::map<std::string, std::size_t> indices;
  std::vector<classement::Arrivee> arrivees;
  std::int64_t match = -1;
  int rang = -1;
  while (sqlite3_step(r.get()) == SQLITE_ROW) {
    const std::string nom = reinterpret_cast<const char*>(sqlite3_column_text(r.get(), 2));
    const std::size_t i = indices.try_emplace(nom, indices.size()).first->second;
    if (sqlite3_column_int64(r.get(), 0) != match) arrivees.emplace_back(), rang = -1;
    if (sqlite3_column_int(r.get(), 1) != rang) arrivees.back().emplace_back();
    match = sqlite3_column_int64(r.get(), 0);
    rang = sqlite3_column_int(r.get(), 1);
    arrivees.back().back().push_back(i);
  }
  matchs = arrivees.size();
  const std::vector<double> notes = classement::notes_plackett_luce(indices.size(), arrivees);
  std::vector<double> somme(nb_especes, 0), n(nb_especes, 0);
  for (const auto& [nom, i] : indices)
    for (std::size_t k = 0; k < nb_especes; ++k)
      if (nom.rfind(std::string(especes[k]) + "-", 0) == 0)
        somme[k] += notes[i] * std::log(10.0) / 400, ++n[k];
  for (std::size_t k = 0; k < nb_especes; ++k) somme[k] /= std::max(n[k], 1.0);
  return somme;
}

std::vector<std::size_t> ordre_tire(std::vector<std::size_t> groupe,
                                    const std::vector<double>& force, std::mt19937_64& alea) {
  std::vector<std::size_t> ordre;
  while (!groupe.empty()) {
    std::vector<double> poids;
    for (std::size_t b : groupe) poids.push_back(std::exp(force[espece(b)]));
    std::discrete_distribution<std::size_t> d(poids.begin(), poids.end());
    const std::size_t i = d(alea);
    ordre.push_back(groupe[i]);
    groupe.erase(groupe.begin() + static_cast<std::ptrdiff_t>(i));
  }
  return ordre;
}

// How far every neighbouring pair of kinds in the true order is from apart,
// as the ratio of what must shrink to what need not: for each pair, the
// reach of the copies' intervals across each other (the weaker kind's
// highest bound above the stronger's lowest) plus the gap of the kinds'
// mean ratings, over that gap. Below 1 for every pair: all apart. The reach
// and the copies' scatter narrow as 1/sqrt(matches), the gap does not, so
// the worst ratio r at n matches projects apart at about n r^2.
double ecart_a_la_separation(const classement::NotesIntervalles& n,
                             const std::vector<double>& force,
                             const std::vector<std::size_t>& joues) {
  std::vector<std::size_t> ordre(nb_especes);
  for (std::size_t k = 0; k < nb_especes; ++k) ordre[k] = k;
  std::sort(ordre.begin(), ordre.end(), [&](auto a, auto b) { return force[a] > force[b]; });
  double pire = 0;
  for (std::size_t j = 0; j + 1 < nb_especes; ++j) {
    double bas = 1e300, haut = -1e300, fort = 0, faible = 0;
    for (std::size_t b = 0; b < bots; ++b) {
      if (joues[b] == 0) return 1e300;
      if (espece(b) == ordre[j]) bas = std::min(bas, n.intervalles[b].bas), fort += n.notes[b];
      if (espece(b) == ordre[j + 1])
        haut = std::max(haut, n.intervalles[b].haut), faible += n.notes[b];
    }
    const double ecart = (fort - faible) / (bots / nb_especes);
    pire = std::max(pire, ecart > 0 ? (haut - bas + ecart) / ecart : 1e300);
  }
  return pire;
}

enum class Tirage { Ligue, Tournoi, Hasard };

struct Saison {
  Tirage tirage;
  std::vector<double> force;
  std::mt19937_64 alea;
  std::vector<classement::Arrivee> matchs{};
  std::vector<std::size_t> joues = std::vector<std::size_t>(bots, 0);
  std::vector<classement::Intervalle> intervalles{};
  std::vector<MatchPrevu> calendrier_tournoi{};

  std::vector<std::size_t> groupe() {
    if (tirage == Tirage::Tournoi)
      return calendrier_tournoi[matchs.size() % calendrier_tournoi.size()].bots;
    if (tirage == Tirage::Hasard) {
      std::vector<std::size_t> tous(bots);
      for (std::size_t b = 0; b < bots; ++b) tous[b] = b;
      std::shuffle(tous.begin(), tous.end(), alea);
      return {tous.begin(), tous.begin() + joueurs};
    }
    std::vector<Candidat> c;
    for (std::size_t b = 0; b < bots; ++b) {
      c.push_back({static_cast<std::int64_t>(b), joues[b]});
      if (!intervalles.empty() && joues[b] > 0) c.back().intervalle = intervalles[b];
    }
    std::vector<std::size_t> g;
    for (std::int64_t v : groupe_suivant(c, joueurs)) g.push_back(static_cast<std::size_t>(v));
    return g;
  }

  void joue() {
    classement::Arrivee a;
    for (std::size_t b : ordre_tire(groupe(), force, alea)) a.push_back({b}), ++joues[b];
    matchs.push_back(std::move(a));
  }

  // Matches until the kinds are apart; past `max`, projected from the last
  // refit, `projete` then set.
  std::size_t jusqu_a_separation(std::size_t max, bool& projete) {
    std::size_t prochain_refit = 1;
    double r = 1e300;
    while (matchs.size() < max) {
      joue();
      if (matchs.size() < prochain_refit && matchs.size() < max) continue;
      const auto n = classement::notes_bootstrap(bots, matchs, tirages_tableau, 1);
      intervalles = n.intervalles;
      r = ecart_a_la_separation(n, force, joues);
      if (r < 1) return matchs.size();
      prochain_refit = matchs.size() + std::max<std::size_t>(1, matchs.size() / 20);
    }
    projete = true;
    return r >= 1e300 ? 0 : static_cast<std::size_t>(static_cast<double>(max) * r * r);
  }
};

std::vector<MatchPrevu> groupes_du_tournoi() {
  Tournoi t;
  t.format = Format::Groupes;
  t.taille = joueurs;
  for (std::size_t b = 0; b < bots; ++b) t.bots.push_back({"b" + std::to_string(b), "", "/"});
  return calendrier(t);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: separation_bench LIGUE.sqlite [--graines N] [--max M] "
                 "[--par-heure X]\n");
    return 2;
  }
  int graines = 3;
  std::size_t max = 6000;
  double par_heure = 0;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string cle = argv[i];
    if (cle == "--graines") graines = std::stoi(argv[i + 1]);
    if (cle == "--max") max = std::stoul(argv[i + 1]);
    if (cle == "--par-heure") par_heure = std::stod(argv[i + 1]);
  }
  std::size_t reels = 0;
  const std::vector<double> force = forces_mesurees(argv[1], reels);
  std::printf("strengths fitted on %zu real matches (Elo, mean of the copies):", reels);
  for (std::size_t k = 0; k < nb_especes; ++k)
    std::printf(" %s %.0f", especes[k], 400 * force[k] / std::log(10.0));
  std::printf("\n");
  const auto tournoi = groupes_du_tournoi();
  const struct {
    const char* nom;
    Tirage tirage;
  } modes[] = {{"league matchmaking", Tirage::Ligue},
               {"arene-tournoi's groups in order", Tirage::Tournoi},
               {"random groups", Tirage::Hasard}};
  for (const auto& m : modes) {
    std::vector<std::size_t> n;
    std::printf("%s:", m.nom);
    bool projete = false;
    for (int g = 0; g < graines; ++g) {
      Saison s{m.tirage, force, std::mt19937_64(static_cast<std::uint64_t>(g + 1))};
      s.calendrier_tournoi = tournoi;
      bool p = false;
      n.push_back(s.jusqu_a_separation(max, p));
      projete |= p;
      std::printf(p ? " ~%zu" : " %zu", n.back());
      std::fflush(stdout);
    }
    std::sort(n.begin(), n.end());
    const std::size_t mediane = n[n.size() / 2];
    std::printf("; median %s%zu matches", projete ? "(~: projected past the simulated) " : "",
                mediane);
    if (par_heure > 0)
      std::printf(" = %.1f h at %.0f matches/hour", static_cast<double>(mediane) / par_heure,
                  par_heure);
    std::printf("\n");
  }
  return 0;
}
