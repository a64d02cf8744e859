// arene-arbitre: the arena server for matches. The world, the protocol and the
// traces are arene's; around them, a seed, a start and an end, the results
// and the recording.
#include <pthread.h>
#include <sys/socket.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "arbitre/fichier_resultats.h"
#include "arbitre/options.h"
#include "config/journal.h"
#include "enregistrement/ecrivain.h"
#include "langue/langue.h"
#include "match/boucle.h"
#include "server/accueil.h"
#include "server/demarrage.h"
#include "tribune/serveur_tribune.h"

namespace {

constexpr std::string_view programme = "arene-arbitre";

// Lots the writer may lag behind the tick: a few seconds of play.
constexpr std::size_t capacite_file = 256;
// How long the end waits for the connection threads to finish.
constexpr auto delai_fermeture = std::chrono::seconds(10);
// How long the spectators' streams have to send the end of the match and close.
constexpr auto delai_fin_des_flux = std::chrono::seconds(5);

// The match was played but its results or its recording could not be
// written whole: systemd and tournaments must not take it for a success.
constexpr int sortie_fichiers_incomplets = 3;

// SIGINT, SIGTERM, SIGHUP (a terminal or an SSH session gone) and SIGQUIT are
// taken by sigtimedwait in the main thread only, so no handler ever runs in
// the middle of the world's code; each ends the match with its files whole.
sigset_t signaux_de_fin() {
  sigset_t signaux;
  sigemptyset(&signaux);
  for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&signaux, s);
  return signaux;
}

// Waits until the match is over, turning a signal into its interruption;
// `entre_temps` runs every 50 ms meanwhile.
void attend_la_fin(const std::atomic<bool>& finie, std::atomic<bool>& interruption,
                   const std::function<void()>& entre_temps) {
  const sigset_t signaux = signaux_de_fin();
  const timespec pas{0, 50'000'000};
  while (!finie.load()) {
    if (sigtimedwait(&signaux, nullptr, &pas) > 0) interruption = true;
    entre_temps();
  }
}

// The recording file and the spectators' stream: the sinks of the writer.
struct Sorties {
  std::unique_ptr<enregistrement::PuitsFichier> fichier;
  std::unique_ptr<tribune::Diffusion> diffusion;

  std::vector<enregistrement::Puits*> puits() const {
    std::vector<enregistrement::Puits*> tous;
    if (fichier) tous.push_back(fichier.get());
    if (diffusion) tous.push_back(diffusion.get());
    return tous;
  }
};

std::unique_ptr<tribune::ServeurSpectateurs> ouvre_spectateurs(const OptionsArbitre& options,
                                                               const tribune::MatchObserve& match,
                                                               tribune::Diffusion& diffusion) {
  tribune::OptionsSpectateurs o;
  o.max_flux = static_cast<std::size_t>(options.max_spectateurs);
  o.max_par_adresse = static_cast<std::size_t>(options.max_par_adresse);
  try {
    if (options.spectateurs_fd)
      return std::make_unique<tribune::ServeurSpectateurs>(
          match, diffusion, transport::Socket(*options.spectateurs_fd), o);
    return std::make_unique<tribune::ServeurSpectateurs>(match, diffusion, *options.spectateurs, o);
  } catch (const std::exception& e) {
    server::termine_en_echec(programme, std::string("spectateurs : ") + e.what());
  }
}

// When the wait for players runs out; a wait of years is no countdown.
std::optional<match::Instant> fin_attente(const match::ReglesPartie& regles,
                                          match::Instant depart) {
  if (!regles.joueurs || !regles.attente_s || *regles.attente_s > 1e9) return std::nullopt;
  return depart + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                      std::chrono::duration<double>(*regles.attente_s));
}

// The results with what only the writer knows: the ticks it could not
// write, and why.
resultats::Resultats complets(resultats::Resultats r, const Sorties& sorties) {
  if (sorties.fichier) {
    r.ticks_perdus += sorties.fichier->ticks_perdus();
    r.erreur_enregistrement = sorties.fichier->erreur();
  }
  return r;
}

// The results file exists from the start, or the match does not start (the
// reason is printed).
std::optional<FichierResultats> ouvre_resultats(const std::string& chemin,
                                                const resultats::Resultats& premiers) {
  if (chemin.empty()) return std::nullopt;
  std::optional<FichierResultats> fichier(std::in_place, chemin);
  if (!fichier->ecrit(premiers)) std::_Exit(2);
  return fichier;
}

// Writes the final results, prints their table and ends the process with
// the status that says whether every file is whole. Connection threads that
// would not end still use the world: the destructors are skipped, as arene
// does when it stops.
[[noreturn]] void conclut(std::optional<FichierResultats>& fichier,
                          const resultats::Resultats& finals) {
  const bool resultats_ecrits = !fichier || fichier->ecrit(finals);
  config::journal(resultats::tableau(finals));
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(resultats_ecrits && !finals.erreur_enregistrement ? 0 : sortie_fichiers_incomplets);
}

// A match's pieces, built in this order by prepare_le_match.
struct Match {
  std::unique_ptr<world::Monde> monde;
  match::MesuresTick mesures;
  Sorties sorties;
  evenements::FileLots file{capacite_file};
  evenements::FileLots* file_utile = nullptr;  // the file, when a sink reads it
  std::unique_ptr<match::Partie> partie;
  std::optional<FichierResultats> resultats;
  std::atomic<bool> interruption{false};
  std::atomic<bool> finie{false};

  // The results so far, with what only the writer knows.
  resultats::Resultats resultats_complets() const {
    return complets(partie->copie_resultats(), sorties);
  }
};

// The players' side: the arena on the world, its port, and the thread that
// accepts on it until renvoie_les_joueurs.
struct Joueurs {
  explicit Joueurs(world::Monde& monde) : arene(monde) {}
  protocol::Arene arene;
  protocol::CompteursProtocole compteurs;
  transport::Socket ecoute;
  std::atomic<bool> arret{false};
  std::thread accueil;
};

// The signals of the end blocked in every thread, then what every server does.
void prepare_les_signaux() {
  const sigset_t signaux = signaux_de_fin();
  pthread_sigmask(SIG_BLOCK, &signaux, nullptr);  // inherited by every thread
  server::prepare_le_processus();
}

std::uint64_t annonce_la_graine(const OptionsArbitre& options) {
  const std::uint64_t graine =
      options.graine.value_or(static_cast<std::uint64_t>(std::time(nullptr)));
  config::journal("arene-arbitre : graine " + std::to_string(graine) + "\n");
  return graine;
}

// The world, the sinks of its changes, the match on it and its results file.
void prepare_le_match(Match& match, const OptionsArbitre& options, std::uint64_t graine) {
  match.monde = server::cree_le_monde(graine);
  Sorties& sorties = match.sorties;
  if (!options.enregistre.empty())
    sorties.fichier = std::make_unique<enregistrement::PuitsFichier>(
        options.enregistre, &match.mesures.ticks_non_ecrits);
  // The wait for players and the spectators' countdown start at the same instant.
  const auto depart = std::chrono::steady_clock::now();
  if (options.avec_spectateurs())
    sorties.diffusion = std::make_unique<tribune::Diffusion>(
        [&match] { return match.partie->resultats_publies().lit()->joueurs; },
        tribune::OptionsDiffusion{}, fin_attente(options.regles, depart));
  // Spectators need the tick's changes as much as a recording does.
  if (!sorties.puits().empty()) match.file_utile = &match.file;
  match.partie = match::ouvre_partie(*match.monde, options.regles, graine, match.file_utile, depart,
                                     sorties.fichier != nullptr);
  match.resultats = ouvre_resultats(options.resultats, match.resultats_complets());
}

// Plays the match in a thread of its own; match.finie once it is over.
std::thread lance_les_ticks(Match& match) {
  return std::thread([&match] {
    match::joue(*match.monde, *match.partie, match.file_utile, match.interruption, nullptr,
                &match.mesures);
    match.finie = true;
  });
}

// The arena, with protocol counters when spectators may read them, and its
// listening port.
void ouvre_aux_joueurs(Joueurs& joueurs, const OptionsArbitre& options, bool compte) {
  config::trace("lancement du serveur\n");
  if (compte) joueurs.arene.compteurs = &joueurs.compteurs;
  joueurs.ecoute = server::ecoute_les_joueurs(programme, options.port);
}

// The accept loop in a thread of its own, until renvoie_les_joueurs.
void accueille(Joueurs& joueurs) {
  joueurs.accueil = std::thread([&joueurs] {
    try {
      server::accepte_clients(joueurs.arene, joueurs.ecoute, &joueurs.arret);
    } catch (const std::exception& e) {
      server::termine_en_echec(programme, e.what());
    }
  });
}

// No new player, then every connection closed, the slow ones waited for.
void renvoie_les_joueurs(Joueurs& joueurs) {
  joueurs.arret = true;
  ::shutdown(joueurs.ecoute.fd(), SHUT_RDWR);
  joueurs.accueil.join();
  joueurs.arene.connexions.ferme_toutes();
  if (!joueurs.arene.connexions.attend_aucune(delai_fermeture))
    std::fprintf(stderr, "arene-arbitre : des connexions ne se sont pas terminees\n");
}

// The spectators' port, when asked for, watching the match and the players.
std::unique_ptr<tribune::ServeurSpectateurs> ouvre_aux_spectateurs(const OptionsArbitre& options,
                                                                   Match& match, Joueurs& joueurs) {
  if (!match.sorties.diffusion) return nullptr;
  return ouvre_spectateurs(options,
                           {match.partie->resultats_publies(), joueurs.arene.connexions,
                            match.mesures, joueurs.compteurs},
                           *match.sorties.diffusion);
}

int lance(const OptionsArbitre& options) {
  prepare_les_signaux();
  const std::uint64_t graine = annonce_la_graine(options);
  config::debug = options.debug;
  Match match;
  prepare_le_match(match, options, graine);
  enregistrement::Ecrivain ecrivain(match.file, match.sorties.puits());
  std::thread ticks = lance_les_ticks(match);
  Joueurs joueurs(*match.monde);
  ouvre_aux_joueurs(joueurs, options, match.sorties.diffusion != nullptr);
  const auto spectateurs = ouvre_aux_spectateurs(options, match, joueurs);
  accueille(joueurs);
  attend_la_fin(match.finie, match.interruption, [&match] {
    if (match.resultats && match.resultats->a_rafraichir(std::chrono::steady_clock::now()))
      (void)match.resultats->ecrit(match.resultats_complets());
  });
  ticks.join();
  renvoie_les_joueurs(joueurs);
  ecrivain.termine();
  if (spectateurs) spectateurs->arrete(delai_fin_des_flux);
  conclut(match.resultats, match.resultats_complets());
}

}  // namespace

int main(int argc, char** argv) {
  langue::initialise_langue();
  const auto lu = lit_options(argc, argv);
  if (const int* statut = std::get_if<int>(&lu)) return *statut;
  try {
    return lance(std::get<OptionsArbitre>(lu));
  } catch (const std::exception& e) {
    server::termine_en_echec(programme, e.what());
  }
}
