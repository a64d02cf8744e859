#include "protocol/inscription.h"

#include <charconv>
#include <chrono>
#include <thread>

#include "config/journal.h"
#include "protocol/textes.h"
#include "simulation/spawn.h"

namespace protocol {

namespace {

struct CouleurNommee {
  std::int64_t couleur;
  std::string_view nom;
};

constexpr CouleurNommee couleurs_nommees[] = {
    {0x000000, "noir"},  {0xFF0000, "rouge"}, {0x00FF00, "vert"},    {0x0000FF, "bleu"},
    {0xFFFF00, "jaune"}, {0x00FFFF, "cyan"},  {0xFF00FF, "magenta"},
};

// cree_vaisseau under verrou; when the board has no room yet, waits one tick
// without the lock and tries again, the colour checked anew each time.
simulation::Spawn place_vaisseau(world::Monde& monde, std::int64_t couleur) {
  const auto pause = std::chrono::duration<double>(config::periode);
  for (;;) {
    simulation::Spawn resultat;
    {
      world::VerrouTenu tenu{monde.verrou};
      resultat = simulation::cree_vaisseau(monde, couleur);
    }
    if (resultat != simulation::Spawn::PasDePlace) return resultat;
    std::this_thread::sleep_for(pause);
  }
}

}  // namespace

std::optional<std::int64_t> analyse_couleur(std::string_view ligne) {
  if (!ligne.starts_with(prefixe_couleur) || !ligne.ends_with('\r')) return std::nullopt;
  const std::string_view nombre =
      ligne.substr(prefixe_couleur.size(), ligne.size() - prefixe_couleur.size() - 1);
  std::int64_t n = 0;
  const auto [fin, erreur] = std::from_chars(nombre.data(), nombre.data() + nombre.size(), n);
  if (erreur != std::errc() || fin != nombre.data() + nombre.size()) return std::nullopt;
  // Only the server's own text of n is accepted: this rules out "-0" and leading zeros.
  if (texte_entier(n) != nombre) return std::nullopt;
  return n;
}

std::string nom_couleur(std::int64_t couleur) {
  for (const CouleurNommee& nommee : couleurs_nommees)
    if (nommee.couleur == couleur) return std::string(nommee.nom);
  return texte_entier(couleur);
}

std::string etiquette(std::int64_t couleur) { return "Le client " + nom_couleur(couleur) + " "; }

std::optional<Inscription> init_client(world::Monde& monde, transport::Connexion& connexion,
                                       CompteursProtocole* compteurs, std::int64_t& couleur) {
  for (;;) {
    const auto ligne = connexion.lecteur.lit_ligne();
    if (!ligne) return std::nullopt;
    const auto n = analyse_couleur(*ligne);
    if (compteurs != nullptr) compteurs->compte_requete(n ? requete_inscription : requete_inconnue);
    if (!n) {
      config::journal("erreur client: " + std::string(*ligne) + "\n");
      if (!transport::envoie(connexion, "ERREUR SYNTAXE\r\n")) return std::nullopt;
      continue;
    }
    couleur = *n;
    if (place_vaisseau(monde, couleur) == simulation::Spawn::CouleurUtilisee) {
      config::journal("erreur client: la couleur est deja utilisee\n");
      if (!transport::envoie(connexion, "ERREUR COULEUR UTILISEE\r\n")) return std::nullopt;
      continue;
    }
    Inscription inscription{etiquette(couleur), VaisseauEnJeu(monde, couleur)};
    config::trace("Oh, un nouveau client (" + nom_couleur(couleur) + ")\n");
    // If the peer has gone already, the guard removes the new ship.
    if (!transport::envoie(connexion, "VAISSEAU ENREGISTRE\r\n")) return std::nullopt;
    return inscription;
  }
}

std::optional<VaisseauEnJeu> inscrit_client(world::Monde& monde, transport::Connexion& connexion,
                                            CompteursProtocole* compteurs, Session& session) {
  auto inscription = init_client(monde, connexion, compteurs, session.couleur);
  if (!inscription) return std::nullopt;
  session.etiquette_client = std::move(inscription->etiquette_client);
  return std::move(inscription->vaisseau);
}

}  // namespace protocol
