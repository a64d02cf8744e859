#include "tribune/diffusion.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <iterator>
#include <utility>
#include <variant>
#include <vector>

#include "enregistrement/format.h"

namespace tribune {

namespace {

template <typename Lots>
std::string joint(const Lots& lots) {
  std::size_t taille = 0;
  for (const auto& lot : lots) taille += lot.lignes->size() + 1;
  std::string texte;
  texte.reserve(taille);
  for (const auto& lot : lots) {
    if (!texte.empty()) texte += '\n';
    texte += *lot.lignes;
  }
  return texte;
}

}  // namespace

Abonnement::Abonnement(Diffusion& diffusion, std::function<void()> reveil)
    : diffusion_(diffusion), reveil_(std::move(reveil)) {
  synchro::MutexTenu tenu(diffusion_.mutex_);
  diffusion_.abonnements_.push_back(this);
}

Abonnement::~Abonnement() {
  synchro::MutexTenu tenu(diffusion_.mutex_);
  std::erase(diffusion_.abonnements_, this);
}

// One call until the spectator asks what is new: a busy spectator is not
// woken again for every lot.
void Abonnement::reveille() {
  if (reveille_ || !reveil_) return;
  reveille_ = true;
  reveil_();
}

void Abonnement::verifie_flux([[maybe_unused]] const Diffusion& diffusion) const {
  assert(&diffusion == &diffusion_);
}

Envoi Abonnement::suivant() {
  synchro::MutexTenu tenu(diffusion_.mutex_);
  reveille_ = false;
  if (!lots_.empty()) {
    auto fin = lots_.begin();
    std::size_t octets = 0;
    do {
      octets += (fin++)->lignes->size();
    } while (fin != lots_.end() &&
             octets + fin->lignes->size() <= diffusion_.options_.octets_par_envoi);
    const std::vector<LotEnAttente> pris(std::make_move_iterator(lots_.begin()),
                                         std::make_move_iterator(fin));
    lots_.erase(lots_.begin(), fin);
    octets_ -= octets;
    tenu.relache();
    return {joint(pris)};
  }
  // Before the header, there is nothing to start from.
  if (besoin_ == Besoin::Rien || diffusion_.entete_.empty())
    return {.texte = {}, .fin = diffusion_.termine_};
  auto copie = diffusion_.copie_etat(*this);
  tenu.relache();
  return diffusion_.etat_complet(std::move(copie));
}

// The header line as recorded, plus the seconds of waiting left at this instant.
std::string Diffusion::entete_du_moment() const {
  std::string texte = entete_.substr(0, entete_.size() - 1) + ",\"attente_restante\":";
  if (!fin_attente_ || commence_) return texte + "null}";
  const auto reste = *fin_attente_ - std::chrono::steady_clock::now();
  const auto ms = std::max<std::int64_t>(
      0, std::chrono::duration_cast<std::chrono::milliseconds>(reste).count());
  char secondes[32];
  std::snprintf(secondes, sizeof secondes, "%.3f}", static_cast<double>(ms) / 1000.0);
  return texte + secondes;
}

Diffusion::Diffusion(SourceJoueurs joueurs, const OptionsDiffusion& options,
                     std::optional<Instant> fin_attente)
    : joueurs_(std::move(joueurs)), options_(options), fin_attente_(fin_attente) {}

// The writer waits for a copy of the lists, never for verrou or JSON.
Diffusion::CopieEtat Diffusion::copie_etat(Abonnement& abonnement) {
  abonnement.verifie_flux(*this);
  const std::int64_t tick = miroir_.tick();
  CopieEtat copie{
      abonnement.besoin_ == Abonnement::Besoin::Depart
          ? entete_du_moment()
          : enregistrement::ligne(evenements::EvPerdu{abonnement.perdu_depuis_, tick - 1}),
      evenements::EvEtat{tick, miroir_.vaisseaux(), miroir_.balles(), {}}, fin_};
  if (abonnement.besoin_ == Abonnement::Besoin::Reprise)
    reprises_.fetch_add(1, std::memory_order_relaxed);
  abonnement.besoin_ = Abonnement::Besoin::Rien;
  abonnement.generation_ = generation_;
  return copie;
}

Envoi Diffusion::etat_complet(CopieEtat copie) const {
  copie.etat.joueurs = joueurs_();
  copie.texte += '\n';
  enregistrement::ajoute_ligne(copie.texte, copie.etat);
  if (!copie.fin.empty()) copie.texte += '\n' + copie.fin;
  return {std::move(copie.texte)};
}

void Diffusion::evenements(const evenements::Lot& lot) {
  synchro::MutexTenu tenu(mutex_);
  tick_avant_ = miroir_.tick();
  for (const evenements::Evenement& e : lot) {
    if (std::holds_alternative<evenements::EvEntete>(e) && entete_.empty())
      entete_ = enregistrement::ligne(e);
    if (std::holds_alternative<evenements::EvFin>(e)) fin_ = enregistrement::ligne(e);
    commence_ |= std::holds_alternative<evenements::EvDebut>(e) ||
                 std::holds_alternative<evenements::EvFin>(e);
    miroir_.applique(e);
  }
  ++generation_;
}

void Diffusion::distribue(Abonnement& abonnement, const std::shared_ptr<const std::string>& lot) {
  abonnement.verifie_flux(*this);
  using Besoin = Abonnement::Besoin;
  if (abonnement.besoin_ == Besoin::Reprise) {
    lots_sautes_.fetch_add(1, std::memory_order_relaxed);
  } else if (abonnement.besoin_ == Besoin::Rien && abonnement.generation_ < generation_) {
    // A lot bigger than the limit still goes to an empty outbox: a resumed
    // spectator would otherwise never catch up with a large state.
    const bool pleine =
        !abonnement.lots_.empty() && (abonnement.lots_.size() >= options_.lots_max ||
                                      abonnement.octets_ + lot->size() > options_.octets_max);
    // The lots it held would only delay the fresh state that replaces them.
    if (pleine) {
      abonnement.besoin_ = Besoin::Reprise;
      abonnement.perdu_depuis_ = abonnement.lots_.front().premier_tick;
      lots_sautes_.fetch_add(abonnement.lots_.size() + 1, std::memory_order_relaxed);
      abonnement.lots_.clear();
      abonnement.octets_ = 0;
    } else {
      abonnement.lots_.push_back({lot, tick_avant_ + 1});
      abonnement.octets_ += lot->size();
      abonnement.generation_ = generation_;
    }
  }
  abonnement.reveille();
}

void Diffusion::ecrit(std::string_view lignes) {
  if (lignes.ends_with('\n')) lignes.remove_suffix(1);
  const auto lot = std::make_shared<const std::string>(lignes);
  synchro::MutexTenu tenu(mutex_);
  for (Abonnement* abonnement : abonnements_) distribue(*abonnement, lot);
}

void Diffusion::termine() {
  synchro::MutexTenu tenu(mutex_);
  termine_ = true;
  for (Abonnement* abonnement : abonnements_) {
    abonnement->verifie_flux(*this);
    abonnement->reveille();
  }
}

std::size_t Diffusion::abonnes() const {
  synchro::MutexTenu tenu(mutex_);
  return abonnements_.size();
}

}  // namespace tribune
