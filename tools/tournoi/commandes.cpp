#include "tournoi/commandes.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <stdexcept>

#include "cage/enceinte.h"
#include "langue/langue.h"
#include "tournoi/arret.h"
#include "tournoi/classement.h"
#include "tournoi/construction.h"
#include "tournoi/execution.h"
#include "tournoi/fichiers.h"
#include "tournoi/local.h"
#include "tournoi/progression.h"
#include "tournoi/rapport.h"
#include "tournoi/slurm.h"
#include "transport/ecoute.h"
#include "visionneuse.h"

namespace fs = std::filesystem;

namespace {

fs::path executable() { return fs::read_symlink("/proc/self/exe"); }

// The referee beside this program, in the build tree as once installed.
fs::path arbitre_par_defaut() { return executable().parent_path() / "arene-arbitre"; }

// The viewer the report links to: a copy in the folder by default, so that
// serving the folder alone (`sert`) makes every link work.
fs::path visionneuse_du_rapport(const fs::path& dossier, const std::optional<fs::path>& donnee) {
  if (donnee) return fs::absolute(*donnee);
  ecrit_atomiquement(dossier / fichier_visionneuse, std::string(page_visionneuse()));
  return dossier / fichier_visionneuse;
}

fs::path dossier_date(const std::string& nom) {
  char date[32];
  const std::time_t maintenant = std::time(nullptr);
  std::strftime(date, sizeof date, "%Y%m%d-%H%M%S", std::localtime(&maintenant));
  return fs::absolute(nom + "-" + date);
}

std::optional<ResultatMatch> resultat_ecrit(const fs::path& dossier, std::size_t indice) {
  const fs::path chemin = chemin_resultat(dossier, indice);
  if (!fs::exists(chemin)) return std::nullopt;
  try {
    return resultat_de_json(lit_fichier(chemin));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "arene-tournoi: %s: %s\n", chemin.c_str(), e.what());
    return std::nullopt;
  }
}

std::vector<std::size_t> a_jouer(const Plan& plan, const fs::path& dossier) {
  std::vector<std::size_t> matchs;
  for (const auto& m : plan.matchs) {
    const auto r = resultat_ecrit(dossier, m.indice);
    if (!r || !r->termine) matchs.push_back(m.indice);
  }
  return matchs;
}

// The folder with its plan: new, or the same plan again when resuming.
bool prepare_dossier(const OptionsLance& o, const Plan& plan, const fs::path& dossier) {
  const std::string texte = texte_plan(plan);
  if (fs::exists(chemin_plan(dossier))) {
    if (!o.reprendre) {
      std::fprintf(stderr, _("arene-tournoi: %s holds a tournament already: add --reprendre\n"),
                   dossier.c_str());
      return false;
    }
    if (lit_fichier(chemin_plan(dossier)) != texte) {
      std::fprintf(stderr,
                   _("arene-tournoi: %s: the tournament file changed since it was started\n"),
                   dossier.c_str());
      return false;
    }
    return true;
  }
  fs::create_directories(dossier / "matchs");
  fs::copy_file(o.fichier, dossier / "tournoi.toml", fs::copy_options::overwrite_existing);
  ecrit_plan(dossier, plan);
  return true;
}

std::optional<Plan> plan_du_fichier(const OptionsLance& o) {
  const LectureTournoi lecture = lit_tournoi(o.fichier);
  for (const auto& e : lecture.erreurs)
    std::fprintf(stderr, "%s\n", texte_erreur(o.fichier, e).c_str());
  if (!lecture.tournoi) return std::nullopt;
  const fs::path arbitre =
      o.arbitre.value_or(lecture.tournoi->arbitre.value_or(arbitre_par_defaut()));
  if (::access(arbitre.c_str(), X_OK) != 0) {
    std::fprintf(stderr,
                 _("arene-tournoi: the referee %s cannot be run: build arene-arbitre, or "
                   "give its path with --arbitre\n"),
                 arbitre.c_str());
    return std::nullopt;
  }
  Tournoi tournoi = *lecture.tournoi;
  tournoi.cage = !o.sans_cage;
  return plan_de(tournoi, arbitre);
}

// A tournament that should cage its bots and cannot refuses to run them
// uncaged; one without its cage says so as it starts.
bool cage_possible(const Plan& plan) {
  if (!plan.tournoi.cage) {
    std::fprintf(stderr,
                 "arene-tournoi: WARNING: --sans-cage: the bots run uncaged, as this user, "
                 "with access to its files and to the network\n");
    return true;
  }
  if (const auto raison = cage::empechement()) {
    std::fprintf(stderr, "arene-tournoi: cannot cage the bots: %s (or run with --sans-cage)\n",
                 raison->c_str());
    return false;
  }
  return true;
}

int lance_slurm(const OptionsLance& o, const Plan& plan, const fs::path& dossier,
                const std::vector<std::size_t>& matchs) {
  if (const auto en_cours = tache_en_cours(dossier)) {
    std::fprintf(stderr,
                 _("arene-tournoi: job %s still has tasks queued or running: wait for it "
                   "(or scancel it) before submitting again\n"),
                 en_cours->c_str());
    return sortie_erreur;
  }
  const std::string tache = soumet({executable(), dossier, plan.tournoi.nom, matchs, o.partition});
  std::printf(_("submitted job %s: %zu matches, one task each\n"
                "once it is done: %s rassemble %s\n"),
              tache.c_str(), matchs.size(), executable().c_str(), dossier.c_str());
  return sortie_ok;
}

// The live viewers' socket the program running this one handed over. Kept
// from the bots: only each referee gets it, as with a socket opened here.
transport::Socket socket_herite(std::optional<int> fd) {
  if (!fd) return {};
  if (!transport::est_en_ecoute(*fd))
    throw std::runtime_error(std::string("--spectateurs-fd: ") + _("not a listening socket: ") +
                             std::to_string(*fd));
  ::fcntl(*fd, F_SETFD, FD_CLOEXEC);
  return transport::Socket(*fd);
}

}  // namespace

int verifie(const fs::path& fichier) {
  const LectureTournoi lecture = lit_tournoi(fichier);
  for (const auto& e : lecture.erreurs)
    std::fprintf(stderr, "%s\n", texte_erreur(fichier, e).c_str());
  if (!lecture.tournoi) return sortie_erreur;
  const Tournoi& t = *lecture.tournoi;
  // A file that was read has a count, and at most max_matchs.
  const std::uint64_t matchs = nombre_de_matchs(t).value_or(0);
  std::printf(_("%s: %zu bots, %llu matches of %s, about %s of play\n"), fichier.c_str(),
              t.bots.size(), static_cast<unsigned long long>(matchs), texte_de(t.duree).c_str(),
              texte_duree(static_cast<double>(matchs) * secondes_de(t.duree)).c_str());
  return sortie_ok;
}

int lance(const OptionsLance& o, const std::atomic<bool>& arret) {
  // Resuming without the file goes on with the plan the folder holds.
  const bool plan_du_dossier = o.fichier.empty() && o.reprendre && o.dossier;
  const auto plan = plan_du_dossier ? std::optional(lit_plan(*o.dossier)) : plan_du_fichier(o);
  if (!plan) return sortie_erreur;
  const fs::path dossier = fs::absolute(o.dossier.value_or(dossier_date(plan->tournoi.nom)));
  if (!o.slurm && !cage_possible(*plan)) return sortie_erreur;
  if (!plan_du_dossier && !prepare_dossier(o, *plan, dossier)) return sortie_erreur;
  // Once per tournament, before any match: a failed build is that bot's loss.
  for (const auto& echec : construit(*plan, dossier))
    std::fprintf(stderr, _("arene-tournoi: build failed for %s\n"), echec.c_str());
  const std::vector<std::size_t> matchs = a_jouer(*plan, dossier);
  std::fprintf(stderr, _("%s: %zu of %zu matches to play\n"), dossier.c_str(), matchs.size(),
               plan->matchs.size());
  if (o.slurm)
    return matchs.empty() ? rassemble(dossier, o.visionneuse)
                          : lance_slurm(o, *plan, dossier, matchs);
  const transport::Socket direct = socket_herite(o.spectateurs_fd);
  {
    const PendantLesMatchs pendant;
    if (!arret)
      joue_local(*plan, dossier, matchs, o.paralleles, arret, direct.valide() ? &direct : nullptr);
  }
  if (arret) {
    std::fprintf(stderr, _("stopped: go on with arene-tournoi lance --reprendre --dossier %s\n"),
                 dossier.c_str());
    return sortie_interrompu;
  }
  return rassemble(dossier, o.visionneuse);
}

int commande_match(const fs::path& dossier, std::size_t indice,
                   std::optional<std::int64_t> spectateurs, const std::atomic<bool>& arret) {
  const Plan plan = lit_plan(dossier);
  if (indice >= plan.matchs.size()) {
    std::fprintf(stderr, _("arene-tournoi: no match %zu: the tournament has %zu\n"), indice,
                 plan.matchs.size());
    return sortie_erreur;
  }
  if (!cage_possible(plan)) return sortie_erreur;
  transport::Socket direct;
  if (spectateurs) {
    direct = ouvre_tribune(*spectateurs);
    std::fprintf(stderr, _("live: http://127.0.0.1:%d/\n"), transport::port_d_ecoute(direct));
  }
  std::optional<ResultatMatch> r;
  {
    const PendantLesMatchs pendant;
    if (!arret)
      r = joue_match(plan, indice, fs::absolute(dossier), arret,
                     direct.valide() ? &direct : nullptr);
  }
  if (!r) return sortie_interrompu;
  std::printf("%s\n", ligne_match(*r).c_str());
  return r->termine ? sortie_ok : sortie_incomplet;
}

int rassemble(const fs::path& dossier_donne, const std::optional<fs::path>& visionneuse) {
  const fs::path dossier = fs::absolute(dossier_donne);
  const Plan plan = lit_plan(dossier);
  std::vector<ResultatMatch> resultats;
  std::vector<std::size_t> manquants;
  std::string lignes;
  for (const auto& m : plan.matchs) {
    if (auto r = resultat_ecrit(dossier, m.indice)) {
      lignes += ligne_json(*r) + "\n";
      resultats.push_back(std::move(*r));
    } else {
      manquants.push_back(m.indice);
    }
  }
  const auto lignes_classement = classement_des_bots(plan, resultats);
  const Rapport rapport{plan, lignes_classement, resultats, manquants};
  ecrit_atomiquement(dossier / "resultats.jsonl", lignes);
  ecrit_atomiquement(dossier / "classement.txt", tableau(rapport));
  ecrit_atomiquement(dossier / "classement.csv", texte_csv(rapport));
  ecrit_atomiquement(dossier / "classement.json", texte_json(rapport));
  ecrit_atomiquement(dossier / "rapport.html",
                     page_html(rapport, dossier, visionneuse_du_rapport(dossier, visionneuse)));
  std::printf("%s", tableau(rapport).c_str());
  std::vector<std::size_t> a_refaire = manquants;
  for (const auto& r : resultats)
    if (!r.termine) {
      std::fprintf(stderr, _("match %zu failed: %s\n"), r.indice, texte_echec(r.erreur).c_str());
      a_refaire.push_back(r.indice);
    }
  if (!manquants.empty())
    std::fprintf(stderr, _("%zu matches have no result yet: %s\n"), manquants.size(),
                 liste_tableau(manquants).c_str());
  std::printf(_("report: %s\n"), (dossier / "rapport.html").c_str());
  if (a_refaire.empty()) return sortie_ok;
  std::fprintf(stderr,
               _("play them again: arene-tournoi lance --reprendre --dossier %s [--slurm]\n"),
               dossier.c_str());
  return sortie_incomplet;
}
