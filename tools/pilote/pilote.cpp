#include "pilote/pilote.h"

#include <algorithm>
#include <string>

#include "config/configuration.h"
#include "pilote/cadence.h"
#include "pilote/ecran.h"
#include "pilote/etat.h"
#include "pilote/rendu.h"
#include "pilote/session.h"
#include "pilote/signaux.h"

namespace {

using namespace std::chrono_literals;

// Several polls per tick, so that each tick is seen soon after it happens.
constexpr auto periode_releve = 5ms;
// The status line changes with every poll; showing it this often is enough.
constexpr auto periode_tableau = 250ms;
const auto periode_nominale =
    std::chrono::duration_cast<Horloge::duration>(std::chrono::duration<double>(config::periode));

commun::ConnexionArene connecte(const OptionsPilote& options) {
  try {
    return commun::ConnexionArene(options.hote, options.port);
  } catch (const commun::ErreurConnexion& e) {
    throw Injoignable(e.what());  // the message names the host and port
  }
}

struct Partie {
  commun::ConnexionArene connexion;
  std::int64_t couleur = 0;
  Decor decor;
};

Partie commence(const OptionsPilote& options, const std::vector<std::int64_t>& candidates) {
  commun::ConnexionArene connexion = connecte(options);
  const std::int64_t couleur = inscrit(connexion, options.couleur, candidates);
  Decor decor = lit_decor(connexion);
  return Partie{std::move(connexion), couleur, std::move(decor)};
}

std::optional<Action> action_de(Touche touche) {
  switch (touche) {
    case Touche::Gauche:
      return Action::Gauche;
    case Touche::Droite:
      return Action::Droite;
    case Touche::Haut:
      return Action::Accelere;
    case Touche::Bas:
      return Action::Decelere;
    case Touche::Espace:
      return Action::Tire;
    default:
      return std::nullopt;
  }
}

class Pilote {
 public:
  Pilote(const OptionsPilote& options, Partie partie)
      : options_(options), partie_(std::move(partie)), cadence_(periode_nominale) {}
  int tourne(Ecran& ecran);

 private:
  // False when the player quits.
  bool traite(Touche touche);
  void reinscrit();
  // True when the new poll would be drawn differently.
  bool releve_monde();
  void dessine(Ecran& ecran);

  const OptionsPilote& options_;
  Partie partie_;
  Cadence cadence_;
  CompteurTicks ticks_;
  AllerRetour aller_retour_;
  Releve monde_;
  double vitesse_ = 0.0;
  bool detruit_ = false;
  std::int64_t pt_vie_ = 0;
};

int Pilote::tourne(Ecran& ecran) {
  Instant dernier_dessin;
  for (;;) {
    if (const int signal = GardeSignaux::recu()) return 128 + signal;
    bool a_redessiner = false;
    for (auto appui = ecran.touche(periode_releve); appui; appui = ecran.touche(0ms)) {
      if (!traite(appui->touche)) return static_cast<int>(Sortie::Fin);
      a_redessiner = true;
    }
    a_redessiner |= releve_monde();
    if (a_redessiner || Horloge::now() - dernier_dessin >= periode_tableau) {
      dessine(ecran);
      dernier_dessin = Horloge::now();
    }
  }
}

bool Pilote::traite(Touche touche) {
  if (touche == Touche::Quitte) {
    quitte(partie_.connexion);
    return false;
  }
  if (touche == Touche::Reinscrit && detruit_) reinscrit();
  if (const auto action = action_de(touche); action && !detruit_) cadence_.appuie(*action);
  return true;
}

// The old connection is closed first and its end waited for: the server
// removes the ship of a colour when any connection of that colour ends, which
// would take the new ship if it came after the new registration.
void Pilote::reinscrit() {
  quitte(partie_.connexion);
  std::vector<std::int64_t> candidates{partie_.couleur};
  const auto& preferees = couleurs_preferees();
  candidates.insert(candidates.end(), preferees.begin(), preferees.end());
  partie_ = commence(options_, candidates);
  cadence_.oublie();
  monde_ = Releve{};
  vitesse_ = 0.0;
  detruit_ = false;
}

bool Pilote::releve_monde() {
  const auto actions = cadence_.libere(Horloge::now());
  for (const Action action : actions) vitesse_ = vitesse_apres(vitesse_, action);
  const Instant depart = Horloge::now();
  Releve nouveau = releve(partie_.connexion, actions);
  const Instant arrivee = Horloge::now();
  aller_retour_.mesure(arrivee - depart);
  if (tick_entre(monde_, nouveau)) {
    ticks_.tick_vu(arrivee);
    cadence_.tick_vu(arrivee);
  }
  const auto propre =
      std::find_if(nouveau.vaisseaux.begin(), nouveau.vaisseaux.end(),
                   [&](const commun::VaisseauVu& v) { return v.id == partie_.couleur; });
  if (propre != nouveau.vaisseaux.end()) {
    pt_vie_ = propre->pt_vie;
  } else {
    detruit_ = true;
    pt_vie_ = 0;
  }
  const bool change = differents(monde_, nouveau);
  monde_ = std::move(nouveau);
  return change;
}

void Pilote::dessine(Ecran& ecran) {
  const Decor& d = partie_.decor;
  const Instantane instantane{
      d.largeur,        d.hauteur,
      d.rayon_vaisseau, d.rayon_balle,
      d.cubes,          monde_.vaisseaux,
      monde_.balles,    detruit_ ? std::nullopt : std::optional(partie_.couleur),
      &options_.noms};
  Rendu rendu = rend(instantane, ecran.taille());
  const Tableau tableau{partie_.couleur,
                        detruit_,
                        pt_vie_,
                        d.pt_vie_max,
                        vitesse_,
                        monde_.vaisseaux.size(),
                        monde_.balles.size(),
                        ticks_.par_seconde(Horloge::now()),
                        aller_retour_.millisecondes()};
  const int ligne = ligne_sous_le_plateau(rendu);
  const std::string etat = ligne_d_etat(tableau);
  // The player's own name first, as the organiser wrote it.
  const auto nom = noms::nom_de(options_.noms, partie_.couleur);
  const std::string aide = (nom ? *nom + "  " : "") + ligne_d_aide(tableau);
  const int colonne = colonne_d_etat(rendu, std::max(etat.size(), largeur_texte(aide)));
  ecris(rendu.grille, colonne, ligne, etat);
  ecris(rendu.grille, colonne, ligne + 1, aide, detruit_ ? Gras : 0);
  ecran.affiche(rendu.grille);
}

}  // namespace

int joue(const OptionsPilote& options) {
  exige_un_terminal();  // before a ship is registered for nothing
  const GardeSignaux signaux;
  Pilote pilote(options, commence(options, couleurs_preferees()));
  Ecran ecran;
  return pilote.tourne(ecran);
}
