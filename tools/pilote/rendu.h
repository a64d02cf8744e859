// The picture of the board as a grid of terminal cells, computed from one
// snapshot and the terminal's size. No terminal is touched here.
//
// The board is scaled to fit, keeping its aspect ratio: each cell holds two
// square pixels, one above the other, drawn with half-block characters. Board
// y grows upward, so the top row of pixels is y = hauteur. Cubes are pixels;
// ships are arrows along their heading and bullets dots, in the colour nearest
// to their colour number; the player's own ship is drawn bold and reversed with
// a dotted line ahead of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "commun/reponses.h"
#include "noms/noms.h"
#include "pilote/couleurs.h"

struct Instantane {
  double largeur = 0.0;  // board size, as "GET TAILLE PLATEAU" gives it
  double hauteur = 0.0;
  double rayon_vaisseau = 0.0;
  double rayon_balle = 0.0;
  std::vector<commun::CubeVu> cubes;
  std::vector<commun::VaisseauVu> vaisseaux;
  std::vector<commun::BalleVue> balles;
  std::optional<std::int64_t> couleur_propre;  // nothing while the player has no ship
  const noms::Noms* noms = nullptr;            // written beside the ships that have one
};

struct TailleTerminal {
  int colonnes = 0;
  int lignes = 0;
};

enum Attribut : std::uint8_t { Gras = 1, Inverse = 2 };

struct Case {
  char32_t glyphe = U' ';
  std::optional<Rgb> avant;  // nothing: the terminal's own colour
  std::optional<Rgb> fond;
  std::uint8_t attributs = 0;
  bool operator==(const Case&) const = default;
};

struct Grille {
  Grille(int colonnes, int lignes);
  int colonnes;
  int lignes;
  std::vector<Case> cases;  // row after row, top row first
  Case& a(int colonne, int ligne);
  const Case& a(int colonne, int ligne) const;
};

// Where the board's pixels landed: the cells inside the border, and the pixels.
struct Cadre {
  int colonne = 0;  // first cell inside the border
  int ligne = 0;
  int pixels_large = 0;  // one pixel per column
  int pixels_haut = 0;   // two pixels per row
  double pixels_par_unite = 0.0;
};

struct Rendu {
  Grille grille;
  std::optional<Cadre> cadre;  // nothing when the terminal is too small for a board
};

// Rows kept free under the board's border for the status lines.
inline constexpr int lignes_d_etat = 2;

Rendu rend(const Instantane& instantane, TailleTerminal taille);

// The first row under the board's bottom border, where the status lines go.
int ligne_sous_le_plateau(const Rendu& rendu);

// The column where status lines `largeur` wide start: under the board's left
// edge, or further left when a line would be cut.
int colonne_d_etat(const Rendu& rendu, std::size_t largeur);

// Writes UTF-8 text from (colonne, ligne) to the right, one character a cell,
// cut at the grid's edge.
void ecris(Grille& grille, int colonne, int ligne, std::string_view texte,
           std::uint8_t attributs = 0, std::optional<Rgb> avant = std::nullopt);

// The columns `texte` takes, one a character.
std::size_t largeur_texte(std::string_view texte);

// The character to show in a terminal without UTF-8.
char glyphe_ascii(char32_t glyphe);
