// arene-ligue: a class league of bots over a week. `init` makes the league's
// folder and the students' private links, `liens` prints them again, `sert`
// shows the leaderboard and the students' pages and runs the season,
// `sauvegarde` copies its database.
#include <CLI/CLI.hpp>
#include <iostream>

#include "commun/options_cli.h"
#include "langue/langue.h"
#include "ligue/creation.h"
#include "ligue/sauvegarde.h"
#include "ligue/service.h"

int main(int argc, char** argv) {
  langue::initialise_langue();
  CLI::App app{_("arene-ligue: a class league of arene bots, with a private link per student.\n"
                 "Exit status: 0 done, 1 bad file, folder or command line."),
               "arene-ligue"};
  commun::traduit_aide(app);
  app.require_subcommand(1);

  OptionsInit o;
  auto* init_cmd = app.add_subcommand(
      "init", _("make a league folder (ligue.toml, the database) and print the private links"));
  init_cmd->add_option("DOSSIER", o.dossier, _("the league's folder, which must not exist"))
      ->required();
  init_cmd->add_option("--classe", o.classe, _("CSV of the students: name, optional e-mail"))
      ->check(CLI::ExistingFile);

  std::filesystem::path dossier;
  auto* liens_cmd = app.add_subcommand("liens", _("print the teacher's and students' links again"));
  liens_cmd->add_option("DOSSIER", dossier, _("the league's folder"))->required();

  OptionsSertLigue os;
  auto* sert_cmd =
      app.add_subcommand("sert", _("serve the leaderboard and the students' pages over HTTP"));
  sert_cmd->add_option("DOSSIER", os.dossier, _("the league's folder"))->required();
  sert_cmd->add_option("--port", os.port, _("port to listen on (ligue.toml's; 0: any free one)"))
      ->check(CLI::Range(0, 65535));
  sert_cmd->add_option("--adresse", os.adresse,
                       _("IPv4 address to listen on (0.0.0.0: every network; 127.0.0.1: this "
                         "machine only)"));
  sert_cmd
      ->add_option("-j", os.paralleles,
                   _("matches played at once (ligue.toml's matchs_simultanes)"))
      ->check(CLI::Range(1, 256));
  auto* slurm = sert_cmd->add_flag("--slurm", os.slurm, _("submit each match to Slurm"));
  sert_cmd->add_option("--partition", os.partition, _("Slurm partition"))->needs(slurm);

  std::filesystem::path copie;
  auto* sauvegarde_cmd = app.add_subcommand(
      "sauvegarde", _("copy the league's database consistently, even while it is served"));
  sauvegarde_cmd->add_option("DOSSIER", dossier, _("the league's folder"))->required();
  sauvegarde_cmd->add_option("FICHIER", copie, _("the copy, which must not exist"))->required();

  sert_cmd
      ->add_option("--kits", os.kits,
                   _("the client kits' folder, readable by the students' builds and bots "
                     "(default: the installed kits)"))
      ->check(CLI::ExistingDirectory);

  commun::traduit_sous_commandes(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return commun::sortie_options(app, e) == 0 ? 0 : 1;
  }
  if (init_cmd->parsed()) return init(o, std::cout, std::cerr);
  if (sert_cmd->parsed()) return sert_ligue(os);
  if (sauvegarde_cmd->parsed()) return sauvegarde(dossier, copie, std::cerr);
  return liens(dossier, std::cout, std::cerr);
}
