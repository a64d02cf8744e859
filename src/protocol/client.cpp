#include "protocol/client.h"

#include <optional>
#include <string_view>

#include "config/journal.h"
#include "protocol/commandes.h"
#include "protocol/inscription.h"
#include "protocol/vaisseau_en_jeu.h"

namespace protocol {

namespace {

enum class Fin {
  Quitte,        // "PUT ACTION QUITTE", answered
  SansPrevenir,  // end of stream or failed read
  Echec,         // failed send, or a failure while serving a command
};

// The next request line, read without verrou; nothing at end of stream.
std::optional<std::string_view> lit_commande(transport::Connexion& connexion) {
  return connexion.lecteur.lit_ligne();
}

// Each request gets its own hold of verrou: its trace, its action and its
// reply happen at one instant; the reply is sent later, without the lock.
Suite sert(Arene& arene, const Session& session, std::string_view ligne, std::string& sortie,
           VaisseauEnJeu& vaisseau) {
  world::VerrouTenu tenu{arene.monde.verrou};
  const Suite suite = traite_commande(arene, session, ligne, sortie);
  // "PUT ACTION QUITTE" removed the ship in this very hold.
  if (suite == Suite::Quitte) vaisseau.oublie();
  return suite;
}

// Replies to lines that arrived together go out together, in one send, once
// no whole line is left to serve or enough output has piled up.
bool doit_envoyer(const transport::Connexion& connexion) {
  return !connexion.lecteur.ligne_prete() || connexion.sortie.size() >= config::seuil_envoi_groupe;
}

Fin boucle_commandes(Arene& arene, transport::Connexion& connexion, const Session& session,
                     VaisseauEnJeu& vaisseau) {
  for (;;) {
    if (doit_envoyer(connexion) && !transport::vide_sortie(connexion)) return Fin::Echec;
    const auto ligne = lit_commande(connexion);
    if (!ligne) return Fin::SansPrevenir;
    if (sert(arene, session, *ligne, connexion.sortie, vaisseau) == Suite::Quitte)
      return transport::vide_sortie(connexion) ? Fin::Quitte : Fin::Echec;
  }
}

Fin sert_commandes(Arene& arene, transport::Connexion& connexion, const Session& session,
                   VaisseauEnJeu& vaisseau) {
  try {
    return boucle_commandes(arene, connexion, session, vaisseau);
  } catch (...) {
    return Fin::Echec;
  }
}

}  // namespace

void client(Arene& arene, transport::Socket socket, const transport::OptionsConnexion& options) {
  try {
    transport::Connexion connexion(std::move(socket), options, arene.compteurs);
    // Goes before the connection closes its socket, after the ship has gone.
    const transport::ConnexionSuivie suivie(arene.connexions, connexion.socket.fd());
    Session session;
    auto vaisseau = inscrit_client(arene.monde, connexion, arene.compteurs, session);
    if (!vaisseau) return;
    const Fin fin = sert_commandes(arene, connexion, session, *vaisseau);
    vaisseau->retire();  // nothing left to remove after "PUT ACTION QUITTE"
    if (fin == Fin::SansPrevenir)
      config::trace(session.etiquette_client + "s'est barre sans prevenir\n");
  } catch (...) {
    // Nothing escapes a connection thread; the socket and the ship go with
    // their owners.
  }
}

}  // namespace protocol
