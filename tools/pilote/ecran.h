// The terminal in curses mode for the life of an Ecran: every path out of the
// program, an exception included, goes through its destructor, which gives the
// terminal back as it was.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <utility>

#include "pilote/rendu.h"
#include "pilote/touches.h"

struct ErreurTerminal : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Throws ErreurTerminal unless standard input and output are terminals.
void exige_un_terminal();

class Ecran {
 public:
  Ecran();  // throws ErreurTerminal
  ~Ecran();
  Ecran(const Ecran&) = delete;
  Ecran& operator=(const Ecran&) = delete;

  TailleTerminal taille() const;
  void affiche(const Grille& grille);
  // The next key, waiting at most `attente` for it.
  std::optional<Appui> touche(std::chrono::milliseconds attente);

 private:
  int paire(const Case& c);
  int indice(std::optional<Rgb> rgb);

  struct _win_st* fenetre_ = nullptr;
  struct screen* ecran_ = nullptr;
  bool utf8_ = false;
  int nb_couleurs_ = 0;
  std::map<std::pair<int, int>, int> paires_;
  std::unordered_map<Rgb, int> indices_;
};
