// The replay's picture: the board drawn by the live client's renderer from the
// rebuilt lists, and the two status lines under it. No terminal here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pilote/film.h"
#include "pilote/platine.h"
#include "pilote/rendu.h"

// A piece of a status line, in the colour of the ship it is about.
struct Morceau {
  std::string texte;
  std::optional<Rgb> couleur;
};

// The tick shown, the last tick, the speed and whether it plays; then what
// became of each player (by its name when `noms` has one), as many as fit in
// `largeur` columns.
std::vector<Morceau> ligne_de_relecture(const Platine& platine, const std::vector<Bilan>& bilans,
                                        bool complet, std::size_t largeur,
                                        const noms::Noms* noms = nullptr);
// The keys, as many as fit in `largeur` columns, or the tick number being typed.
std::string aide_de_relecture(const Platine& platine, std::size_t largeur);

// The whole screen at the platine's instant; `etat` holds the lists there.
Grille image_de_relecture(const Film& film, const enregistrement::EtatRelu& etat,
                          const Platine& platine, TailleTerminal taille, const noms::Noms& noms);
