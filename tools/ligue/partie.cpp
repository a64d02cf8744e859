#include "ligue/partie.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <toml++/toml.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

#include "commun/donnees.h"
#include "langue/langue.h"
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

// `modele` with its one or two %s replaced, in order.
std::string remplit(std::string modele, const std::string& a, const std::string& b) {
  for (const std::string* valeur : {&a, &b})
    if (const auto ou = modele.find("%s"); ou != std::string::npos) modele.replace(ou, 2, *valeur);
  return modele;
}

// A Slurm command run to its end (30 s at most), its output kept in `journal`.
struct Reponse {
  std::optional<cage::FinProcessus> fin;
  std::string sortie;
};
Reponse demande(std::vector<std::string> arguments, const fs::path& journal) {
  fs::remove(journal);
  cage::Groupe commande(cage::Commande{std::move(arguments), {}, journal});
  const auto fin = commande.attend(std::chrono::seconds(30));
  return {fin, lit(journal)};
}

std::string tache_soumise(const fs::path& dossier) {
  std::string id = lit(dossier / "slurm" / "tache.txt");
  id.erase(id.find_last_not_of("\n") + 1);
  return id;
}

// A job in one of these states will never write its result any more.
bool hors_file(const std::string& etat) {
  static constexpr std::array<std::string_view, 9> fins{"BOOT_FAIL",     "CANCELLED", "COMPLETED",
                                                        "DEADLINE",      "FAILED",    "NODE_FAIL",
                                                        "OUT_OF_MEMORY", "PREEMPTED", "TIMEOUT"};
  return etat.empty() || std::find(fins.begin(), fins.end(), etat) != fins.end();
}

// The job's state as squeue words it, empty once it left the queue; nothing
// when Slurm could not be asked.
std::optional<std::string> etat_slurm(const fs::path& dossier, const std::string& tache) {
  const Reponse r = demande({"squeue", "-h", "-j", tache, "-o", "%T"}, dossier / "squeue.txt");
  if (r.fin && r.fin->normale()) return r.sortie.substr(0, r.sortie.find('\n'));
  // The controller forgets a job some minutes after its end.
  if (r.sortie.find("Invalid job id") != std::string::npos) return "";
  return std::nullopt;
}

// The Slurm job a killed arene-ligue left for the match, cancelled and gone
// from the queue (a minute at most) before its folder is made anew.
void annule_tache_orpheline(const fs::path& dossier) {
  const std::string tache = tache_soumise(dossier);
  if (tache.empty()) return;
  (void)demande({"scancel", tache}, dossier / "scancel.log");
  for (int i = 0; i < 60; ++i) {
    const auto etat = etat_slurm(dossier, tache);
    if (!etat || hors_file(*etat)) return;
    ::sleep(1);
  }
}

}  // namespace

std::optional<std::string> empechement_slurm(const fs::path& ligue,
                                             const std::optional<std::string>& partition) {
  const Reponse r = demande({"sinfo", "-h", "-o", "%P"}, ligue / "sinfo.txt");
  fs::remove(ligue / "sinfo.txt");
  if (r.fin && r.fin->code == 127) return _("sinfo not found: is Slurm installed here?");
  if (!r.fin || !r.fin->normale())
    return remplit(_("Slurm does not answer (sinfo: %s): %s"),
                   r.fin ? r.fin->texte() : _("no answer"), r.sortie);
  std::istringstream lignes(r.sortie);
  std::string connues;
  for (std::string nom; std::getline(lignes, nom);) {
    const bool par_defaut = nom.ends_with('*');
    if (par_defaut) nom.pop_back();
    if (partition ? nom == *partition : par_defaut) return std::nullopt;
    connues += (connues.empty() ? "" : ", ") + nom;
  }
  if (partition) return remplit(_("Slurm has no partition %s (it has: %s)"), *partition, connues);
  return remplit(_("Slurm has no default partition: give one with --partition (it has: %s)"),
                 connues, "");
}

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
  annule_tache_orpheline(dossier);
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
  if (!fini) return std::nullopt;
  if (!fini->normale()) return std::vector<Place>{};  // not submitted: arene-tournoi.log says why
  if (std::chrono::steady_clock::now() > limite_) return std::vector<Place>{};
  // A job cancelled or failed before its match wrote anything never will.
  const auto etat = etat_tache(false);
  if (!etat || !hors_file(*etat)) return std::nullopt;
  // The result is written before the job leaves the queue: read once more.
  return places_ecrites(dossier_, match_).value_or(std::vector<Place>{});
}

std::optional<std::string> PartieEnCours::etat_tache(bool tout_de_suite) {
  const auto fini = enfant_->fin();
  if (!slurm_ || !fini || !fini->normale()) return std::nullopt;
  const std::string tache = tache_soumise(dossier_);
  const auto maintenant = std::chrono::steady_clock::now();
  if (tache.empty()) return std::nullopt;
  if (!tout_de_suite && maintenant < prochaine_question_) return dernier_etat_;
  prochaine_question_ = maintenant + std::chrono::seconds(5);
  dernier_etat_ = etat_slurm(dossier_, tache);
  return dernier_etat_;
}

bool PartieEnCours::refusee() {
  const auto fini = enfant_->fin();
  return slurm_ && fini && !fini->normale();
}

bool PartieEnCours::retire_si_en_attente() {
  if (etat_tache(false) != "PENDING") return false;
  // Only while it waits: a job that started meanwhile is left to play.
  (void)demande({"scancel", "--state=PENDING", tache_soumise(dossier_)}, dossier_ / "scancel.log");
  const auto apres = etat_tache(true);
  return apres && hors_file(*apres) && !places_ecrites(dossier_, match_);
}

void PartieEnCours::arrete() {
  if (slurm_) {
    const std::string tache = tache_soumise(dossier_);
    if (!tache.empty()) (void)demande({"scancel", tache}, dossier_ / "scancel.log");
  }
  enfant_->signale(SIGTERM);
  (void)enfant_->attend(std::chrono::seconds(15));
  enfant_->tue();
}
