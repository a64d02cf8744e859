#include "protocol/commandes.h"

#include <algorithm>
#include <iterator>

#include "config/configuration.h"
#include "config/journal.h"
#include "protocol/compteurs.h"
#include "protocol/inscription.h"
#include "protocol/listes.h"
#include "protocol/textes.h"
#include "simulation/actions.h"
#include "simulation/balles.h"
#include "world/constantes.h"

namespace protocol {

namespace {

enum class Genre {
  Requete,  // answers with a value or a list, changes nothing
  Action,   // applies a steering or firing action, answers "OK"
  Quitte,
};

using Composition = void (*)(Arene&, const Session&, std::string& sortie);

struct Commande {
  std::string_view ligne;  // as read: the text and its CR
  std::string_view trace;  // what the request says, after the label
  Genre genre;
  Composition compose = nullptr;                         // Requete
  simulation::action acte = simulation::action::Quitte;  // Action
};

constexpr std::string_view ok = "OK\r\n";

void max_pt_vie(Arene&, const Session&, std::string& sortie) {
  sortie += "PUT MAX PT VIE ";
  ajoute_entier(sortie, config::pt_vie_max);
  sortie += fin_de_ligne;
}

void rayon_balle(Arene&, const Session&, std::string& sortie) {
  sortie += "PUT RAYON BALLE ";
  ajoute_flottant(sortie, config::rayon_balle);
  sortie += fin_de_ligne;
}

void rayon_vaisseau(Arene&, const Session&, std::string& sortie) {
  sortie += "PUT RAYON VAISSEAU ";
  ajoute_flottant(sortie, config::rayon_vaisseau);
  sortie += fin_de_ligne;
}

void statut(Arene& arene, const Session& session, std::string& sortie)
    REQUIRES(arene.monde.verrou) {
  const bool vivant =
      std::any_of(arene.monde.vaisseaux.begin(), arene.monde.vaisseaux.end(),
                  [&](const world::vaisseau& v) { return est_mon_vaisseau(v, session.couleur); });
  sortie += vivant ? "PUT STATUT vivant\r\n" : "PUT STATUT mort\r\n";
}

void taille_plateau(Arene&, const Session&, std::string& sortie) {
  sortie += "PUT TAILLE PLATEAU ";
  ajoute_flottant(sortie, world::largeur_plateau);
  sortie.push_back(' ');
  ajoute_flottant(sortie, world::hauteur_plateau);
  sortie += fin_de_ligne;
}

void balles(Arene& arene, const Session&, std::string& sortie) REQUIRES(arene.monde.verrou) {
  arene.listes.balles(arene.monde, sortie);
}

void cubes(Arene& arene, const Session&, std::string& sortie) REQUIRES(arene.monde.verrou) {
  arene.listes.cubes(arene.monde, sortie);
}

void vaisseaux(Arene& arene, const Session&, std::string& sortie) REQUIRES(arene.monde.verrou) {
  arene.listes.vaisseaux(arene.monde, sortie);
}

constexpr Commande commandes[] = {
    {"GET BALLES\r", "demande la liste des balles", Genre::Requete, &balles},
    {"GET CUBES\r", "demande la liste des cubes", Genre::Requete, &cubes},
    {"GET MAX PT VIE\r", "demande le nombre max de pt vie", Genre::Requete, &max_pt_vie},
    {"GET RAYON BALLE\r", "demande du rayon des balles", Genre::Requete, &rayon_balle},
    {"GET RAYON VAISSEAU\r", "demande du rayon des vaisseaux", Genre::Requete, &rayon_vaisseau},
    {"GET STATUT\r", "demande son statut", Genre::Requete, &statut},
    {"GET TAILLE PLATEAU\r", "demande la taille du plateau", Genre::Requete, &taille_plateau},
    {"GET VAISSEAUX\r", "demande la liste des vaisseaux", Genre::Requete, &vaisseaux},
    {"PUT ACTION ACCELERE\r", "demande une acceleration", Genre::Action, nullptr,
     simulation::action::Accelere},
    {"PUT ACTION DECELERE\r", "demande une deceleration", Genre::Action, nullptr,
     simulation::action::Decelere},
    {"PUT ACTION DROITE\r", "demande une rotation droite", Genre::Action, nullptr,
     simulation::action::Droite},
    {"PUT ACTION GAUCHE\r", "demande une rotation gauche", Genre::Action, nullptr,
     simulation::action::Gauche},
    {"PUT ACTION TIRE\r", "demande a tirer une balle", Genre::Action, nullptr,
     simulation::action::Tire},
    {"PUT ACTION QUITTE\r", "", Genre::Quitte},
};
static_assert(std::size(commandes) == requete_inscription,
              "the counters give each command the kind of its rank in the table");

const Commande* reconnait(std::string_view ligne) {
  for (const Commande& commande : commandes)
    if (commande.ligne == ligne) return &commande;
  return nullptr;
}

// Every reply line, CR LF included, copied with a two-blank indent.
std::string copie_indentee(std::string_view reponse) {
  std::string copie;
  while (!reponse.empty()) {
    const std::size_t fin = std::min(reponse.find('\n'), reponse.size() - 1) + 1;
    copie += "  ";
    copie += reponse.substr(0, fin);
    reponse.remove_prefix(fin);
  }
  return copie;
}

// The composition reads the world: the function pointer cannot say so.
void requete(Arene& arene, const Session& session, const Commande& commande, std::string& sortie)
    REQUIRES(arene.monde.verrou) {
  const std::size_t debut = sortie.size();
  commande.compose(arene, session, sortie);
  if (config::debug)
    config::journal(session.etiquette_client + std::string(commande.trace) + "\n" +
                    copie_indentee(std::string_view(sortie).substr(debut)));
}

// The trace comes before the action, and its "  OK" is printed whatever the
// action does: a player without a ship is still answered "OK".
void action_joueur(world::Monde& monde, const Session& session, const Commande& commande,
                   std::string& sortie) REQUIRES(monde.verrou) {
  if (config::debug)
    config::journal(session.etiquette_client + std::string(commande.trace) + "\n  OK\n");
  simulation::traite_action_joueur(monde, session.couleur, commande.acte);
  sortie += ok;
}

// The ship leaves in the hold that composes "OK": once the player reads it,
// its ship is gone and its colour free. Removal comes last, so that a failure
// before it leaves the ship to the connection's guard.
void quitte(world::Monde& monde, const Session& session, std::string& sortie)
    REQUIRES(monde.verrou) {
  if (config::debug) config::journal("le " + session.etiquette_client + "s'est barre\n  OK\n");
  sortie += ok;
  simulation::retire_joueur(monde, session.couleur, world::Depart::Quitte);
}

void demande_incorrecte(const Session& session, std::string_view ligne, std::string& sortie) {
  if (config::debug)
    config::journal(session.etiquette_client +
                    "fait une demande incorrecte : " + std::string(ligne) + "\n");
  sortie += "ERREUR SYNTAXE\r\n";
}

}  // namespace

std::string_view nom_requete(std::size_t sorte) {
  if (sorte < requete_inscription) {
    const std::string_view ligne = commandes[sorte].ligne;
    return ligne.substr(0, ligne.size() - 1);
  }
  if (sorte == requete_inscription) return prefixe_couleur.substr(0, prefixe_couleur.size() - 1);
  return "inconnue";
}

bool est_mon_vaisseau(const world::vaisseau& v, std::int64_t couleur) { return v.id == couleur; }

Suite traite_commande(Arene& arene, const Session& session, std::string_view ligne,
                      std::string& sortie) {
  const Commande* commande = reconnait(ligne);
  if (arene.compteurs != nullptr)
    arene.compteurs->compte_requete(
        commande != nullptr ? static_cast<std::size_t>(commande - commandes) : requete_inconnue);
  if (commande == nullptr) {
    demande_incorrecte(session, ligne, sortie);
    return Suite::Continue;
  }
  switch (commande->genre) {
    case Genre::Requete:
      requete(arene, session, *commande, sortie);
      return Suite::Continue;
    case Genre::Action:
      action_joueur(arene.monde, session, *commande, sortie);
      return Suite::Continue;
    case Genre::Quitte:
      quitte(arene.monde, session, sortie);
      return Suite::Quitte;
  }
  return Suite::Continue;
}

}  // namespace protocol
