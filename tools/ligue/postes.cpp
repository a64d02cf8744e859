// What the teacher sees of the season's work: each match being played, its
// bots, since when, and the process or Slurm job that plays it.
#include <fstream>
#include <sstream>

#include "ligue/base.h"
#include "ligue/partie.h"
#include "ligue/prive.h"

namespace fs = std::filesystem;

namespace {

// The first line of a small file the scheduler left, or "" when there is none yet.
std::string premiere_ligne(const fs::path& chemin) {
  std::ifstream lu(chemin);
  std::string ligne;
  std::getline(lu, ligne);
  return ligne;
}

// A local match's arene-tournoi by its pid; on Slurm, the job it was given.
std::string processus(const fs::path& ligue, std::int64_t id, bool slurm) {
  const fs::path dossier = dossier_match_ligue(ligue, id);
  if (!slurm) {
    const std::string pid = premiere_ligne(dossier / "pid");
    return pid.empty() ? "" : "pid " + pid;
  }
  const std::string tache = premiere_ligne(dossier / "slurm" / "tache.txt");
  return tache.empty() ? "Slurm" : "Slurm " + tache;
}

}  // namespace

std::string section_postes(sqlite3* base, const fs::path& ligue, const Postes& postes,
                           const Mots& m) {
  // One row per bot, in the order they were drawn: group_concat's order is not defined.
  Requete r = prepare(base,
                      "SELECT m.id, COALESCE(m.debut, ''), e.nom || ' v' || v.numero FROM matchs m "
                      "JOIN participations p ON p.match = m.id JOIN versions v ON v.id = p.version "
                      "JOIN eleves e ON e.id = v.eleve WHERE m.etat = 'en_cours' "
                      "ORDER BY m.id, p.rowid");
  std::string lignes;
  std::int64_t courant = -1;
  std::string debut, bots;
  const auto ferme = [&] {
    if (courant < 0) return;
    lignes += "<tr><td class=n>" + std::to_string(courant) + "</td>" + cellule(bots) +
              cellule(debut) + cellule(processus(ligue, courant, postes.slurm)) + "</tr>\n";
  };
  while (sqlite3_step(r.get()) == SQLITE_ROW) {
    const std::int64_t id = sqlite3_column_int64(r.get(), 0);
    if (id != courant) {
      ferme();
      courant = id;
      debut = colonne(r.get(), 1);
      bots.clear();
    }
    bots += (bots.empty() ? "" : ", ") + colonne(r.get(), 2);
  }
  ferme();
  const std::string ou =
      postes.slurm ? "Slurm" + (postes.partition.empty() ? "" : " (" + postes.partition + ")")
                   : m.ici;
  return "<h2>" + m.postes + "</h2>\n<p id=postes>" + std::to_string(postes.places) + " " +
         m.places + " · " + tribune::echappe_html(ou) + "</p>\n<table id=en_cours>\n<tr>" +
         m.colonnes_postes + "</tr>\n" + lignes + "</table>\n";
}
