// MPFR as the reference for the game's sine and cosine, and the arguments that
// make them hard: shared by the tests and the precision report.
#pragma once

#include <mpfr.h>

#include <cstdint>
#include <string>
#include <vector>

enum class Fonction { Sinus, Cosinus };

// f(x) to 256 bits, and what a double is worth against it.
class Exact {
 public:
  Exact();
  ~Exact();
  Exact(const Exact&) = delete;
  Exact& operator=(const Exact&) = delete;

  void calcule(Fonction f, double x);
  mpfr_ptr valeur() { return v_; }
  double arrondi() const;                       // the correctly rounded double
  double ecart(double haut, double bas) const;  // |haut + bas - f(x)|
  double erreur_ulps(double y) const;           // |y - f(x)| in ulps of f(x)
  double marge() const;  // distance to the nearest rounding boundary, in ulps

 private:
  mpfr_t v_;
};

// sin x and cos x at once (MPFR computes both for little more than one).
struct Exacts {
  Exact sinus;
  Exact cosinus;
  void calcule(double x);
};

// sin x or cos x, correctly rounded to the nearest double by MPFR.
double reference(Fonction f, double x);

// |y - f(x)| in units of the last place of f(x): at most 0.5 when y is the
// correctly rounded value.
double erreur_ulps(Fonction f, double x, double y);

// How far f(x) lies from the nearest rounding boundary (a midpoint between
// two doubles), in units of the last place: the smaller, the harder.
double marge_d_arrondi(Fonction f, double x);

// |v.haut + v.bas - f(x)|, exactly enough to compare with an error bound.
double ecart(Fonction f, double x, double haut, double bas);

struct Famille {
  std::string nom;
  std::vector<double> arguments;
};

// Hard arguments by kind, each with its negative: the doubles nearest
// multiples of pi/2 in every binade, tiny and huge ones, the limits of each
// path, headings as the game's turns make them (`pas_de_cap` steps of 0.05
// from a few starts), and the hardest to round found so far (last).
std::vector<Famille> cas_difficiles(int pas_de_cap);
