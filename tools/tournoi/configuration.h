// The tournament file: which bots, how matches are formed, how long they last.
// Reading it collects every problem with its line and key instead of stopping
// at the first, so that one run of `verifie` shows them all.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cage/enceinte.h"
#include "match/duree.h"

struct BotInscrit {
  std::string nom;
  // Shell command; {host}, {port}, {couleur} and {duree} are replaced for each
  // match, {duree} by the seconds after which the match is surely over.
  std::string commande;
  std::filesystem::path dossier;  // working directory, absolute
  std::int64_t couleur = 0;       // its display colour, 0xRRGGBB; a match adds bits above
  // Shell command run once per tournament in its folder before any match
  // (compiling a C, C++ or Java bot); empty: none.
  std::string construction = {};
};

enum class Format { Melee, Groupes };  // every bot in every match, or every group of k bots
enum class RegleFin { Duree, Survivant };

// The shortest text that reads back to the same number: "20", "2.5".
std::string texte_nombre(double valeur);
// A match length as the referee takes it: "20s" or "800t".
std::string texte_de(const match::DureePartie& duree);
// Ticks count at the nominal 40 per second.
double secondes_de(const match::DureePartie& duree);

struct Tournoi {
  std::string nom;
  std::vector<BotInscrit> bots;
  Format format = Format::Melee;
  int taille = 2;  // bots per match with Format::Groupes
  int repetitions = 1;
  match::DureePartie duree;
  RegleFin fin = RegleFin::Duree;
  double attente_s = 10;               // how long the referee waits for the bots to register
  double delai_fin_s = 2;              // how long a bot may take to leave once the match is over
  std::vector<std::uint64_t> graines;  // match i plays graines[i] when given...
  std::uint64_t graine_base = 1;       // ...else graine_base + i
  std::optional<std::filesystem::path> arbitre;  // the referee binary, absolute
  int bootstrap = 1000;                          // resamples for the rating intervals
  cage::Limites limites;                         // each bot's, in its cage
  // Folders every caged bot may read besides its own: the kits it imports.
  std::vector<std::filesystem::path> lectures;
  bool cage = true;  // false only with `lance --sans-cage`: bots run as the organiser
};

// One problem of a tournament file; ligne is 0 when the file as a whole is concerned.
struct ErreurTournoi {
  int ligne = 0;
  std::string cle;  // "bots[2].commande", "match.duree", ...
  std::string message;
};

struct LectureTournoi {
  std::optional<Tournoi> tournoi;  // set when there is no error
  std::vector<ErreurTournoi> erreurs;
};

// Relative working directories and referee paths are taken from `dossier_base`
// (the file's own folder).
LectureTournoi lit_tournoi_texte(const std::string& texte,
                                 const std::filesystem::path& dossier_base);
LectureTournoi lit_tournoi(const std::filesystem::path& fichier);

// "fichier:ligne: cle: message", as compilers write them.
std::string texte_erreur(const std::filesystem::path& fichier, const ErreurTournoi& erreur);

// A tournament plays at most this many matches.
inline constexpr std::uint64_t max_matchs = 1'000'000;
// A match starts at most this many bots: each is a process of its own.
inline constexpr int max_bots_par_match = 64;
// The longest match, in seconds (ticks count at 40 per second).
inline constexpr double max_duree_s = 86'400;

// The number of matches the file asks for; nothing when it is beyond 2^64 - 1.
std::optional<std::uint64_t> nombre_de_matchs(const Tournoi& tournoi);
