// The clients of arene-charge: opened and registered one after the other, then
// driven with non-blocking sockets, `pipeline` requests in flight each.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "charge/options.h"
#include "commun/connexion.h"
#include "commun/reponses.h"

using Horloge = std::chrono::steady_clock;

struct Bot {
  explicit Bot(commun::ConnexionArene c) : connexion(std::move(c)) {}
  commun::ConnexionArene connexion;
  std::int64_t couleur = 0;
  std::string entree;
  std::string sortie;
  struct EnVol {
    commun::Genre genre;
    Horloge::time_point depart;
  };
  std::deque<EnVol> en_vol;
  std::optional<commun::LectureReponse> lecture;
  std::deque<std::string_view> plan;  // the next requests of a playing bot
  double vitesse = 0.0;               // known from its own actions
  // A playing bot whose ship is gone reconnects once its pending replies are in.
  enum class Etat { Actif, AReconnecter, Perdu } etat = Etat::Actif;
};

struct ResultatsBots {
  std::uint64_t requetes = 0;
  std::uint64_t erreurs = 0;
  std::uint64_t reconnexions = 0;
  std::vector<double> latences_us;
  void ajoute(ResultatsBots&& autre);
};

// Opens `n` connections, registering each (unless told not to) under the next
// free colour from `*couleur`. Throws ErreurConnexion when the server is unreachable.
std::vector<std::unique_ptr<Bot>> ouvre_bots(const OptionsCharge& options, int n,
                                             std::int64_t& couleur);

// Drives the bots with the options' mix until `fin`.
ResultatsBots fait_jouer(const OptionsCharge& options, std::vector<std::unique_ptr<Bot>>& bots,
                         Horloge::time_point fin);
