#define NCURSES_WIDECHAR 1
#include "pilote/ecran.h"

#include <curses.h>
#include <langinfo.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "langue/langue.h"

namespace {

constexpr int paires_max = 32767;  // init_pair takes a short

attr_t attributs_curses(std::uint8_t attributs) {
  attr_t a = A_NORMAL;
  if (attributs & Gras) a |= A_BOLD;
  if (attributs & Inverse) a |= A_REVERSE;
  return a;
}

}  // namespace

void exige_un_terminal() {
  if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO))
    throw ErreurTerminal(_("standard input and output must be a terminal"));
}

Ecran::Ecran() {
  exige_un_terminal();
  utf8_ = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
  ecran_ = newterm(nullptr, stdout, stdin);
  if (ecran_ == nullptr) throw ErreurTerminal(_("curses cannot drive this terminal (TERM?)"));
  fenetre_ = stdscr;
  cbreak();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  (void)curs_set(0);
  if (has_colors() && start_color() == OK) {
    use_default_colors();
    nb_couleurs_ = COLORS;
  }
}

Ecran::~Ecran() {
  endwin();
  delscreen(ecran_);
}

TailleTerminal Ecran::taille() const {
  int lignes = 0, colonnes = 0;
  getmaxyx(fenetre_, lignes, colonnes);
  return {colonnes, lignes};
}

int Ecran::indice(std::optional<Rgb> rgb) {
  if (!rgb) return -1;
  const auto [place, nouveau] = indices_.try_emplace(*rgb, 0);
  if (nouveau) place->second = couleur_terminal(*rgb, nb_couleurs_);
  return place->second;
}

// Pairs are made as colours show up; once curses has no more, the rest is drawn
// in the terminal's own colours.
int Ecran::paire(const Case& c) {
  if (nb_couleurs_ < 8) return 0;
  const std::pair<int, int> cle{indice(c.avant), indice(c.fond)};
  if (cle == std::pair{-1, -1}) return 0;
  if (const auto trouvee = paires_.find(cle); trouvee != paires_.end()) return trouvee->second;
  const int numero = static_cast<int>(paires_.size()) + 1;
  if (numero >= std::min(COLOR_PAIRS, paires_max)) return 0;
  init_pair(static_cast<short>(numero), static_cast<short>(cle.first),
            static_cast<short>(cle.second));
  paires_.emplace(cle, numero);
  return numero;
}

void Ecran::affiche(const Grille& grille) {
  const TailleTerminal t = taille();
  erase();
  for (int y = 0; y < std::min(grille.lignes, t.lignes); ++y) {
    for (int x = 0; x < std::min(grille.colonnes, t.colonnes); ++x) {
      const Case& c = grille.a(x, y);
      const int p = paire(c);
      const attr_t a = attributs_curses(c.attributs);
      if (utf8_) {
        const wchar_t texte[2] = {static_cast<wchar_t>(c.glyphe), L'\0'};
        cchar_t caractere;
        setcchar(&caractere, texte, a, static_cast<short>(p), nullptr);
        mvadd_wch(y, x, &caractere);
      } else {
        mvaddch(y, x,
                static_cast<chtype>(static_cast<unsigned char>(glyphe_ascii(c.glyphe))) | a |
                    static_cast<chtype>(COLOR_PAIR(p)));
      }
    }
  }
  refresh();
}

std::optional<Appui> Ecran::touche(std::chrono::milliseconds attente) {
  timeout(static_cast<int>(attente.count()));
  switch (const int code = getch()) {
    case ERR:
      return std::nullopt;
    case KEY_LEFT:
      return Appui{Touche::Gauche};
    case KEY_RIGHT:
      return Appui{Touche::Droite};
    case KEY_UP:
      return Appui{Touche::Haut};
    case KEY_DOWN:
      return Appui{Touche::Bas};
    case KEY_HOME:
      return Appui{Touche::Debut};
    case KEY_END:
      return Appui{Touche::Fin};
    case KEY_ENTER:
    case '\n':
    case '\r':
      return Appui{Touche::Entree};
    case KEY_BACKSPACE:
    case 127:
    case '\b':
      return Appui{Touche::Efface};
    case KEY_RESIZE:
      return Appui{Touche::Taille};
    case ' ':
      return Appui{Touche::Espace};
    default:
      if (code == 'q' || code == 'Q') return Appui{Touche::Quitte};
      if (code == 'r' || code == 'R') return Appui{Touche::Reinscrit};
      if (code > ' ' && code < 127) return Appui{Touche::Caractere, static_cast<char>(code)};
      return Appui{Touche::Autre};
  }
}
