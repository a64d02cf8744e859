#include "ligue/partie.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <toml++/toml.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

#include "commun/donnees.h"
#include "transport/ecoute.h"

namespace fs = std::filesystem;

namespace {

double secondes(const match::DureePartie& d) {
  return d.unite == match::DureePartie::Unite::Ticks ? d.valeur / 40 : d.valeur;
}

std::string lit(const fs::path& chemin) {
  std::ifstream flux(chemin, std::ios::binary);
  std::ostringstream texte;
  texte << flux.rdbuf();
  return texte.str();
}

}  // namespace

Programmes execution_par_defaut() {
  const fs::path ici = fs::read_symlink("/proc/self/exe").parent_path();
  const fs::path donnees = commun::donnees_arene(ici);
  return {ici / "arene-tournoi",
          ici / "arene-arbitre",
          donnees / "kits",
          donnees / "web" / "visionneuse.html",
          false,
          std::nullopt};
}

fs::path dossier_match_ligue(const fs::path& ligue, std::int64_t id) {
  return ligue / "matchs" / std::to_string(id);
}

std::string fichier_tournoi(const MatchLigue& m, const ConfigurationLigue& c, const Programmes& e) {
  toml::array bots;
  for (const Participant& p : m.participants)
    bots.push_back(
        toml::table{{"nom", p.nom}, {"commande", p.commande}, {"dossier", p.dossier.string()}});
  toml::table t{{"nom", "match-" + std::to_string(m.id)},
                {"arbitre", e.arbitre.string()},
                {"format", toml::table{{"type", "melee"}, {"repetitions", 1}}},
                {"match", toml::table{{"duree", texte_duree(c.duree)},
                                      {"fin", c.fin_survivant ? "survivant" : "duree"},
                                      {"graine_base", static_cast<std::int64_t>(m.graine)}}},
                {"classement", toml::table{{"bootstrap", 0}}},
                {"cage", toml::table{{"memoire", c.memoire_mo},
                                     {"processus", std::max<std::int64_t>(8, c.processus)},
                                     {"brouillon", c.fichiers_mo},
                                     {"lectures", toml::array{e.kits.string()}}}},
                {"bots", bots}};
  std::ostringstream s;
  s << t << "\n";
  return s.str();
}

std::optional<std::vector<Place>> places_ecrites(const fs::path& dossier, const MatchLigue& m) {
  const fs::path chemin = dossier / "matchs" / "0000" / "resultat.json";
  if (!fs::exists(chemin)) return std::nullopt;
  try {
    const nlohmann::json j = nlohmann::json::parse(lit(chemin));
    if (j.at("statut") != "termine") return std::vector<Place>{};
    std::vector<Place> places;
    for (const auto& b : j.at("bots"))
      for (const Participant& p : m.participants)
        if (p.nom == b.at("nom").get<std::string>())
          places.push_back(
              {p.version, b.at("rang").get<int>(), b.value("pt_vie", std::int64_t{0})});
    if (places.size() != m.participants.size()) return std::vector<Place>{};
    return places;
  } catch (const nlohmann::json::exception&) {
    return std::vector<Place>{};  // a damaged result counts as a failed match
  }
}

void arrete_orphelin(const fs::path& ligue, std::int64_t id) {
  const fs::path dossier = dossier_match_ligue(ligue, id);
  const std::string texte = lit(dossier / "pid");
  if (texte.empty()) return;
  const auto pid = static_cast<pid_t>(std::strtol(texte.c_str(), nullptr, 10));
  // Only that very process: a pid the system gave again to another is left alone.
  const auto toujours_la = [&] {
    return lit(fs::path("/proc") / std::to_string(pid) / "cmdline").find(dossier.string()) !=
           std::string::npos;
  };
  if (pid <= 1 || !toujours_la()) return;
  ::kill(-pid, SIGTERM);
  for (int i = 0; i < 150 && toujours_la(); ++i) ::usleep(100'000);
  if (toujours_la()) ::kill(-pid, SIGKILL);
}

PartieEnCours::PartieEnCours(const fs::path& ligue, MatchLigue m, const ConfigurationLigue& c,
                             const Programmes& e)
    : dossier_(dossier_match_ligue(ligue, m.id)), match_(std::move(m)), slurm_(e.slurm) {
  fs::remove_all(dossier_);
  fs::create_directories(dossier_);
  const fs::path fichier = dossier_ / "match.toml";
  std::ofstream(fichier) << fichier_tournoi(match_, c, e);
  std::vector<std::string> arguments{e.tournoi.string(),    "lance",           fichier.string(),
                                     "--dossier",           dossier_.string(), "--visionneuse",
                                     e.visionneuse.string()};
  if (slurm_) {
    arguments.push_back("--slurm");
    if (e.partition) arguments.insert(arguments.end(), {"--partition", *e.partition});
  }
  // Opened here on this machine's address only: the league relays it, and
  // knows its port without reading anything back.
  transport::Socket direct;
  if (!slurm_) {
    direct = transport::ouvre_socket_d_ecoute(
        0, SOMAXCONN, {.traces = false, .adresse = INADDR_LOOPBACK, .ferme_a_l_exec = true});
    port_direct_ = transport::port_d_ecoute(direct);
    arguments.insert(arguments.end(), {"-j", "1", "--spectateurs-fd", std::to_string(direct.fd())});
  }
  // On Slurm the queue may be long: a day beyond the match's own length.
  limite_ = std::chrono::steady_clock::now() + std::chrono::hours(24) +
            std::chrono::seconds(static_cast<long>(secondes(c.duree)));
  cage::Commande commande{arguments, dossier_, dossier_ / "arene-tournoi.log"};
  if (direct.valide()) commande.herites.push_back(direct.fd());
  // Our copy closes once the child has its own: the port ends with the match.
  enfant_ = std::make_unique<cage::Groupe>(commande);
  std::ofstream(dossier_ / "pid") << enfant_->pid() << "\n";
}

std::optional<std::vector<Place>> PartieEnCours::fin() {
  const auto fini = enfant_->fin();
  if (!slurm_) {
    if (!fini) return std::nullopt;
    return places_ecrites(dossier_, match_).value_or(std::vector<Place>{});
  }
  if (auto places = places_ecrites(dossier_, match_)) return places;
  if (fini && !fini->normale()) return std::vector<Place>{};  // not submitted
  if (std::chrono::steady_clock::now() > limite_) return std::vector<Place>{};
  return std::nullopt;
}

void PartieEnCours::arrete() {
  if (slurm_) {
    const fs::path tache = dossier_ / "slurm" / "tache.txt";
    if (fs::exists(tache)) {
      std::string id = lit(tache);
      id.erase(id.find_last_not_of("\n") + 1);
      cage::Groupe scancel(cage::Commande{{"scancel", id}, {}, dossier_ / "scancel.log"});
      (void)scancel.attend(std::chrono::seconds(30));
    }
  }
  enfant_->signale(SIGTERM);
  (void)enfant_->attend(std::chrono::seconds(15));
  enfant_->tue();
}
