// The live stream of a match, for its spectators: a sink of the writer thread
// that keeps the header and a mirror of the lists, and hands each lot's lines
// to every spectator's bounded outbox. A spectator joining gets the header and
// a full state built from the mirror; one whose outbox overflows drops what it
// held and skips lots, then gets a `perdu` line and a full state again. The
// source of the players' results is called without any lock held.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "enregistrement/ecrivain.h"
#include "enregistrement/etat.h"
#include "synchro/mutex.h"

namespace tribune {

struct OptionsDiffusion {
  // An outbox holds at most this many lots, about two seconds of ticks...
  std::size_t lots_max = 80;
  // ...and this many bytes of them, whichever comes first.
  std::size_t octets_max = 8 << 20;
  // What a spectator takes at once: lots up to this many bytes (one at
  // least), so that a slow one is never sending seconds of old lots.
  std::size_t octets_par_envoi = 256 << 10;
};

// What a spectator is to send next.
struct Envoi {
  std::string texte;  // whole lines separated by line feeds; empty: nothing yet
  bool fin = false;   // the match is over and everything was sent: close
};

class Abonnement;

class Diffusion final : public enregistrement::Puits {
 public:
  using SourceJoueurs = std::function<std::vector<resultats::ResultatJoueur>()>;

  using Instant = std::chrono::steady_clock::time_point;

  // `fin_attente`: when the wait for players (--attente) runs out, if the
  // match has one; the header tells a spectator joining before the start
  // how long is left.
  explicit Diffusion(SourceJoueurs joueurs, const OptionsDiffusion& options = {},
                     std::optional<Instant> fin_attente = std::nullopt);

  // The writer thread's side.
  void evenements(const evenements::Lot& lot) override;
  void ecrit(std::string_view lignes) override;
  void termine() override;

  std::size_t abonnes() const;
  std::uint64_t lots_sautes() const { return lots_sautes_.load(std::memory_order_relaxed); }
  std::uint64_t reprises() const { return reprises_.load(std::memory_order_relaxed); }

 private:
  friend class Abonnement;
  // A full state in two steps: what it needs, copied with the lock held,
  // then the players' results taken and the text built without it.
  struct CopieEtat {
    std::string texte;  // the header or the gap mark
    evenements::EvEtat etat;
    std::string fin;
  };
  CopieEtat copie_etat(Abonnement& abonnement) REQUIRES(mutex_);
  Envoi etat_complet(CopieEtat copie) const;
  void distribue(Abonnement& abonnement, const std::shared_ptr<const std::string>& lot)
      REQUIRES(mutex_);
  std::string entete_du_moment() const REQUIRES(mutex_);

  const SourceJoueurs joueurs_;
  const OptionsDiffusion options_;
  const std::optional<Instant> fin_attente_;
  mutable synchro::Mutex mutex_;
  std::vector<Abonnement*> abonnements_ GUARDED_BY(mutex_);
  enregistrement::EtatRelu miroir_ GUARDED_BY(mutex_);
  std::string entete_ GUARDED_BY(mutex_);            // the header line, once seen
  std::string fin_ GUARDED_BY(mutex_);               // the end line, once seen
  std::uint64_t generation_ GUARDED_BY(mutex_) = 0;  // lots applied to the mirror
  std::int64_t tick_avant_ GUARDED_BY(mutex_) = 0;   // the mirror's tick before the last lot
  bool termine_ GUARDED_BY(mutex_) = false;
  // The match started, or ended without starting.
  bool commence_ GUARDED_BY(mutex_) = false;
  std::atomic<std::uint64_t> lots_sautes_{0};
  std::atomic<std::uint64_t> reprises_{0};
};

// One spectator's place in the stream, for the life of its connection.
class Abonnement {
 public:
  // `reveil` is called, from the writer thread and with the stream's lock
  // held, when there is something new to send; never after destruction.
  Abonnement(Diffusion& diffusion, std::function<void()> reveil);
  ~Abonnement();
  Abonnement(const Abonnement&) = delete;
  Abonnement& operator=(const Abonnement&) = delete;

  // Everything waiting, as one text; the header and a full state first, and
  // again after lots were skipped. Takes the players' results when it builds
  // a full state.
  Envoi suivant();

 private:
  friend class Diffusion;
  enum class Besoin { Rien, Depart, Reprise };
  void reveille() REQUIRES(diffusion_.mutex_);
  // The stream's side, its lock held: checks that this subscription is to
  // `diffusion`, so that the analysis knows the subscription's fields guarded.
  void verifie_flux(const Diffusion& diffusion) const REQUIRES(diffusion.mutex_)
      ASSERT_CAPABILITY(diffusion_.mutex_);

  Diffusion& diffusion_;
  std::function<void()> reveil_;
  // Guarded by the stream's lock. reveille_: reveil_ called since the last suivant().
  bool reveille_ GUARDED_BY(diffusion_.mutex_) = false;
  struct LotEnAttente {
    std::shared_ptr<const std::string> lignes;
    std::int64_t premier_tick;  // the first tick it holds
  };
  std::vector<LotEnAttente> lots_ GUARDED_BY(diffusion_.mutex_);
  std::size_t octets_ GUARDED_BY(diffusion_.mutex_) = 0;
  Besoin besoin_ GUARDED_BY(diffusion_.mutex_) = Besoin::Depart;
  // First tick skipped.
  std::int64_t perdu_depuis_ GUARDED_BY(diffusion_.mutex_) = 0;
  // Lots included in what it has.
  std::uint64_t generation_ GUARDED_BY(diffusion_.mutex_) = 0;
};

}  // namespace tribune
