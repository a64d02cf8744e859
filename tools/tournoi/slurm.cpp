#include "tournoi/slurm.h"

#include <chrono>
#include <sstream>
#include <stdexcept>

#include "langue/langue.h"
#include "tournoi/fichiers.h"
#include "tournoi/processus.h"

namespace {

std::string entre_apostrophes(const std::string& texte) {
  std::string sortie = "'";
  for (char c : texte) sortie += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return sortie + "'";
}

}  // namespace

std::string liste_tableau(const std::vector<std::size_t>& matchs) {
  std::string texte;
  for (std::size_t i = 0; i < matchs.size();) {
    std::size_t j = i;
    while (j + 1 < matchs.size() && matchs[j + 1] == matchs[j] + 1) ++j;
    texte += (texte.empty() ? "" : ",") + std::to_string(matchs[i]);
    if (j > i) texte += "-" + std::to_string(matchs[j]);
    i = j + 1;
  }
  return texte;
}

std::string script_slurm(const SoumissionSlurm& s) {
  const std::string journaux = (s.dossier / "slurm" / "%a.out").string();
  std::string texte = "#!/bin/sh\n#SBATCH --job-name=arene-" + s.nom +
                      "\n#SBATCH --array=" + liste_tableau(s.matchs) +
                      "\n#SBATCH --output=" + journaux + "\n";
  if (s.partition) texte += "#SBATCH --partition=" + *s.partition + "\n";
  // The task number is the match number: a task run again replays its match.
  texte += "exec " + entre_apostrophes(s.executable.string()) + " match " +
           entre_apostrophes(s.dossier.string()) + " \"$SLURM_ARRAY_TASK_ID\"\n";
  return texte;
}

std::optional<std::string> tache_en_cours(const std::filesystem::path& dossier) {
  const auto fichier = dossier / "slurm" / "tache.txt";
  if (!std::filesystem::exists(fichier)) return std::nullopt;
  std::string tache = lit_fichier(fichier);
  tache.erase(tache.find_last_not_of("\n") + 1);
  const auto journal = dossier / "slurm" / "squeue.txt";
  std::filesystem::remove(journal);
  Groupe squeue(Commande{{"squeue", "-h", "-j", tache}, {}, journal});
  const auto fin = squeue.attend(std::chrono::minutes(1));
  if (!fin || !fin->normale() || lit_fichier(journal).empty()) return std::nullopt;
  return tache;
}

std::string soumet(const SoumissionSlurm& s) {
  const auto dossier = s.dossier / "slurm";
  std::filesystem::create_directories(dossier);
  const auto script = dossier / "tache.sh";
  ecrit_atomiquement(script, script_slurm(s));
  const auto journal = dossier / "sbatch.txt";
  std::filesystem::remove(journal);
  Groupe sbatch(Commande{{"sbatch", "--parsable", script.string()}, {}, journal});
  const auto fin = sbatch.attend(std::chrono::minutes(2));
  const std::string sortie = lit_fichier(journal);
  if (!fin || !fin->normale()) {
    if (fin && fin->code == 127)
      throw std::runtime_error(_("sbatch not found: is Slurm installed here?"));
    throw std::runtime_error(_("sbatch failed (") + (fin ? fin->texte() : _("no answer")) +
                             "): " + sortie);
  }
  // --parsable prints "jobid" or "jobid;cluster", maybe after warnings.
  std::string tache;
  std::istringstream lignes(sortie);
  for (std::string ligne; std::getline(lignes, ligne);)
    if (!ligne.empty() && std::isdigit(static_cast<unsigned char>(ligne[0])))
      tache = ligne.substr(0, ligne.find(';'));
  if (tache.empty()) throw std::runtime_error(_("sbatch gave no job id: ") + sortie);
  ecrit_atomiquement(dossier / "tache.txt", tache + "\n");
  return tache;
}
