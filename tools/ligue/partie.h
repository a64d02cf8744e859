// One league match, played by arene-tournoi as one of its own: a tournament
// file of one match in the match's folder (matchs/<id>/match.toml), then
// `arene-tournoi lance` on it, here as a child process or submitted to Slurm.
// Here, it is handed a listening socket on 127.0.0.1 to serve the match live.
// Its recording, logs and result stay in that folder.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cage/processus.h"
#include "ligue/configuration.h"

struct Participant {
  std::int64_t version = 0;
  std::string nom;       // shown as the bot's, unique in a match
  std::string commande;  // with {host}, {port}, {couleur}, {duree}
  std::filesystem::path dossier;
};

struct MatchLigue {
  std::int64_t id = 0;
  std::uint64_t graine = 0;               // below 2^63, as a tournament file takes it
  std::vector<Participant> participants;  // in their start order
};

struct Programmes {
  std::filesystem::path tournoi;  // arene-tournoi
  std::filesystem::path arbitre;  // arene-arbitre
  std::filesystem::path kits;     // what caged bots may read besides their folder
  std::filesystem::path visionneuse;
  bool slurm = false;
  std::optional<std::string> partition;
};

// The programs beside this one and the installed kits and viewer.
[[nodiscard]] Programmes execution_par_defaut();

[[nodiscard]] std::filesystem::path dossier_match_ligue(const std::filesystem::path& ligue,
                                                        std::int64_t id);
// The tournament file's text for the match.
[[nodiscard]] std::string fichier_tournoi(const MatchLigue& m, const ConfigurationLigue& c,
                                          const Programmes& e);

// A version's place in a finished match: 1 is best, ties share.
struct Place {
  std::int64_t version = 0;
  int rang = 0;
  std::int64_t score = 0;  // its hit points left at the end
};
// What the match's result file says, once arene-tournoi wrote it: the places
// when the match was played to its end, an empty list when it failed.
[[nodiscard]] std::optional<std::vector<Place>> places_ecrites(const std::filesystem::path& dossier,
                                                               const MatchLigue& m);

// Why Slurm cannot take the league's jobs, if it cannot: its commands are
// missing or do not answer, or it has no such partition (no default one when
// none is given). Asked once before serving, so that a typo is not a season
// of failed submissions.
[[nodiscard]] std::optional<std::string> empechement_slurm(
    const std::filesystem::path& ligue, const std::optional<std::string>& partition);

// The arene-tournoi a killed arene-ligue left playing match `id`, if it
// still runs, and its Slurm job: asked to stop its match, then killed, so
// that the replay has the folder to itself.
void arrete_orphelin(const std::filesystem::path& ligue, std::int64_t id);

// A match being played. Locally the child is arene-tournoi itself; on Slurm
// the child only submits, and the result file tells when the task is done.
class PartieEnCours {
 public:
  // Writes the folder (anew) and starts; throws std::runtime_error when it cannot.
  PartieEnCours(const std::filesystem::path& ligue, MatchLigue m, const ConfigurationLigue& c,
                const Programmes& e);
  const MatchLigue& match() const { return match_; }
  // The port on 127.0.0.1 where it is watched live; 0 on Slurm, where it runs elsewhere.
  int port_direct() const { return port_direct_; }
  // The places once it is over: empty when it failed; nothing while it runs.
  std::optional<std::vector<Place>> fin();
  // Stops it: the match's own referee and bots end as arene-tournoi ends a
  // match it is asked to stop, then anything left is killed.
  void arrete();
  // On Slurm, true once Slurm refused the job (sbatch failed: its words are
  // in arene-tournoi.log): the match never went out.
  bool refusee();
  // On Slurm, a match whose job has not started yet is taken back: its job
  // cancelled, true, and the match was not played. Otherwise false, and it
  // goes on.
  bool retire_si_en_attente();

 private:
  std::filesystem::path dossier_;
  MatchLigue match_;
  bool slurm_ = false;
  int port_direct_ = 0;
  std::chrono::steady_clock::time_point limite_;              // on Slurm: later, it failed
  std::chrono::steady_clock::time_point prochaine_question_;  // to squeue, a few seconds apart
  std::optional<std::string> dernier_etat_;                   // its last answer
  std::unique_ptr<cage::Groupe> enfant_;

  // The job's state as squeue words it ("PENDING", "RUNNING", ...), empty
  // once it left the queue; nothing before the job was submitted or when
  // Slurm could not be asked. Its last answer until it is time to ask again.
  std::optional<std::string> etat_tache(bool tout_de_suite);
};
