// What the connections of the spectator port share: the match they watch,
// the stream, their places and their counters.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "match/mesures.h"
#include "match/resultats_publies.h"
#include "protocol/compteurs.h"
#include "synchro/mutex.h"
#include "transport/suivi_connexions.h"
#include "tribune/diffusion.h"
#include "tribune/metriques.h"
#include "tribune/places.h"

namespace tribune {

// The match as the spectator port sees it, never under verrou: the results
// as the tick publishes them, every other figure kept in atomics by those who
// change it.
struct MatchObserve {
  match::ResultatsPublies& resultats;
  const transport::SuiviConnexions& joueurs;  // the players' connections
  const match::MesuresTick& mesures;
  const protocol::CompteursProtocole& compteurs;
};

struct OptionsSpectateurs {
  std::size_t max_flux = 64;  // streams at once; more are answered 503
  // Connections at once from one address, whatever they ask; more are
  // answered 429 without being read.
  std::size_t max_par_adresse = 8;
  // A request's header must have come within this after the connection
  // opened or the previous reply went.
  std::chrono::seconds delai_requete{10};
  // A send still unfinished after this cuts the connection: its spectator
  // has stopped reading.
  std::chrono::seconds delai_envoi{10};
  // A stream on which nothing has come from the spectator for this long,
  // pings included, is cut; a ping goes out halfway.
  std::chrono::seconds delai_silence{30};
};

struct ContexteSpectateurs {
  ContexteSpectateurs(const MatchObserve& m, Diffusion& d, const OptionsSpectateurs& o)
      : match(m), diffusion(d), options(o), flux(o.max_flux) {}
  ContexteSpectateurs(const ContexteSpectateurs&) = delete;
  ContexteSpectateurs& operator=(const ContexteSpectateurs&) = delete;

  const MatchObserve match;
  Diffusion& diffusion;
  const OptionsSpectateurs options;
  Places flux;                       // one per open stream
  transport::SuiviConnexions suivi;  // every open connection of the port, to cut them at the end
  // The JSON of the last copy of the results served, built once for all the
  // requests that get the same copy.
  struct {
    synchro::Mutex mutex;
    std::shared_ptr<const resultats::Resultats> copie GUARDED_BY(mutex);
    std::string texte GUARDED_BY(mutex);
  } resultats;
  std::atomic<std::uint64_t> refuses{0};
  std::atomic<std::uint64_t> refuses_adresse{0};
  std::atomic<std::uint64_t> abandonnes{0};
};

StatistiquesSpectateurs statistiques(const ContexteSpectateurs& contexte);

// The /resultats text.
std::string texte_resultats(ContexteSpectateurs& contexte);

// The /metrics text.
std::string metriques(const ContexteSpectateurs& contexte);

}  // namespace tribune
