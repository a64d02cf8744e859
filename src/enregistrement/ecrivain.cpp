#include "enregistrement/ecrivain.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "enregistrement/format.h"

namespace enregistrement {

using Horloge = std::chrono::steady_clock;

PuitsFichier::PuitsFichier(const std::string& chemin, std::atomic<std::int64_t>* ticks_perdus)
    : chemin_(chemin),
      fichier_(chemin),
      compteur_(ticks_perdus),
      dernier_vidage_(Horloge::now()),
      derniere_synchro_(dernier_vidage_) {}

void PuitsFichier::evenements(const evenements::Lot& lot) {
  ticks_du_lot_ = 0;
  for (const evenements::Evenement& e : lot)
    ticks_du_lot_ += std::holds_alternative<evenements::EvTick>(e);
}

void PuitsFichier::perd(std::int64_t ticks) {
  perdus_.fetch_add(ticks, std::memory_order_relaxed);
  if (compteur_ != nullptr) compteur_->fetch_add(ticks, std::memory_order_relaxed);
}

void PuitsFichier::ecrit(std::string_view lignes) {
  const std::int64_t ticks = std::exchange(ticks_du_lot_, 0);
  if (en_echec_) return perd(ticks);
  ticks_non_vides_ += ticks;
  if (!fichier_.ecrit(lignes)) echoue();
}

void PuitsFichier::entretien(Horloge::time_point maintenant) {
  if (en_echec_ || maintenant - dernier_vidage_ < intervalle_vidage) return;
  dernier_vidage_ = maintenant;
  if (!fichier_.a_des_octets_en_attente()) return;
  if (!fichier_.vide()) return echoue();
  ticks_non_vides_ = 0;
  if (maintenant - derniere_synchro_ < intervalle_synchro) return;
  derniere_synchro_ = maintenant;
  if (!fichier_.synchronise()) echoue();
}

void PuitsFichier::termine() {
  if (!en_echec_ && !fichier_.termine()) echoue();
}

// The ticks since the last flush are lost with the bytes after it.
void PuitsFichier::echoue() {
  en_echec_ = true;
  perd(std::exchange(ticks_non_vides_, 0));
  fichier_.abandonne();
  {
    synchro::MutexTenu tenu(mutex_);
    erreur_ = "ecriture impossible : " + fichier_.erreur();
  }
  std::fprintf(stderr,
               "enregistrement : ecriture impossible dans %s : %s ; la suite du match n'est pas "
               "enregistree\n",
               chemin_.c_str(), fichier_.erreur().c_str());
}

std::optional<std::string> PuitsFichier::erreur() const {
  synchro::MutexTenu tenu(mutex_);
  if (erreur_.empty()) return std::nullopt;
  return erreur_;
}

Ecrivain::Ecrivain(evenements::FileLots& file, std::vector<Puits*> puits)
    : file_(file), puits_(std::move(puits)), thread_([this] { boucle(); }) {}

Ecrivain::~Ecrivain() { termine(); }

void Ecrivain::termine() {
  file_.ferme();
  if (thread_.joinable()) thread_.join();
}

void Ecrivain::boucle() {
  std::string lignes;
  while (!file_.epuisee()) {
    auto lot = file_.prend_pendant(evenements::FileLots::attente_max);
    if (lot) {
      lignes.clear();
      ajoute_lignes(lignes, *lot);
    }
    const auto maintenant = Horloge::now();
    for (Puits* p : puits_) {
      try {
        if (lot) {
          p->evenements(*lot);
          p->ecrit(lignes);
        }
        p->entretien(maintenant);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "enregistrement : %s\n", e.what());
      }
    }
  }
  for (Puits* p : puits_) p->termine();
}

}  // namespace enregistrement
