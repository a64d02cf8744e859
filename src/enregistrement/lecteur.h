// Reading a recording back: its events one by one, and the lists of every tick.
// Every read is bounded (enregistrement/limites.h) and takes time in
// proportion to the file.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "enregistrement/etat.h"
#include "enregistrement/limites.h"
#include "evenements/evenements.h"

namespace enregistrement {

struct LectureGz;

class LecteurEnregistrement {
 public:
  // Throws Echec when the file cannot be opened or does not start with a
  // header of a known format and version.
  explicit LecteurEnregistrement(const std::string& chemin);
  ~LecteurEnregistrement();
  LecteurEnregistrement(const LecteurEnregistrement&) = delete;
  LecteurEnregistrement& operator=(const LecteurEnregistrement&) = delete;

  const evenements::EvEntete& entete() const { return entete_; }
  // The next event after the header; nothing at the end of the file, and
  // nothing either for a last line cut short (one without its line feed is
  // whole if it reads). Throws Echec on a line that is
  // not an event, LimiteDepassee on one beyond the limits.
  std::optional<evenements::Evenement> suivant();
  // Once suivant() gave nothing: empty when the file held the match to its
  // end line; otherwise why it stops short (a crash, a recording going on).
  const std::string& coupure() const { return coupure_; }

 private:
  std::optional<std::string> ligne_suivante();
  bool remplit();
  void note_la_fin();

  std::unique_ptr<LectureGz> gz_;
  std::string tampon_;
  std::size_t lu_ = 0;       // bytes of tampon_ already handed out
  std::size_t cherche_ = 0;  // where to look for the next line feed: none before
  bool fin_lue_ = false;     // the last event was the match's end
  bool gzip_coupe_ = false;
  bool derniere_sans_fin_ = false;  // the file ends without a line feed
  std::string coupure_;
  evenements::EvEntete entete_;
};

// Throws LimiteDepassee when the state holds more ships and bullets than a
// reader keeps.
void verifie_taille(const EtatRelu& etat);

// Replays a recording: `chaque` sees each event once applied to the state,
// the header first.
// Returns the header and, for a file that stops short, why (as coupure()).
struct Relecture {
  evenements::EvEntete entete;
  std::string coupure;
};
Relecture relit(const std::string& chemin,
                const std::function<void(const evenements::Evenement&, const EtatRelu&)>& chaque);

}  // namespace enregistrement
