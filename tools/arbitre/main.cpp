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
#include <thread>
#include <vector>

#include "arbitre/fichier_resultats.h"
#include "arbitre/options.h"
#include "config/journal.h"
#include "enregistrement/ecrivain.h"
#include "geometry/cubes.h"
#include "match/boucle.h"
#include "server/serveur.h"
#include "spectateurs/serveur_spectateurs.h"

namespace {

// Lots the writer may lag behind the tick: a few seconds of play.
constexpr std::size_t capacite_file = 256;
// How long the end waits for the connection threads to finish.
constexpr auto delai_fermeture = std::chrono::seconds(10);
// How long the spectators' streams have to send the end of the match and close.
constexpr auto delai_fin_des_flux = std::chrono::seconds(5);

// The match was played but its results or its recording could not be
// written whole: systemd and tournaments must not take it for a success.
constexpr int sortie_fichiers_incomplets = 3;

[[noreturn]] void termine_en_echec(const char* message) {
  std::fflush(stdout);
  std::fprintf(stderr, "arene-arbitre : %s\n", message);
  std::fflush(stderr);
  std::_Exit(2);
}

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
  std::unique_ptr<PuitsFichier> fichier;
  std::unique_ptr<Diffusion> diffusion;

  std::vector<Puits*> puits() const {
    std::vector<Puits*> tous;
    if (fichier) tous.push_back(fichier.get());
    if (diffusion) tous.push_back(diffusion.get());
    return tous;
  }
};

std::unique_ptr<ServeurSpectateurs> ouvre_spectateurs(const OptionsArbitre& options,
                                                      const MatchObserve& match,
                                                      Diffusion& diffusion) {
  OptionsSpectateurs o;
  o.max_flux = static_cast<std::size_t>(options.max_spectateurs);
  o.max_par_adresse = static_cast<std::size_t>(options.max_par_adresse);
  try {
    return std::make_unique<ServeurSpectateurs>(match, diffusion, *options.spectateurs, o);
  } catch (const std::exception& e) {
    termine_en_echec((std::string("spectateurs : ") + e.what()).c_str());
  }
}

// The results with what only the writer knows: the ticks it could not
// write, and why.
Resultats complets(Resultats r, const Sorties& sorties) {
  if (sorties.fichier) {
    r.ticks_perdus += sorties.fichier->ticks_perdus();
    r.erreur_enregistrement = sorties.fichier->erreur();
  }
  return r;
}

// The results file exists from the start, or the match does not start (the
// reason is printed).
std::optional<FichierResultats> ouvre_resultats(const std::string& chemin,
                                                const Resultats& premiers) {
  if (chemin.empty()) return std::nullopt;
  std::optional<FichierResultats> fichier(std::in_place, chemin);
  if (!fichier->ecrit(premiers)) std::_Exit(2);
  return fichier;
}

// Writes the final results, prints their table and ends the process with
// the status that says whether every file is whole. Connection threads that
// would not end still use the world: the destructors are skipped, as arene
// does when it stops.
[[noreturn]] void conclut(std::optional<FichierResultats>& fichier, const Resultats& finals) {
  const bool resultats_ecrits = !fichier || fichier->ecrit(finals);
  journal(tableau(finals));
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(resultats_ecrits && !finals.erreur_enregistrement ? 0 : sortie_fichiers_incomplets);
}

int lance(const OptionsArbitre& options) {
  const sigset_t signaux = signaux_de_fin();
  pthread_sigmask(SIG_BLOCK, &signaux, nullptr);  // inherited by every thread
  std::signal(SIGPIPE, SIG_IGN);
  const std::uint64_t graine =
      options.graine.value_or(static_cast<std::uint64_t>(std::time(nullptr)));
  journal("arene-arbitre : graine " + std::to_string(graine) + "\n");
  Configuration::debug = options.debug;

  Monde monde(graine);
  trace("creation des cubes\n");
  {
    // No other thread uses the world yet: the hold costs nothing, and keeps
    // one rule for every use of its generator.
    VerrouTenu tenu{monde.verrou};
    monde.cubes = cree_cubes(monde.grille, monde.alea, Configuration::nb_cubes);
  }

  MesuresTick mesures;
  std::unique_ptr<Partie> partie;
  Sorties sorties;
  if (!options.enregistre.empty())
    sorties.fichier = std::make_unique<PuitsFichier>(options.enregistre, &mesures.ticks_non_ecrits);
  if (options.spectateurs)
    sorties.diffusion =
        std::make_unique<Diffusion>([&] { return partie->resultats_publies().lit()->joueurs; });
  // Spectators need the tick's changes as much as a recording does.
  FileLots file(capacite_file);
  FileLots* const file_utile = sorties.puits().empty() ? nullptr : &file;
  partie = ouvre_partie(monde, options.regles, graine, file_utile, std::chrono::steady_clock::now(),
                        sorties.fichier != nullptr);
  auto resultats = ouvre_resultats(options.resultats, complets(partie->copie_resultats(), sorties));
  Ecrivain ecrivain(file, sorties.puits());

  std::atomic<bool> interruption{false};
  std::atomic<bool> finie{false};
  std::thread ticks([&] {
    joue(monde, *partie, file_utile, interruption, nullptr, &mesures);
    finie = true;
  });
  trace("lancement du serveur\n");
  Arene arene(monde);
  CompteursProtocole compteurs;
  if (sorties.diffusion) arene.compteurs = &compteurs;
  Socket ecoute;
  try {
    ecoute = ouvre_socket_d_ecoute(options.port, Configuration::taille_file_attente);
  } catch (const std::exception& e) {
    termine_en_echec(e.what());
  }
  std::unique_ptr<ServeurSpectateurs> spectateurs;
  if (sorties.diffusion)
    spectateurs = ouvre_spectateurs(
        options, {partie->resultats_publies(), arene.connexions, mesures, compteurs},
        *sorties.diffusion);
  std::atomic<bool> arret{false};
  std::thread accueil([&] {
    try {
      accepte_clients(arene, ecoute, &arret);
    } catch (const std::exception& e) {
      termine_en_echec(e.what());
    }
  });

  attend_la_fin(finie, interruption, [&] {
    if (resultats && resultats->a_rafraichir(std::chrono::steady_clock::now()))
      (void)resultats->ecrit(complets(partie->copie_resultats(), sorties));
  });
  ticks.join();
  arret = true;
  ::shutdown(ecoute.fd(), SHUT_RDWR);
  accueil.join();
  arene.connexions.ferme_toutes();
  if (!arene.connexions.attend_aucune(delai_fermeture))
    std::fprintf(stderr, "arene-arbitre : des connexions ne se sont pas terminees\n");
  ecrivain.termine();
  if (spectateurs) spectateurs->arrete(delai_fin_des_flux);

  conclut(resultats, complets(partie->copie_resultats(), sorties));
}

}  // namespace

int main(int argc, char** argv) {
  const auto lu = lit_options(argc, argv);
  if (const int* statut = std::get_if<int>(&lu)) return *statut;
  try {
    return lance(std::get<OptionsArbitre>(lu));
  } catch (const std::exception& e) {
    termine_en_echec(e.what());
  }
}
