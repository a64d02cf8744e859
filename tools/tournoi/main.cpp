// arene-tournoi: plays many seeded matches of bots in arene-arbitre, on this
// machine or as a Slurm job array, and ranks the bots with confidence intervals.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "cage/enceinte.h"
#include "commun/options_cli.h"
#include "langue/langue.h"
#include "tournoi/arret.h"
#include "tournoi/commandes.h"
#include "tournoi/sert.h"

int main(int argc, char** argv) {
  langue::initialise_langue();
  // xgettext:no-c-format
  CLI::App app{_("arene-tournoi: many seeded matches of bots in arene-arbitre, here or on a Slurm "
                 "cluster, and the bots' ranking with 95 % intervals.\n"
                 "Exit status: 0 done, 1 bad file, folder or command line, 3 some matches failed "
                 "or have no result yet, 130 stopped by a signal."),
               "arene-tournoi"};
  commun::traduit_aide(app);
  app.require_subcommand(1);

  std::filesystem::path fichier;
  auto* verifie_cmd = app.add_subcommand(
      "verifie", _("check a tournament file: every problem, with its line and key"));
  verifie_cmd->add_option("FICHIER", fichier, _("tournament file (TOML)"))->required();

  OptionsLance o;
  auto* lance_cmd = app.add_subcommand("lance", _("play a tournament into a folder"));
  lance_cmd->add_option("FICHIER", o.fichier,
                        _("tournament file (TOML); optional with --reprendre --dossier"));
  lance_cmd->add_option("--dossier", o.dossier, _("tournament folder (default: NAME-DATE here)"));
  lance_cmd->add_option("-j", o.paralleles, _("matches played at once here"))
      ->check(CLI::Range(1, 256));
  lance_cmd->add_flag("--reprendre", o.reprendre, _("go on with the matches not finished yet"));
  auto* slurm =
      lance_cmd->add_flag("--slurm", o.slurm, _("submit as a Slurm job array, a task per match"));
  lance_cmd->add_option("--partition", o.partition, _("Slurm partition"))->needs(slurm);
  lance_cmd->add_option("--arbitre", o.arbitre,
                        _("arene-arbitre to use (default: beside this program)"));
  lance_cmd->add_option("--visionneuse", o.visionneuse, _("viewer page the report links to"));
  lance_cmd
      ->add_option("--spectateurs-fd", o.spectateurs_fd,
                   _("for a program running lance: an inherited listening socket on which "
                     "each match is watched live, the matches then played one at a time"))
      ->type_name("FD")
      ->check(CLI::Range(3, 65535))
      ->excludes(slurm);
  lance_cmd->add_flag("--sans-cage", o.sans_cage,
                      _("run the bots uncaged, as this user (a warning, also in the results)"));

  std::filesystem::path dossier;
  std::size_t indice = 0;
  auto* match_cmd =
      app.add_subcommand("match", _("play one match of a tournament folder (a Slurm task)"));
  match_cmd->add_option("DOSSIER", dossier, _("tournament folder"))->required();
  match_cmd->add_option("I", indice, _("match number, from 0"))->required();
  std::optional<std::int64_t> spectateurs;
  match_cmd
      ->add_option("--spectateurs", spectateurs,
                   _("watch it live on this port of the host (0: any free one, printed)"))
      ->type_name("PORT")
      ->check(CLI::Range(0, 65535));

  std::optional<std::filesystem::path> visionneuse;
  auto* rassemble_cmd =
      app.add_subcommand("rassemble", _("rank the bots from the finished matches"));
  rassemble_cmd->add_option("DOSSIER", dossier, _("tournament folder"))->required();
  rassemble_cmd->add_option("--visionneuse", visionneuse, _("viewer page the report links to"));

  OptionsSert os;
  auto* sert_cmd = app.add_subcommand(
      "sert",
      _("serve a tournament folder over HTTP, so that its report's links work in a browser"));
  sert_cmd->add_option("DOSSIER", os.dossier, _("tournament folder"))->required();
  sert_cmd->add_option("--port", os.port, _("port to listen on (8000; 0: any free one)"))
      ->check(CLI::Range(0, 65535));
  sert_cmd->add_option("--adresse", os.adresse,
                       _("IPv4 address to listen on (127.0.0.1: this machine only; 0.0.0.0: "
                         "every network)"));

  commun::traduit_sous_commandes(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return commun::sortie_options(app, e) == 0 ? sortie_ok : sortie_erreur;
  }
  if (*lance_cmd && o.fichier.empty() && !(o.reprendre && o.dossier)) {
    std::fprintf(
        stderr,
        _("arene-tournoi: lance needs FICHIER, unless resuming with --reprendre --dossier\n"));
    return sortie_erreur;
  }
  // While this process has one thread: the namespaces each match's cage needs.
  if ((*lance_cmd && !o.sans_cage && !o.slurm) || *match_cmd) cage::prend_ses_espaces();
  installe_arret();
  try {
    if (*verifie_cmd) return verifie(fichier);
    if (*lance_cmd) return lance(o, arret_demande());
    if (*match_cmd) return commande_match(dossier, indice, spectateurs, arret_demande());
    if (*sert_cmd) return sert(os);
    return rassemble(dossier, visionneuse);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "arene-tournoi: %s\n", e.what());
    return sortie_erreur;
  }
}
