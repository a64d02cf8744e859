// Reading a recording back: its events one by one, and the lists of every tick.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "enregistrement/etat.h"
#include "enregistrement/evenements.h"

struct LectureGz;

class LecteurEnregistrement {
 public:
  // Throws Echec when the file cannot be opened or does not start with a header.
  explicit LecteurEnregistrement(const std::string& chemin);
  ~LecteurEnregistrement();
  LecteurEnregistrement(const LecteurEnregistrement&) = delete;
  LecteurEnregistrement& operator=(const LecteurEnregistrement&) = delete;

  const EvEntete& entete() const { return entete_; }
  // The next event after the header; nothing at the end of the file. Throws
  // Echec on a line that is not an event.
  std::optional<Evenement> suivant();

 private:
  std::optional<std::string> ligne_suivante();

  std::unique_ptr<LectureGz> gz_;
  std::string tampon_;
  std::size_t lu_ = 0;  // bytes of tampon_ already handed out
  EvEntete entete_;
};

// Replays a recording: `chaque` sees each event once applied to the state.
// Returns the header.
EvEntete relit(const std::string& chemin,
               const std::function<void(const Evenement&, const EtatRelu&)>& chaque);
