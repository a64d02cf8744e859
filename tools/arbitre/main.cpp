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
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

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

[[noreturn]] void termine_en_echec(const char* message) {
  std::fflush(stdout);
  std::fprintf(stderr, "arene-arbitre : %s\n", message);
  std::fflush(stderr);
  std::_Exit(2);
}

// SIGINT and SIGTERM are taken by sigtimedwait in the main thread only, so no
// handler ever runs in the middle of the world's code.
sigset_t signaux_de_fin() {
  sigset_t signaux;
  sigemptyset(&signaux);
  sigaddset(&signaux, SIGINT);
  sigaddset(&signaux, SIGTERM);
  return signaux;
}

// Waits until the match is over, turning a signal into its interruption.
void attend_la_fin(const std::atomic<bool>& finie, std::atomic<bool>& interruption) {
  const sigset_t signaux = signaux_de_fin();
  const timespec pas{0, 50'000'000};
  while (!finie.load()) {
    if (sigtimedwait(&signaux, nullptr, &pas) > 0) interruption = true;
  }
}

void ecrit_resultats(const std::string& chemin, const Resultats& resultats) {
  std::ofstream fichier(chemin);
  fichier << texte_json(resultats);
  if (!fichier.flush())
    std::fprintf(stderr, "arene-arbitre : resultats : ecriture impossible : %s\n", chemin.c_str());
}

// The recording file and the spectators' stream: the sinks of the writer.
struct Sorties {
  std::unique_ptr<Puits> fichier;
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
  monde.cubes = cree_cubes(monde.grille, monde.alea, Configuration::nb_cubes);

  std::unique_ptr<Partie> partie;
  Sorties sorties;
  if (!options.enregistre.empty()) sorties.fichier = puits_gzip(options.enregistre);
  if (options.spectateurs)
    sorties.diffusion =
        std::make_unique<Diffusion>([&] { return partie->resultats_publies().lit()->joueurs; });
  // Spectators need the tick's changes as much as a recording does.
  FileLots file(capacite_file);
  FileLots* const file_utile = sorties.puits().empty() ? nullptr : &file;
  {
    std::scoped_lock tenu{monde.verrou};
    partie = std::make_unique<Partie>(monde, options.regles, graine, file_utile,
                                      std::chrono::steady_clock::now(), sorties.fichier != nullptr);
  }
  Ecrivain ecrivain(file, sorties.puits());

  MesuresTick mesures;
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

  attend_la_fin(finie, interruption);
  ticks.join();
  arret = true;
  ::shutdown(ecoute.fd(), SHUT_RDWR);
  accueil.join();
  arene.connexions.ferme_toutes();
  if (!arene.connexions.attend_aucune(delai_fermeture))
    std::fprintf(stderr, "arene-arbitre : des connexions ne se sont pas terminees\n");
  ecrivain.termine();
  if (spectateurs) spectateurs->arrete(delai_fin_des_flux);

  const Resultats resultats = copie_resultats(monde, *partie);
  if (!options.resultats.empty()) ecrit_resultats(options.resultats, resultats);
  journal(tableau(resultats));
  std::fflush(stdout);
  // Connection threads that would not end still use the world: skip the
  // destructors, as arene does when it stops.
  std::_Exit(0);
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
