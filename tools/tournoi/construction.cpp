#include "tournoi/construction.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "cage/cgroupes.h"
#include "cage/enceinte.h"
#include "tournoi/fichiers.h"
#include "tournoi/processus.h"
#include "tournoi/resultat.h"

namespace fs = std::filesystem;

namespace {

// A build that takes longer is stuck.
constexpr auto duree_max = std::chrono::minutes(10);

fs::path fait(const fs::path& dossier, const std::string& bot) {
  return dossier / "constructions" / (bot + ".ok");
}

// Why the build failed; empty when it worked.
std::string construit_un(const Tournoi& t, const BotInscrit& bot, const fs::path& dossier) {
  const fs::path journal = journal_construction(dossier, bot.nom);
  fs::remove(journal);
  Commande c({"/bin/sh", "-c", bot.construction}, bot.dossier, journal);
  c.journal_max = t.limites.journal;
  std::unique_ptr<cage::Cgroupe> cgroupe;
  if (t.cage) {
    const long coeurs = ::sysconf(_SC_NPROCESSORS_ONLN);
    try {
      cgroupe = std::make_unique<cage::Cgroupe>(
          "arene-" + std::to_string(::getpid()) + "-construction",
          cage::LimitesCgroupe{t.limites.memoire, t.limites.processus,
                               static_cast<double>(std::max(1L, coeurs))});
      c.cgroupes = cgroupe->procs();
    } catch (const std::exception&) {
      // No cgroup here: the build runs with the cage's other bounds.
    }
    c.rlimites = {{RLIMIT_NOFILE, static_cast<std::uint64_t>(t.limites.fichiers)}};
    c.arguments =
        cage::arguments_bwrap({bot.dossier, t.lectures, t.limites, true}, bot.construction);
  }
  Groupe groupe(c);
  const auto fin = groupe.attend(duree_max);
  groupe.tue();
  const auto limite = cgroupe ? cgroupe->limite_atteinte() : std::nullopt;
  if (limite) return "limit " + *limite;
  if (groupe.journal_coupe()) return "limit journal";
  if (!fin) return "still running after 10 minutes";
  return fin->normale() ? "" : fin->texte();
}

}  // namespace

std::vector<std::string> construit(const Plan& plan, const fs::path& dossier) {
  std::vector<std::string> echecs;
  fs::create_directories(dossier / "constructions");
  for (const auto& bot : plan.tournoi.bots) {
    if (bot.construction.empty()) continue;
    const fs::path echec = echec_construction(dossier, bot.nom);
    if (!fs::exists(fait(dossier, bot.nom)) && !fs::exists(echec)) {
      const std::string raison = construit_un(plan.tournoi, bot, dossier);
      ecrit_atomiquement(raison.empty() ? fait(dossier, bot.nom) : echec, raison + "\n");
    }
    if (fs::exists(echec)) {
      std::string raison = lit_fichier(echec);
      raison.erase(raison.find_last_not_of('\n') + 1);
      echecs.push_back(bot.nom + ": " + raison + ", see " +
                       journal_construction(dossier, bot.nom).string());
    }
  }
  return echecs;
}
