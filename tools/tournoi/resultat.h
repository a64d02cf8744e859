// What one match of a tournament gave: written as one JSON line in the
// match's folder (matchs/NNNN/resultat.json) once the match is over, and
// gathered into resultats.jsonl.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tournoi/processus.h"

// Why a bot lost a match whatever the referee's ranking says.
enum class Defaillance {
  Aucune,
  Plante,            // its process died on its own, with an error, before its ship was done
  JamaisEnregistre,  // no ship of its colour ever registered
  // Stopped by the cage for going beyond one of its limits:
  Memoire,
  Processus,
  Journal,
  Construction  // its build failed: it is not started
};

struct BilanBot {
  std::string nom;
  std::int64_t couleur = 0;
  int rang = 0;                 // 1 is best; equal bots share a rank
  std::string etat = "absent";  // the referee's: vivant, detruit, parti; absent if never registered
  Defaillance defaillance = Defaillance::Aucune;
  std::optional<FinProcessus> fin;  // how its process ended on its own, if it did
  bool tue = false;                 // still running after the end: killed
  std::int64_t pt_vie = 0, touches_donnees = 0, touches_recues = 0, balles_tirees = 0;
};

struct ResultatMatch {
  std::size_t indice = 0;
  std::uint64_t graine = 0;
  bool termine = false;  // false: the match itself failed, see erreur
  std::string erreur;
  std::string raison;          // the referee's: duree, survivant, annule
  double duree_s = 0;          // played, from its start to its end
  double cout_s = 0;           // wall time from the referee's start until every process is gone
  double demarrage_s = 0;      // of which before the play started
  std::vector<BilanBot> bots;  // by rank
  // How its bots were caged: "bwrap, cgroups v1", or "aucune (--sans-cage)".
  std::string cage;
};

std::string nom_defaillance(Defaillance defaillance);
// The failure named `nom` ("memoire", ...); nothing for a name it does not know.
std::optional<Defaillance> defaillance_nommee(const std::string& nom);

std::string ligne_json(const ResultatMatch& resultat);
// "1. alpha  2. beta, gamma (plante)": the bots by rank, ties together.
// What befell a bot, in one language: " (crashed", " (never registered", " (killed after the end)".
struct Remarques {
  const char* plante;
  const char* jamais_inscrit;
  const char* tue;
  const char* arrete;        // followed by the limit's keyword and ")"
  const char* construction;  // the whole remark
};
Remarques remarques_du_lecteur();  // in the reader's language
// One line, no line feed.
std::string texte_arrivee(const ResultatMatch& resultat,
                          const Remarques& remarques = remarques_du_lecteur());
// Throws std::runtime_error on a line that is not a match result.
ResultatMatch resultat_de_json(const std::string& ligne);

// The folder of match `indice` in the tournament's folder: matchs/0042.
std::filesystem::path dossier_match(const std::filesystem::path& tournoi, std::size_t indice);
std::filesystem::path chemin_resultat(const std::filesystem::path& tournoi, std::size_t indice);
// Relative to the match's folder.
inline constexpr const char* fichier_enregistrement = "enregistrement.jsonl.gz";
// The copy of the viewer in the tournament's folder.
inline constexpr const char* fichier_visionneuse = "visionneuse.html";
inline constexpr const char* fichier_resultats_arbitre = "resultats_arbitre.json";
// A bot's build log, and the mark of its failure, in the tournament's folder.
std::filesystem::path journal_construction(const std::filesystem::path& tournoi,
                                           const std::string& bot);
std::filesystem::path echec_construction(const std::filesystem::path& tournoi,
                                         const std::string& bot);
