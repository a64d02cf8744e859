#include "pilote/tableau_relecture.h"

#include <algorithm>
#include <cstdio>

#include "config/configuration.h"
#include "langue/langue.h"
#include "world/constantes.h"

namespace {

std::string texte_vitesse(double vitesse) {
  char texte[16];
  std::snprintf(texte, sizeof texte, "%gx", vitesse);
  return texte;
}

// A player as people know it: its name, or else its colour number.
std::string qui(const noms::Noms* noms, std::int64_t couleur) {
  const auto nom = noms ? noms::nom_de(*noms, couleur) : std::nullopt;
  return nom ? *nom : std::to_string(couleur);
}

std::string texte_bilan(const Bilan& b, const noms::Noms* noms) {
  const std::string couleur = qui(noms, b.couleur);
  switch (b.sort) {
    case Bilan::Sort::EnJeu:
      return couleur + _(" life ") + std::to_string(b.pt_vie);
    case Bilan::Sort::Detruit:
      return couleur + _(" destroyed by ") + qui(noms, b.par) + _(" at ") + std::to_string(b.tick);
    case Bilan::Sort::Parti:
      return couleur + _(" left at ") + std::to_string(b.tick);
    case Bilan::Sort::Inconnu:
      return couleur + _(" gone by ") + std::to_string(b.tick) + _(" (ticks lost)");
  }
  return couleur;
}

std::size_t largeur_de(const std::vector<Morceau>& morceaux) {
  std::size_t n = 0;
  for (const Morceau& m : morceaux) n += largeur_texte(m.texte);
  return n;
}

// The recording repeats this server's board and sizes in its header, so the
// game's constants describe it.
Instantane instantane_de(const Film& film, const enregistrement::EtatRelu& etat,
                         const noms::Noms& noms) {
  Instantane i;
  i.noms = &noms;
  i.largeur = world::largeur_plateau;
  i.hauteur = world::hauteur_plateau;
  i.rayon_vaisseau = config::rayon_vaisseau;
  i.rayon_balle = config::rayon_balle;
  for (const world::cube& c : film.cubes())
    i.cubes.push_back(commun::CubeVu{c.x_min, c.y_min, c.x_max, c.y_max});
  for (const evenements::VaisseauVu& v : etat.vaisseaux())
    i.vaisseaux.push_back(commun::VaisseauVu{v.x, v.y, v.angle, v.pt_vie, v.couleur});
  for (const evenements::BalleVue& b : etat.balles())
    i.balles.push_back(commun::BalleVue{b.x, b.y, b.couleur});
  return i;
}

}  // namespace

std::vector<Morceau> ligne_de_relecture(const Platine& platine, const std::vector<Bilan>& bilans,
                                        bool complet, std::size_t largeur, const noms::Noms* noms) {
  std::string debut = "tick " + std::to_string(platine.tick()) + "/" +
                      std::to_string(platine.dernier_tick()) + (complet ? "" : _(" (cut short)")) +
                      "  " + texte_vitesse(platine.vitesse()) + "  " +
                      (platine.en_lecture() ? _("playing") : _("paused"));
  std::vector<Morceau> ligne{{std::move(debut), std::nullopt}};
  for (std::size_t k = 0; k < bilans.size(); ++k) {
    Morceau m{"  " + texte_bilan(bilans[k], noms), visible_sur_noir(rgb_de(bilans[k].couleur))};
    const std::string reste = "  +" + std::to_string(bilans.size() - k - 1);
    const bool dernier = k + 1 == bilans.size();
    // Room is kept to say how many more there are.
    if (largeur_de(ligne) + largeur_texte(m.texte) + (dernier ? 0 : reste.size()) > largeur) {
      ligne.push_back(Morceau{"  +" + std::to_string(bilans.size() - k), std::nullopt});
      break;
    }
    ligne.push_back(std::move(m));
  }
  return ligne;
}

std::string aide_de_relecture(const Platine& platine, std::size_t largeur) {
  if (!platine.saisie().empty())
    return _("go to tick ") + platine.saisie() + _("_  Enter: go  Backspace: erase");
  const std::string debut = std::string(_("space: ")) +
                            (platine.en_lecture() ? _("pause") : _("play")) +
                            _("  left/right: step  [ ]: 10 s  ");
  const std::string fin = _("N Enter: tick N  -/+: speed  q: quit");
  // Home/End is left out first: the rest fits an 80-column terminal.
  const std::string complete = debut + "Home/End  " + fin;
  return complete.size() <= largeur ? complete : debut + fin;
}

Grille image_de_relecture(const Film& film, const enregistrement::EtatRelu& etat,
                          const Platine& platine, TailleTerminal taille, const noms::Noms& noms) {
  Rendu rendu = rend(instantane_de(film, etat, noms), taille);
  const auto colonnes = static_cast<std::size_t>(rendu.grille.colonnes);
  const std::string aide = aide_de_relecture(platine, colonnes);
  const auto bilans = film.bilans(film.reperes()[platine.instant()].fin, etat);
  const auto etat_lu = ligne_de_relecture(platine, bilans, film.complet(), colonnes, &noms);
  const int ligne = ligne_sous_le_plateau(rendu);
  int colonne = colonne_d_etat(rendu, std::max(largeur_de(etat_lu), aide.size()));
  ecris(rendu.grille, colonne, ligne + 1, aide);
  for (const Morceau& m : etat_lu) {
    ecris(rendu.grille, colonne, ligne, m.texte, 0, m.couleur);
    colonne += static_cast<int>(largeur_texte(m.texte));
  }
  return std::move(rendu.grille);
}
