#include "spectateurs/diffusion.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <utility>
#include <variant>
#include <vector>

#include "enregistrement/format.h"

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
  std::scoped_lock tenu(diffusion_.mutex_);
  diffusion_.abonnements_.push_back(this);
}

Abonnement::~Abonnement() {
  std::scoped_lock tenu(diffusion_.mutex_);
  std::erase(diffusion_.abonnements_, this);
}

// One call until the spectator asks what is new: a busy spectator is not
// woken again for every lot.
void Abonnement::reveille() {
  if (reveille_ || !reveil_) return;
  reveille_ = true;
  reveil_();
}

Envoi Abonnement::suivant() {
  std::unique_lock tenu(diffusion_.mutex_);
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
    tenu.unlock();
    return {joint(pris)};
  }
  if (besoin_ != Besoin::Rien) return diffusion_.etat_pour(*this, tenu);
  return {.texte = {}, .fin = diffusion_.termine_};
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

// The lists are copied with the lock held, the players taken and the text
// built without it: the writer waits for a copy, never for verrou or JSON.
Envoi Diffusion::etat_pour(Abonnement& abonnement, std::unique_lock<std::mutex>& tenu) {
  if (entete_.empty()) return {.texte = {}, .fin = termine_};
  const std::int64_t tick = miroir_.tick();
  std::string texte = abonnement.besoin_ == Abonnement::Besoin::Depart
                          ? entete_du_moment()
                          : ligne(EvPerdu{abonnement.perdu_depuis_, tick - 1});
  if (abonnement.besoin_ == Abonnement::Besoin::Reprise)
    reprises_.fetch_add(1, std::memory_order_relaxed);
  EvEtat etat{tick, miroir_.vaisseaux(), miroir_.balles(), {}};
  const std::string fin = fin_;
  abonnement.besoin_ = Abonnement::Besoin::Rien;
  abonnement.generation_ = generation_;
  tenu.unlock();
  etat.joueurs = joueurs_();
  texte += '\n';
  ajoute_ligne(texte, etat);
  if (!fin.empty()) texte += '\n' + fin;
  return {std::move(texte)};
}

void Diffusion::evenements(const Lot& lot) {
  std::scoped_lock tenu(mutex_);
  tick_avant_ = miroir_.tick();
  for (const Evenement& e : lot) {
    if (std::holds_alternative<EvEntete>(e) && entete_.empty()) entete_ = ligne(e);
    if (std::holds_alternative<EvFin>(e)) fin_ = ligne(e);
    commence_ |= std::holds_alternative<EvDebut>(e) || std::holds_alternative<EvFin>(e);
    miroir_.applique(e);
  }
  ++generation_;
}

void Diffusion::distribue(Abonnement& abonnement, const std::shared_ptr<const std::string>& lot) {
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
  std::scoped_lock tenu(mutex_);
  for (Abonnement* abonnement : abonnements_) distribue(*abonnement, lot);
}

void Diffusion::termine() {
  std::scoped_lock tenu(mutex_);
  termine_ = true;
  for (Abonnement* abonnement : abonnements_) abonnement->reveille();
}

std::size_t Diffusion::abonnes() const {
  std::scoped_lock tenu(mutex_);
  return abonnements_.size();
}
