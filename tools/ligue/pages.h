// The league's pages, computed from its database on each request: the
// public leaderboard at "/" and each student's page behind their token, in
// French or English by the browser's first language.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ligue/direct.h"
#include "tribune/service_http.h"

enum class Langue { Francais, Anglais };

// French when the browser's first language is, English otherwise.
[[nodiscard]] Langue langue_de(std::string_view accept_language);

// How the service plays its matches, for the teacher's page.
struct Postes {
  int places = 1;  // matches at once (-j)
  bool slurm = false;
  std::string partition;  // empty: Slurm's default
};

// The answer to one request; `direct` tells which matches are live. Never
// throws: a database that cannot be read gives a 500 that says so.
[[nodiscard]] tribune::PageHttp page_ligue(const std::filesystem::path& base,
                                           const tribune::DemandeHttp& r, const Postes& postes,
                                           const EnDirect& direct);

// A small line of ratings over time, on the scale [bas, haut] shared by the
// lines drawn beside it; nothing under two points.
[[nodiscard]] std::string courbe(const std::vector<double>& notes, double bas, double haut);

// The page with the league's look around `corps`, its title escaped; `tete`
// goes into its head.
[[nodiscard]] std::string document(Langue l, const std::string& titre, const std::string& corps,
                                   std::string_view tete = "");
// The leaderboard's table, or the line saying there is none yet.
[[nodiscard]] std::string classement_html(sqlite3* base, Langue l);

// The projector page, its script and what it polls (projecteur.cpp);
// nothing for other paths.
[[nodiscard]] std::optional<tribune::PageHttp> page_projecteur(sqlite3* base,
                                                               std::string_view chemin, Langue l,
                                                               const EnDirect& direct);

// The student whose token this is, compared with every token in constant time.
[[nodiscard]] std::optional<std::int64_t> eleve_du_jeton(sqlite3* base, std::string_view jeton);
[[nodiscard]] bool jeton_admin_valide(sqlite3* base, std::string_view jeton);

// The student's and the teacher's pages behind their tokens (page_privee.cpp),
// nothing when the token is nobody's; the POSTs of those pages (actions.cpp),
// 403 without a valid token and a same-site origin.
[[nodiscard]] std::optional<tribune::PageHttp> page_privee(sqlite3* base,
                                                           const std::filesystem::path& fichier,
                                                           std::string_view chemin, Langue l,
                                                           const Postes& postes);
[[nodiscard]] tribune::PageHttp action_ligue(const std::filesystem::path& fichier,
                                             const tribune::DemandeHttp& r, Langue l);
// The few lines that send the student's file as a POST's raw body.
[[nodiscard]] tribune::PageHttp script_depot();
