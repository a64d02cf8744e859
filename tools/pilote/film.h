// A recording held in memory to be replayed: all its events, stored by kind,
// the instants that can be shown (one per recorded tick), and copies of the
// lists every few ticks, so that any instant is rebuilt from a nearby copy
// instead of from the start. The copies are bounded in number and in bytes,
// next to the largest state the match had: beyond, every other one goes and
// they are spaced twice as far. No terminal here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "enregistrement/etat.h"
#include "evenements/evenements.h"
#include "pilote/suite_evenements.h"

// An instant that can be shown: the lists once the first `fin` events are applied.
struct Repere {
  std::int64_t tick;
  std::size_t fin;
};

// What had become of a colour at some instant.
struct Bilan {
  // Inconnu: gone during ticks the recording lost, which hold how.
  enum class Sort { EnJeu, Detruit, Parti, Inconnu };
  std::int64_t couleur = 0;
  Sort sort = Sort::EnJeu;
  std::int64_t pt_vie = 0;  // EnJeu
  std::int64_t par = 0;     // Detruit: whose bullet
  std::int64_t tick = 0;    // Detruit, Parti: when; Inconnu: seen gone then
  friend bool operator==(const Bilan&, const Bilan&) = default;
};

class Film {
 public:
  // Bytes of copies allowed beyond twice the largest state.
  static constexpr std::size_t octets_copies_base = std::size_t{8} << 20;

  // Reads the whole file. Throws Echec when it is not a recording or holds no
  // instant, LimiteDepassee beyond a reader's limits; a file cut short (a
  // match still being written, a crash) keeps what was read before the damage.
  // At most `copies_max` copies are kept.
  explicit Film(const std::string& chemin, std::int64_t ticks_entre_copies = 200,
                std::size_t copies_max = 512);

  const std::vector<world::cube>& cubes() const { return entete_.cubes; }
  // The players' names the recording holds (none before version 2).
  const noms::Noms& noms() const { return entete_.noms; }
  // In tick order, at least one.
  const std::vector<Repere>& reperes() const { return reperes_; }
  // False when the file ended before the match's last line.
  bool complet() const { return complet_; }

  // The colours registered by then, in the order they first came, and what
  // became of each; `etat` is the state after the first `fin` events.
  std::vector<Bilan> bilans(std::size_t fin, const enregistrement::EtatRelu& etat) const;

  // How many copies are kept, and their bytes: for the tests of their bounds.
  std::size_t nb_copies() const { return copies_.size(); }
  std::size_t octets_copies() const { return octets_copies_; }

 private:
  friend class Curseur;
  struct Copie {
    std::size_t fin;
    enregistrement::EtatRelu etat;
  };
  void garde(evenements::Evenement evenement, const enregistrement::EtatRelu& etat);
  bool fond_un_virage(const evenements::Evenement& evenement);
  void copie(const Repere& repere, const enregistrement::EtatRelu& etat);
  void eclaircit();

  evenements::EvEntete entete_;
  SuiteEvenements evenements_;
  std::vector<Repere> reperes_;
  std::vector<Copie> copies_;  // by position, the first at 0
  std::int64_t ecart_;         // ticks between two copies
  const std::size_t copies_max_;
  std::size_t octets_copies_ = 0;
  std::size_t plus_grand_etat_ = 0;  // in bytes
  std::vector<std::size_t> faits_;   // registrations, destructions and departures
  // Since the last instant, the turn kept for each colour's first ship.
  std::map<std::int64_t, std::size_t> virages_;
  bool complet_ = false;
};

// The lists at any instant of a film, rebuilt from the nearest copy, or from
// the last instant shown when that is nearer: playing on costs one tick.
class Curseur {
 public:
  explicit Curseur(const Film& film);
  const enregistrement::EtatRelu& va(const Repere& repere);
  const enregistrement::EtatRelu& etat() const { return etat_; }

 private:
  const Film& film_;
  enregistrement::EtatRelu etat_;
  std::size_t position_ = 0;  // events applied to etat_
};
