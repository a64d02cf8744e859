// The keys the pilot reads, named for what they are, not for what they do:
// live play and the replay give them different meanings.
#pragma once

enum class Touche {
  Gauche,
  Droite,
  Haut,
  Bas,
  Espace,
  Quitte,     // q
  Reinscrit,  // r
  Debut,      // Home
  Fin,        // End
  Entree,
  Efface,     // Backspace
  Caractere,  // any other printable character
  Taille,     // the terminal was resized
  Autre,
};

struct Appui {
  Touche touche = Touche::Autre;
  char caractere = 0;  // for Touche::Caractere
};
