#include "tournoi/construction.h"

#include "cage/construction.h"
#include "tournoi/fichiers.h"
#include "tournoi/resultat.h"

namespace fs = std::filesystem;

namespace {

fs::path fait(const fs::path& dossier, const std::string& bot) {
  return dossier / "constructions" / (bot + ".ok");
}

// Why the build failed; empty when it worked.
std::string construit_un(const Tournoi& t, const BotInscrit& bot, const fs::path& dossier) {
  return cage::construit({bot.dossier, bot.construction, journal_construction(dossier, bot.nom),
                          t.lectures, t.limites, t.cage});
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
