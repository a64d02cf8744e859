#include "pilote/session.h"

#include <random>
#include <string>

#include "langue/langue.h"

namespace {

constexpr int essais_max = 1000;

commun::Reponse demande_valide(commun::ConnexionArene& connexion, std::string_view requete) {
  commun::Reponse reponse = connexion.demande(requete);
  if (!reponse.valide)
    throw ErreurProtocole(_("unexpected reply to ") + std::string(requete) + ": " +
                          reponse.lignes.front());
  return reponse;
}

commun::Reponse lit_valide(commun::ConnexionArene& connexion, std::string_view requete) {
  commun::Reponse reponse = connexion.lit_reponse(commun::genre_de(requete));
  if (!reponse.valide)
    throw ErreurProtocole(_("unexpected reply to ") + std::string(requete) + ": " +
                          reponse.lignes.front());
  return reponse;
}

// The text after a prefix that LectureReponse has already checked.
std::string_view apres(const commun::Reponse& reponse, std::string_view prefixe) {
  return std::string_view(reponse.lignes.front()).substr(prefixe.size());
}

// True when registered, false when the colour is in play.
bool essaie(commun::ConnexionArene& connexion, std::int64_t couleur) {
  const std::string reponse = connexion.enregistre(couleur);
  if (reponse == "VAISSEAU ENREGISTRE") return true;
  if (reponse == "ERREUR COULEUR UTILISEE") return false;
  throw ErreurProtocole(_("unexpected reply to the registration of ") + std::to_string(couleur) +
                        ": " + reponse);
}

}  // namespace

const std::vector<std::int64_t>& couleurs_preferees() {
  static const std::vector<std::int64_t> couleurs = {
      0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF, 0xFF8000,
      0x8000FF, 0x00FF80, 0xFF0080, 0x80FF00, 0x0080FF, 0xFFFFFF};
  return couleurs;
}

std::int64_t inscrit(commun::ConnexionArene& connexion, std::optional<std::int64_t> voulue,
                     const std::vector<std::int64_t>& candidates) {
  if (voulue) {
    if (!essaie(connexion, *voulue))
      throw CouleurPrise(_("colour ") + std::to_string(*voulue) + _(" is already in play"));
    return *voulue;
  }
  for (const std::int64_t couleur : candidates)
    if (essaie(connexion, couleur)) return couleur;
  std::mt19937 alea{std::random_device{}()};
  std::uniform_int_distribution<std::int64_t> tirage(0, 0xFFFFFF);
  for (int i = 0; i < essais_max; ++i)
    if (const std::int64_t couleur = tirage(alea); essaie(connexion, couleur)) return couleur;
  throw ErreurProtocole(_("no free colour after ") + std::to_string(essais_max) + _(" tries"));
}

Decor lit_decor(commun::ConnexionArene& connexion) {
  Decor decor;
  const commun::Reponse taille = demande_valide(connexion, "GET TAILLE PLATEAU");
  const std::string_view dimensions = apres(taille, "PUT TAILLE PLATEAU ");
  const auto blanc = dimensions.find(' ');
  decor.largeur = *commun::lit_flottant(dimensions.substr(0, blanc));
  decor.hauteur = *commun::lit_flottant(dimensions.substr(blanc + 1));
  decor.rayon_vaisseau = *commun::lit_flottant(
      apres(demande_valide(connexion, "GET RAYON VAISSEAU"), "PUT RAYON VAISSEAU "));
  decor.rayon_balle = *commun::lit_flottant(
      apres(demande_valide(connexion, "GET RAYON BALLE"), "PUT RAYON BALLE "));
  decor.pt_vie_max = *commun::lit_entier_signe(
      apres(demande_valide(connexion, "GET MAX PT VIE"), "PUT MAX PT VIE "));
  const commun::Reponse cubes = demande_valide(connexion, "GET CUBES");
  for (std::size_t i = 1; i < cubes.lignes.size(); ++i)
    decor.cubes.push_back(*commun::lit_cube(cubes.lignes[i]));
  return decor;
}

Releve releve(commun::ConnexionArene& connexion, const std::vector<Action>& actions) {
  std::string lot;
  for (const Action action : actions) lot.append(commande_de(action)).append("\r\n");
  lot += "GET VAISSEAUX\r\nGET BALLES\r\n";
  connexion.envoie(lot);
  for (const Action action : actions) lit_valide(connexion, commande_de(action));
  Releve r;
  const commun::Reponse vaisseaux = lit_valide(connexion, "GET VAISSEAUX");
  for (std::size_t i = 1; i < vaisseaux.lignes.size(); ++i)
    r.vaisseaux.push_back(*commun::lit_vaisseau(vaisseaux.lignes[i]));
  const commun::Reponse balles = lit_valide(connexion, "GET BALLES");
  for (std::size_t i = 1; i < balles.lignes.size(); ++i)
    r.balles.push_back(*commun::lit_balle(balles.lignes[i]));
  return r;
}

void quitte(commun::ConnexionArene& connexion) {
  demande_valide(connexion, "PUT ACTION QUITTE");
  try {
    connexion.lit_ligne();
  } catch (const commun::ErreurConnexion&) {
    return;  // the end of the stream: the ship is gone
  }
  throw ErreurProtocole(_("the server sent more after quitting"));
}
