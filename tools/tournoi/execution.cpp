#include "tournoi/execution.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>

#include "cage/cgroupes.h"
#include "cage/enceinte.h"
#include "resultats/champs.h"
#include "resultats/resultats.h"
#include "tournoi/bilan.h"
#include "tournoi/couleurs.h"
#include "tournoi/fichiers.h"
#include "transport/ecoute.h"

namespace {

using Horloge = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How long the referee may take to listen.
constexpr auto delai_ecoute = 10s;
// Beyond its own waiting and duration, how long a match may run before its
// referee is stopped: matches in ticks run slower on a loaded machine.
constexpr double marge_s = 30;
constexpr auto pas_attente = 20ms;
constexpr auto delai_sigterm = 1s;

double secondes(Horloge::duration d) { return std::chrono::duration<double>(d).count(); }

void remplace(std::string& texte, const std::string& champ, const std::string& valeur) {
  for (auto i = texte.find(champ); i != std::string::npos; i = texte.find(champ, i + valeur.size()))
    texte.replace(i, champ.size(), valeur);
}

// `joueurs`: the match's bots with the colours they play under in it.
Commande commande_arbitre(const Plan& plan, const MatchPrevu& match,
                          const std::vector<BotInscrit>& joueurs, int port,
                          const std::filesystem::path& dossier, const transport::Socket* direct) {
  const Tournoi& t = plan.tournoi;
  Commande c{{plan.arbitre.string(), "--port", std::to_string(port), "--graine",
              std::to_string(match.graine), "--joueurs", std::to_string(match.bots.size()),
              "--attente", texte_nombre(t.attente_s), "--duree", texte_de(t.duree), "--enregistre",
              (dossier / fichier_enregistrement).string(), "--resultats",
              (dossier / fichier_resultats_arbitre).string()},
             dossier,
             dossier / "arbitre.log"};
  if (t.fin == RegleFin::Survivant) c.arguments.insert(c.arguments.end(), {"--fin", "survivant"});
  // The referee writes the names into its results and recording, so that
  // every replay and table shows them.
  std::string couleurs;
  for (const BotInscrit& b : joueurs) {
    c.arguments.insert(c.arguments.end(), {"--nom", std::to_string(b.couleur) + "=" + b.nom});
    couleurs += (couleurs.empty() ? "" : ",") + std::to_string(b.couleur);
  }
  // Only these colours register, each once: no bot opens a second ship.
  c.arguments.insert(c.arguments.end(), {"--couleurs", couleurs});
  if (direct) {
    c.arguments.insert(c.arguments.end(), {"--spectateurs-fd", std::to_string(direct->fd())});
    c.herites.push_back(direct->fd());
  }
  return c;
}

// The referee listening on a port the system chose for it. A port picked
// beforehand could be taken by another match's referee before ours binds it,
// and our bots would then play in that other match.
std::unique_ptr<Groupe> demarre_arbitre(const Plan& plan, const MatchPrevu& match,
                                        const std::vector<BotInscrit>& joueurs,
                                        const std::filesystem::path& dossier,
                                        const transport::Socket* direct,
                                        const cage::Cgroupe* cgroupe, int& port,
                                        std::string& erreur) {
  Commande c = commande_arbitre(plan, match, joueurs, 0, dossier, direct);
  if (cgroupe) c.cgroupes = cgroupe->procs();
  auto arbitre = std::make_unique<Groupe>(c);
  const auto limite = Horloge::now() + delai_ecoute;
  // Uncaged, the viewers' port is in the same network as the game's.
  const int sauf = direct ? transport::port_d_ecoute(*direct) : -1;
  std::optional<int> ecoute;
  while (!arbitre->fin() && !(ecoute = port_en_ecoute(arbitre->pid(), sauf)) &&
         Horloge::now() < limite)
    std::this_thread::sleep_for(pas_attente);
  if (ecoute && !arbitre->fin()) {
    port = *ecoute;
    return arbitre;
  }
  const auto fin = arbitre->fin();
  erreur = fin ? "the referee ended at start: " + fin->texte() : "the referee never listened";
  return nullptr;
}

// The cgroup is declared first so that it goes last, once the group is reaped.
struct BotEnJeu {
  std::unique_ptr<cage::Cgroupe> cgroupe;
  std::unique_ptr<Groupe> groupe;
  IssueProcessus issue;
};

// The limit a bot ran into, if any: its journal, or its cgroup's counters.
Defaillance limite_de(const BotEnJeu& bot) {
  if (!bot.groupe) return bot.issue.limite;
  if (bot.groupe->journal_coupe()) return Defaillance::Journal;
  const auto nom = bot.cgroupe ? bot.cgroupe->limite_atteinte() : std::nullopt;
  return nom ? defaillance_nommee(*nom).value_or(Defaillance::Aucune) : Defaillance::Aucune;
}

// A bot beyond a limit is stopped at once, all its processes with it.
void observe(std::vector<BotEnJeu>& bots) {
  for (auto& bot : bots) {
    if (!bot.groupe) continue;
    if (bot.issue.limite == Defaillance::Aucune &&
        (bot.issue.limite = limite_de(bot)) != Defaillance::Aucune) {
      if (bot.cgroupe) bot.cgroupe->tue_tout();
      bot.groupe->tue();
    }
    if (!bot.issue.fin && !bot.issue.tue) bot.issue.fin = bot.groupe->fin();
  }
}

bool tous_finis(std::vector<BotEnJeu>& bots) {
  observe(bots);
  for (auto& bot : bots)
    if (!bot.issue.fin) return false;
  return true;
}

// Bots still running once the match is over get `delai` to leave, then
// SIGTERM, then SIGKILL; every group is killed in the end.
void congedie(std::vector<BotEnJeu>& bots, double delai) {
  const auto limite = Horloge::now() + std::chrono::duration<double>(delai);
  while (!tous_finis(bots) && Horloge::now() < limite) std::this_thread::sleep_for(pas_attente);
  for (auto& bot : bots)
    if (!bot.issue.fin) {
      bot.issue.tue = true;
      bot.groupe->signale(SIGTERM);
    }
  // One second for all of them together, not one each.
  const auto sursis = Horloge::now() + delai_sigterm;
  const auto tues_finis = [&] {
    return std::all_of(bots.begin(), bots.end(),
                       [](BotEnJeu& bot) { return !bot.issue.tue || bot.groupe->fin(); });
  };
  while (!tues_finis() && Horloge::now() < sursis) std::this_thread::sleep_for(pas_attente);
  for (auto& bot : bots)
    if (bot.groupe) bot.groupe->tue();
}

// Each bot weighs as this many ordinary processes when the machine is short
// of CPU: other work on it then takes CPU from every bot alike, and a spinning
// opponent, held to its quota, leaves the others theirs.
constexpr int poids_bot = 32;

// Each bot's equal part of the machine, the referee counted as one more: a
// spinning bot gets no more than it, and leaves the referee its part too.
double coeurs_par_bot(std::size_t bots) {
  const long coeurs = ::sysconf(_SC_NPROCESSORS_ONLN);
  return std::max(0.1, static_cast<double>(std::max(1L, coeurs)) / static_cast<double>(bots + 1));
}

// The referee out of the bots' groups but weighing as much as one of them,
// with no quota: the replies every bot waits for never queue behind other
// work on the machine. Nothing where no cgroup can be had.
std::unique_ptr<cage::Cgroupe> cgroupe_d_arbitre(std::size_t indice) {
  try {
    return std::make_unique<cage::Cgroupe>(
        "arene-" + std::to_string(::getpid()) + "-" + std::to_string(indice) + "-arbitre",
        cage::LimitesCgroupe{0, 0, 0, poids_bot});
  } catch (const std::exception&) {
    return nullptr;
  }
}

// Where no cgroup can be had, rlimits bound what they can: less precisely
// (address space, processes of the whole user).
std::vector<cage::Rlimite> rlimites(const cage::Limites& l, const cage::Cgroupe* cgroupe) {
  std::vector<cage::Rlimite> r = {{RLIMIT_NOFILE, static_cast<std::uint64_t>(l.fichiers)}};
  if (!cgroupe || !cgroupe->borne_memoire()) r.push_back({RLIMIT_AS, l.memoire});
  if (!cgroupe || !cgroupe->borne_processus())
    r.push_back(
        {RLIMIT_NPROC, cage::taches_de_l_utilisateur() + static_cast<std::uint64_t>(l.processus)});
  return r;
}

BotEnJeu demarre_bot(const Plan& plan, const BotInscrit& bot, int port,
                     const std::filesystem::path& ici, std::size_t numero, std::size_t nombre) {
  const Tournoi& t = plan.tournoi;
  // A bot whose build failed is not started: it loses, and its result says why.
  if (std::filesystem::exists(echec_construction(ici.parent_path().parent_path(), bot.nom))) {
    BotEnJeu b;
    b.issue.limite = Defaillance::Construction;
    b.issue.fin = FinProcessus{127, 0};
    return b;
  }
  const std::string commande = commande_bot(bot, port, t);
  Commande c{{"/bin/sh", "-c", commande}, bot.dossier, ici / "bots" / (bot.nom + ".log")};
  c.journal_max = t.limites.journal;
  BotEnJeu b;
  if (t.cage) {
    const std::string nom = "arene-" + std::to_string(::getpid()) + "-" + std::to_string(numero);
    try {
      b.cgroupe = std::make_unique<cage::Cgroupe>(
          nom, cage::LimitesCgroupe{t.limites.memoire, t.limites.processus, coeurs_par_bot(nombre),
                                    poids_bot});
      c.cgroupes = b.cgroupe->procs();
    } catch (const std::exception&) {
      // No cgroup here: the rlimits below stand in.
    }
    c.rlimites = rlimites(t.limites, b.cgroupe.get());
    c.arguments = cage::arguments_bwrap({bot.dossier, t.lectures, t.limites}, commande);
  }
  b.groupe = std::make_unique<Groupe>(c);
  return b;
}

struct Deroulement {
  bool arrete = false;   // the tournament was stopped
  bool depasse = false;  // the referee overran its time
};

Deroulement attend_arbitre(Groupe& arbitre, std::vector<BotEnJeu>& bots, double limite_s,
                           const std::atomic<bool>& arret) {
  Deroulement d;
  const auto debut = Horloge::now();
  const auto limite = debut + std::chrono::duration<double>(limite_s);
  bool signale = false;
  while (!arbitre.fin()) {
    observe(bots);
    if (!signale && (arret || Horloge::now() > limite)) {
      d.arrete = arret;
      d.depasse = !arret;
      arbitre.signale(SIGTERM);  // it still writes its results and recording
      signale = true;
    }
    if (signale && Horloge::now() > limite + std::chrono::duration<double>(marge_s)) arbitre.tue();
    std::this_thread::sleep_for(pas_attente);
  }
  return d;
}

// The match's bots, each under its display colour plus bits drawn for this
// match, which only the referee and that bot are told.
std::vector<BotInscrit> participants(const Plan& plan, const MatchPrevu& match) {
  std::vector<BotInscrit> liste;
  for (std::size_t bot : match.bots) {
    liste.push_back(plan.tournoi.bots[bot]);
    liste.back().couleur = couleur_de_match(liste.back().couleur);
  }
  return liste;
}

// Fills in the ranking from the referee's results, or says why there is none.
void conclut(ResultatMatch& r, const std::vector<BotInscrit>& liste,
             const std::vector<BotEnJeu>& bots, const std::filesystem::path& dossier,
             const FinProcessus& fin_arbitre) {
  std::vector<IssueProcessus> issues;
  for (const auto& bot : bots) issues.push_back(bot.issue);
  try {
    const std::string texte = lit_fichier(dossier / fichier_resultats_arbitre);
    const auto resultats = nlohmann::json::parse(texte);
    r.raison = resultats.at(resultats::champ::raison).get<std::string>();
    r.duree_s = resultats.at(resultats::champ::duree_s).get<double>();
    r.bots = bilan_match(liste, texte, issues);
    // Results and reports show the bot's own colour, not the match's.
    for (BilanBot& b : r.bots) b.couleur &= masque_affichage;
    r.termine = fin_arbitre.normale() &&
                r.raison != resultats::nom_raison(resultats::RaisonFin::Interrompu);
    if (!r.termine)
      r.erreur = r.raison == resultats::nom_raison(resultats::RaisonFin::Interrompu)
                     ? "the referee was stopped"
                     : "referee: " + fin_arbitre.texte();
    // A recording the referee could not write makes the match one to play again.
    const auto erreur_enregistrement =
        resultats.value(resultats::champ::enregistrement, nlohmann::json::object())
            .value(resultats::champ::erreur, nlohmann::json());
    if (erreur_enregistrement.is_string()) {
      r.termine = false;
      r.erreur =
          "the referee could not write its recording: " + erreur_enregistrement.get<std::string>();
    }
  } catch (const std::exception& e) {
    r.erreur = "no referee results (" + fin_arbitre.texte() + "): " + e.what();
  }
}

}  // namespace

transport::Socket ouvre_tribune(std::int64_t port) {
  // Close-on-exec: only the referee it is handed to keeps it, not the bots
  // other matches start meanwhile.
  return transport::ouvre_socket_d_ecoute(
      port, SOMAXCONN, {.traces = false, .reutilise_adresse = true, .ferme_a_l_exec = true});
}

std::string commande_bot(const BotInscrit& bot, int port, const Tournoi& tournoi) {
  std::string commande = bot.commande;
  remplace(commande, "{host}", "127.0.0.1");
  remplace(commande, "{port}", std::to_string(port));
  remplace(commande, "{couleur}", std::to_string(bot.couleur));
  // A bot is started before the match: it may wait for the others to register,
  // and ticks run late on a loaded machine. A bot that plays for this long,
  // as the sample bots do with --duree, never leaves before the end.
  const double jusqu_a_la_fin = tournoi.attente_s + 1.25 * secondes_de(tournoi.duree) + 2;
  remplace(commande, "{duree}", texte_nombre(std::ceil(jusqu_a_la_fin)));
  return commande;
}

std::optional<ResultatMatch> joue_match(const Plan& plan, std::size_t indice,
                                        const std::filesystem::path& dossier,
                                        const std::atomic<bool>& arret,
                                        const transport::Socket* direct) {
  const MatchPrevu& match = plan.matchs.at(indice);
  const std::filesystem::path ici = dossier_match(dossier, indice);
  std::filesystem::remove_all(ici);
  std::filesystem::create_directories(ici / "bots");
  ResultatMatch r;
  r.indice = indice;
  r.graine = match.graine;
  const auto debut = Horloge::now();
  int port = 0;
  r.cage = plan.tournoi.cage ? "bwrap, cgroups " + cage::nom_version(cage::version_cgroupes())
                             : "aucune (--sans-cage)";
  // The referee and its bots alone in a network: no other port is reachable.
  if (plan.tournoi.cage) cage::isole_reseau();
  const std::vector<BotInscrit> liste = participants(plan, match);
  const auto cgroupe_arbitre = plan.tournoi.cage ? cgroupe_d_arbitre(indice) : nullptr;
  std::unique_ptr<Groupe> arbitre =
      demarre_arbitre(plan, match, liste, ici, direct, cgroupe_arbitre.get(), port, r.erreur);
  std::vector<BotEnJeu> bots;
  if (arbitre) {
    for (std::size_t i = 0; i < liste.size(); ++i)
      bots.push_back(demarre_bot(plan, liste[i], port, ici, indice * 1000 + i, liste.size()));
    if (std::any_of(bots.begin(), bots.end(),
                    [&](const BotEnJeu& b) { return plan.tournoi.cage && b.groupe && !b.cgroupe; }))
      r.cage = "bwrap, rlimits (no cgroup could be created)";
    const Tournoi& t = plan.tournoi;
    const Deroulement d =
        attend_arbitre(*arbitre, bots, t.attente_s + secondes_de(t.duree) * 1.5 + marge_s, arret);
    const auto fin_arbitre = Horloge::now();
    congedie(bots, t.delai_fin_s);
    arbitre->tue();
    if (d.arrete) return std::nullopt;
    conclut(r, liste, bots, ici, *arbitre->fin());
    if (d.depasse) r.erreur = "the referee overran its time and was stopped";
    r.demarrage_s = secondes(fin_arbitre - debut) - r.duree_s;
  }
  r.cout_s = secondes(Horloge::now() - debut);
  if (arret) return std::nullopt;
  ecrit_atomiquement(chemin_resultat(dossier, indice), ligne_json(r) + "\n");
  return r;
}
