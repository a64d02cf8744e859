#include "e2e/relecture.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <variant>

#include "enregistrement/etat.h"
#include "enregistrement/format.h"
#include "protocol/textes.h"

namespace {

Liste reponse_vaisseaux(const EtatRelu& etat) {
  Liste lignes{"PUT VAISSEAUX " + std::to_string(etat.vaisseaux().size()) + "\r\n"};
  for (const VaisseauVu& v : etat.vaisseaux()) {
    std::string ligne;
    envoie_vaisseau(ligne, vaisseau{v.x, v.y, v.angle, 0.0, v.pt_vie, v.couleur});
    lignes.push_back(ligne);
  }
  return lignes;
}

Liste reponse_balles(const EtatRelu& etat) {
  Liste lignes{"PUT BALLES " + std::to_string(etat.nb_balles()) + "\r\n"};
  for (const BalleVue& b : etat.balles()) {
    std::string ligne;
    envoie_balle(ligne, balle(b.x, b.y, 0.0, b.couleur));
    lignes.push_back(ligne);
  }
  return lignes;
}

}  // namespace

std::vector<std::string> lignes_de(const std::string& message) {
  std::vector<std::string> lignes;
  std::size_t debut = 0;
  for (;;) {
    const auto fin = message.find('\n', debut);
    lignes.push_back(message.substr(debut, fin - debut));
    if (fin == std::string::npos) return lignes;
    debut = fin + 1;
  }
}

std::string type_de(const std::string& ligne) {
  return nlohmann::json::parse(ligne).at("t").get<std::string>();
}

struct Relecture::Etat {
  EtatRelu relu;
  std::int64_t dernier_tick = 0;
};

Relecture::Relecture() : etat_(std::make_unique<Etat>()) {}
Relecture::~Relecture() = default;

std::int64_t Relecture::tick() const { return etat_->relu.tick(); }

void Relecture::recoit(const std::string& message) {
  for (const std::string& ligne : lignes_de(message)) {
    types.push_back(type_de(ligne));
    const Evenement e = lit_ligne(ligne);
    etat_->relu.applique(e);
    if (const auto* t = std::get_if<EvTick>(&e)) {
      EXPECT_EQ(t->n, etat_->dernier_tick + 1) << "ticks in a row";
      etat_->dernier_tick = t->n;
    }
    if (const auto* etat = std::get_if<EvEtat>(&e)) etat_->dernier_tick = etat->tick;
    if (types.back() == "tick" || types.back() == "etat") {
      vaisseaux.push_back(reponse_vaisseaux(etat_->relu));
      balles.push_back(reponse_balles(etat_->relu));
    }
  }
}
