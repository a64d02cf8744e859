// The league at the size of a year: a database of N finished matches of B
// versions, filled in the league's own schema (groups chosen by its
// matchmaking, places drawn from Plackett-Luce strengths of five kinds, a
// history line per version after each match), then how long the leaderboard,
// a student's page and the result of one more match take, and how long that
// result keeps another writer waiting.
//
//   build/release/ligue_bench [--matchs 10000] [--bots 30] [--dossier D]
//
// With --dossier the filled database stays there (D/ligue.sqlite), for
// `arene-ligue sert` to be timed over HTTP as well.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ligue/base.h"
#include "ligue/calendrier.h"
#include "ligue/pages.h"
#include "ligue/tableau.h"

namespace fs = std::filesystem;
using Horloge = std::chrono::steady_clock;

namespace {

struct Options {
  std::size_t matchs = 10000;
  std::size_t bots = 30;
  fs::path dossier;
};

double secondes(Horloge::time_point depuis) {
  return std::chrono::duration<double>(Horloge::now() - depuis).count();
}

// Five kinds, 200 Elo apart: the sample bots' spread in real runs is wider.
double force(std::size_t bot) { return static_cast<double>(bot % 5) * 200 * std::log(10.0) / 400; }

// A finishing order drawn from the strengths: each place in turn by weight.
std::vector<std::int64_t> tire_ordre(std::vector<std::int64_t> groupe, std::mt19937_64& alea) {
  std::vector<std::int64_t> ordre;
  while (!groupe.empty()) {
    std::vector<double> poids;
    for (std::int64_t v : groupe) poids.push_back(std::exp(force(static_cast<std::size_t>(v - 1))));
    std::discrete_distribution<std::size_t> d(poids.begin(), poids.end());
    const std::size_t i = d(alea);
    ordre.push_back(groupe[i]);
    groupe.erase(groupe.begin() + static_cast<std::ptrdiff_t>(i));
  }
  return ordre;
}

void inscrit(sqlite3* base, std::size_t bots) {
  std::vector<Eleve> eleves;
  for (std::size_t i = 0; i < bots; ++i) eleves.push_back({"eleve-" + std::to_string(i), ""});
  inscrit_classe(base, eleves);
  for (std::size_t i = 1; i <= bots; ++i)
    execute_avec(base,
                 "INSERT INTO versions (eleve, numero, langage, deposee, etat, commande) "
                 "VALUES (?1, 1, 'python', datetime('now'), 'prete', 'python3 bot.py')",
                 {std::to_string(i)});
}

// The matches as the season stores them, with the history lines a refit
// after each would add: each version's true rating, its interval narrowing
// as 1/sqrt(matches played).
void remplit(sqlite3* base, const Options& o) {
  std::mt19937_64 alea(1);
  std::normal_distribution<double> bruit(0, 1);
  std::vector<std::size_t> joues(o.bots, 0);
  execute(base, "BEGIN");
  Requete match = prepare(base,
                          "INSERT INTO matchs (graine, etat, debut, fin, enregistrement) "
                          "VALUES (?1, 'fini', datetime('now'), datetime('now'), 'x')");
  Requete place = prepare(base,
                          "INSERT INTO participations (match, version, couleur, rang, score) "
                          "VALUES (?1, ?2, ?3, ?4, 100)");
  Requete ligne = prepare(base,
                          "INSERT INTO historique_notes (version, apres_match, note, bas, haut) "
                          "VALUES (?1, ?2, ?3, ?4, ?5)");
  auto pas = [&](Requete& r) {
    if (sqlite3_step(r.get()) != SQLITE_DONE) throw ErreurBase(sqlite3_errmsg(base));
    sqlite3_reset(r.get());
  };
  for (std::size_t m = 0; m < o.matchs; ++m) {
    std::vector<Candidat> c;
    for (std::size_t b = 0; b < o.bots; ++b)
      c.push_back({static_cast<std::int64_t>(b + 1), joues[b], {}});
    const auto ordre = tire_ordre(groupe_suivant(c, 4), alea);
    sqlite3_bind_int64(match.get(), 1, static_cast<std::int64_t>(m));
    pas(match);
    const std::int64_t id = sqlite3_last_insert_rowid(base);
    for (std::size_t r = 0; r < ordre.size(); ++r) {
      ++joues[static_cast<std::size_t>(ordre[r] - 1)];
      sqlite3_bind_int64(place.get(), 1, id);
      sqlite3_bind_int64(place.get(), 2, ordre[r]);
      sqlite3_bind_int64(place.get(), 3, static_cast<std::int64_t>(r));
      sqlite3_bind_int64(place.get(), 4, static_cast<std::int64_t>(r + 1));
      pas(place);
    }
    for (std::size_t b = 0; b < o.bots; ++b) {
      if (joues[b] == 0) continue;
      const double note = 1500 + 400 * force(b) / std::log(10.0) - 400;
      const double demi = 400 / std::sqrt(static_cast<double>(joues[b]));
      const double centre = note + demi * 0.3 * bruit(alea);
      sqlite3_bind_int64(ligne.get(), 1, static_cast<std::int64_t>(b + 1));
      sqlite3_bind_int64(ligne.get(), 2, id);
      sqlite3_bind_double(ligne.get(), 3, centre);
      sqlite3_bind_double(ligne.get(), 4, centre - demi);
      sqlite3_bind_double(ligne.get(), 5, centre + demi);
      pas(ligne);
    }
  }
  execute(base, "COMMIT");
}

// The median of three requests, and the page's size.
void chronometre_page(const fs::path& fichier, const std::string& cible, const char* nom) {
  std::vector<double> temps;
  std::size_t taille = 0;
  int statut = 0;
  const EnDirect rien_en_direct;
  for (int i = 0; i < 3; ++i) {
    const auto debut = Horloge::now();
    const tribune::PageHttp p = page_ligue(fichier, {cible, "en"}, Postes{}, rien_en_direct);
    temps.push_back(secondes(debut));
    taille = p.corps.size();
    statut = p.statut;
  }
  std::sort(temps.begin(), temps.end());
  std::printf("%s: %.3f s (median of 3), %d, %zu bytes\n", nom, temps[1], statut, taille);
}

// One more match recorded as the season records it, while another
// connection keeps trying to write: the longest it had to wait is how long
// the result held the database.
void chronometre_resultat(const fs::path& fichier, std::size_t bots) {
  Base base = ouvre_base(fichier, false);
  std::vector<std::int64_t> groupe;
  for (std::size_t b = 1; b <= 4 && b <= bots; ++b) groupe.push_back(static_cast<std::int64_t>(b));
  const std::int64_t id = prevoit_match(base.get(), groupe, 7);
  if (!commence(base.get(), id)) throw ErreurBase("the match did not start");
  std::vector<Place> places;
  for (std::size_t r = 0; r < groupe.size(); ++r)
    places.push_back({groupe[r], static_cast<int>(r + 1), 0});
  std::atomic<bool> fini = false;
  double attente_max = 0;
  std::thread autre([&] {
    Base b = ouvre_base(fichier, false);
    sqlite3_busy_timeout(b.get(), 60000);
    while (!fini) {
      const auto debut = Horloge::now();
      execute(b.get(), "BEGIN IMMEDIATE");
      execute(b.get(), "COMMIT");
      attente_max = std::max(attente_max, secondes(debut));
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto debut = Horloge::now();
  const bool compte = enregistre(base.get(), id, places);
  const double total = secondes(debut);
  fini = true;
  autre.join();
  std::printf("result of one more match: %.3f s in all, another writer waited at most %.3f s%s\n",
              total, attente_max, compte ? "" : " (NOT counted)");
}

Options lit_options(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string cle = argv[i];
    if (cle == "--matchs") o.matchs = std::stoul(argv[i + 1]);
    if (cle == "--bots") o.bots = std::stoul(argv[i + 1]);
    if (cle == "--dossier") o.dossier = argv[i + 1];
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = lit_options(argc, argv);
  const bool temporaire = o.dossier.empty();
  const fs::path dossier =
      temporaire ? fs::temp_directory_path() / ("ligue_bench." + std::to_string(::getpid()))
                 : o.dossier;
  fs::create_directories(dossier);
  const fs::path fichier = dossier / "ligue.sqlite";
  fs::remove(fichier);
  std::string jeton;
  {
    Base base = cree_base(fichier);
    inscrit(base.get(), o.bots);
    auto debut = Horloge::now();
    remplit(base.get(), o);
    std::printf("%zu matches of %zu versions stored in %.1f s\n", o.matchs, o.bots,
                secondes(debut));
    jeton = eleves_inscrits(base.get()).front().jeton;
    debut = Horloge::now();
    const auto lignes = tableau(base.get());
    std::printf("refit (fit and %d resamples): %.3f s for %zu versions\n", tirages_tableau,
                secondes(debut), lignes.size());
  }
  chronometre_page(fichier, "/", "leaderboard GET /");
  chronometre_page(fichier, "/eleve/" + jeton, "student page");
  chronometre_resultat(fichier, o.bots);
  if (temporaire) fs::remove_all(dossier);
  return 0;
}
