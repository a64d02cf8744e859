#include "pilote/aides_e2e.h"

#include <charconv>

namespace {

constexpr long long couleur_d_essai = 0x5A5A5A;

std::optional<long long> dernier_nombre(std::string_view ligne) {
  const auto debut = ligne.rfind(' ') + 1;
  long long n = 0;
  const auto [fin, erreur] = std::from_chars(ligne.data() + debut, ligne.data() + ligne.size(), n);
  if (erreur != std::errc{} || fin != ligne.data() + ligne.size()) return std::nullopt;
  return n;
}

std::string sans_fin_de_ligne(std::string ligne) {
  while (!ligne.empty() && (ligne.back() == '\n' || ligne.back() == '\r')) ligne.pop_back();
  return ligne;
}

}  // namespace

bool protocole_present(int port) {
  ClientDeTest essai(port);
  essai.envoie("PUT COULEUR VAISSEAU " + std::to_string(couleur_d_essai) + "\r\n");
  if (essai.lit_ligne(5s)) {
    essai.envoie("PUT ACTION QUITTE\r\n");
    essai.attend_fermeture(5s);
    return true;
  }
  // No line: closed at once (no protocol), or silent (a fault the test itself must show).
  return !essai.attend_fermeture(0ms);
}

std::optional<std::vector<std::string>> liste(ClientDeTest& client, std::string_view requete) {
  const std::string entete = sans_fin_de_ligne(client.demande(std::string(requete) + "\r\n"));
  if (!entete.starts_with("PUT ")) return std::nullopt;
  const auto n = dernier_nombre(entete);
  if (!n || *n < 0) return std::nullopt;
  std::vector<std::string> lignes;
  for (long long i = 0; i < *n; ++i) {
    auto ligne = client.lit_ligne();
    if (!ligne) return std::nullopt;
    lignes.push_back(sans_fin_de_ligne(std::move(*ligne)));
  }
  return lignes;
}

std::vector<long long> couleurs_de(const std::vector<std::string>& lignes) {
  std::vector<long long> couleurs;
  for (const auto& l : lignes)
    if (const auto c = dernier_nombre(l)) couleurs.push_back(*c);
  return couleurs;
}

std::string binaire_pilote() { return ARENE_PILOTE; }
