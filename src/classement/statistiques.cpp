#include "classement/statistiques.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

namespace classement {

namespace {

// The log-posterior of log-strengths theta, its gradient and its negated
// Hessian, accumulated over the weighted matches.
struct Courbure {
  double valeur = 0;
  std::vector<double> gradient;
  std::vector<double> hessien;  // n x n, row-major, positive definite

  explicit Courbure(std::size_t n) : gradient(n), hessien(n * n) {}
};

// A match's stages: at stage s the bots of group s are picked among groups
// s..end, and a last group is never a choice.
void ajoute_match(const Arrivee& arrivee, double poids, const std::vector<double>& theta,
                  Courbure& c) {
  const std::size_t n = theta.size();
  const std::size_t places = arrivee.size();
  double maximum = -INFINITY;
  for (const auto& groupe : arrivee)
    for (std::size_t bot : groupe) maximum = std::max(maximum, theta[bot]);
  // Strengths relative to the match's best, so that no exp overflows.
  std::vector<double> restants(places);
  double somme = 0;
  for (std::size_t g = places; g-- > 0;) {
    for (std::size_t bot : arrivee[g]) somme += std::exp(theta[bot] - maximum);
    restants[g] = somme;
  }
  std::vector<double> premier(places), second(places);  // sums over the stages up to g
  double a = 0, b = 0;
  for (std::size_t g = 0; g < places; ++g) {
    if (g + 1 < places) {
      const double d = poids * static_cast<double>(arrivee[g].size());
      a += d / restants[g];
      b += d / (restants[g] * restants[g]);
      c.valeur -= d * (std::log(restants[g]) + maximum);
      for (std::size_t bot : arrivee[g]) {
        c.valeur += poids * theta[bot];
        c.gradient[bot] += poids;
      }
    }
    premier[g] = a;
    second[g] = b;
  }
  for (std::size_t g = 0; g < places; ++g)
    for (std::size_t i : arrivee[g]) {
      const double wi = std::exp(theta[i] - maximum);
      c.gradient[i] -= wi * premier[g];
      c.hessien[i * n + i] += wi * premier[g];
      for (std::size_t h = 0; h < places; ++h)
        for (std::size_t j : arrivee[h])
          c.hessien[i * n + j] -= wi * std::exp(theta[j] - maximum) * second[std::min(g, h)];
    }
}

Courbure courbure(const std::vector<Arrivee>& matchs, const std::vector<double>& poids,
                  double a_priori, const std::vector<double>& theta) {
  const std::size_t n = theta.size();
  Courbure c(n);
  for (std::size_t i = 0; i < n; ++i) {
    // a_priori wins and as many losses against a reference of strength 1.
    const double sigma = 1 / (1 + std::exp(-theta[i]));
    c.valeur += a_priori * (theta[i] - 2 * std::log1p(std::exp(theta[i])));
    c.gradient[i] += a_priori * (1 - 2 * sigma);
    c.hessien[i * n + i] += 2 * a_priori * sigma * (1 - sigma);
  }
  for (std::size_t m = 0; m < matchs.size(); ++m)
    if (poids[m] > 0) ajoute_match(matchs[m], poids[m], theta, c);
  // Without the reference only differences are defined: the flat direction
  // gets a curvature of its own, which keeps the steps orthogonal to it.
  if (a_priori <= 0)
    for (double& h : c.hessien) h += 1.0 / static_cast<double>(n);
  return c;
}

// Solves H x = g by Cholesky; H is positive definite up to rounding.
std::vector<double> resous(std::vector<double> h, std::vector<double> x) {
  const std::size_t n = x.size();
  for (std::size_t j = 0; j < n; ++j) {
    double d = h[j * n + j];
    for (std::size_t k = 0; k < j; ++k) d -= h[j * n + k] * h[j * n + k];
    h[j * n + j] = std::sqrt(std::max(d, 1e-12));
    for (std::size_t i = j + 1; i < n; ++i) {
      double s = h[i * n + j];
      for (std::size_t k = 0; k < j; ++k) s -= h[i * n + k] * h[j * n + k];
      h[i * n + j] = s / h[j * n + j];
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t k = 0; k < i; ++k) x[i] -= h[i * n + k] * x[k];
    x[i] /= h[i * n + i];
  }
  for (std::size_t i = n; i-- > 0;) {
    for (std::size_t k = i + 1; k < n; ++k) x[i] -= h[k * n + i] * x[k];
    x[i] /= h[i * n + i];
  }
  return x;
}

// Newton's method with step halving: the log-posterior is concave, so each
// accepted step climbs and the last few converge quadratically. `theta` is
// the starting point (a warm start speeds up the resamples).
void ajuste(const std::vector<Arrivee>& matchs, const std::vector<double>& poids,
            const OptionsNotes& options, std::vector<double>& theta) {
  Courbure c = courbure(matchs, poids, options.a_priori, theta);
  for (int iteration = 0; iteration < options.iterations_max; ++iteration) {
    const std::vector<double> pas = resous(c.hessien, c.gradient);
    double longueur = 1;
    for (int essai = 0; essai < 40; ++essai, longueur /= 2) {
      std::vector<double> essai_theta = theta;
      for (std::size_t i = 0; i < theta.size(); ++i) essai_theta[i] += longueur * pas[i];
      Courbure suivante = courbure(matchs, poids, options.a_priori, essai_theta);
      if (suivante.valeur >= c.valeur - 1e-12 * std::fabs(c.valeur)) {
        theta = std::move(essai_theta);
        c = std::move(suivante);
        break;
      }
    }
    double ecart = 0;
    for (double p : pas) ecart = std::max(ecart, std::fabs(longueur * p));
    if (ecart < options.tolerance) return;
  }
}

std::vector<double> en_notes(const std::vector<double>& theta) {
  std::vector<double> notes(theta.size());
  for (std::size_t i = 0; i < theta.size(); ++i) notes[i] = 400 * theta[i] / std::log(10.0);
  const double moyenne =
      std::accumulate(notes.begin(), notes.end(), 0.0) / static_cast<double>(notes.size());
  for (double& n : notes) n += 1500 - moyenne;
  return notes;
}

}  // namespace

Intervalle wilson(double succes, double essais, double z) {
  if (essais <= 0) return {0, 1};
  const double p = succes / essais;
  const double z2 = z * z;
  const double diviseur = 1 + z2 / essais;
  const double centre = (p + z2 / (2 * essais)) / diviseur;
  const double demi = z * std::sqrt(p * (1 - p) / essais + z2 / (4 * essais * essais)) / diviseur;
  return {std::max(0.0, centre - demi), std::min(1.0, centre + demi)};
}

std::vector<double> notes_plackett_luce(std::size_t bots, const std::vector<Arrivee>& matchs,
                                        const OptionsNotes& options) {
  if (bots == 0) return {};
  std::vector<double> theta(bots, 0.0);
  ajuste(matchs, std::vector<double>(matchs.size(), 1.0), options, theta);
  return en_notes(theta);
}

double quantile(std::vector<double>& valeurs, double q) {
  if (valeurs.empty()) return 0;
  std::sort(valeurs.begin(), valeurs.end());
  const double position = q * static_cast<double>(valeurs.size() - 1);
  const auto bas = static_cast<std::size_t>(std::floor(position));
  const std::size_t haut = std::min(bas + 1, valeurs.size() - 1);
  const double part = position - static_cast<double>(bas);
  return valeurs[bas] * (1 - part) + valeurs[haut] * part;
}

NotesIntervalles notes_bootstrap(std::size_t bots, const std::vector<Arrivee>& matchs, int tirages,
                                 std::uint64_t graine, const OptionsNotes& options) {
  NotesIntervalles resultat;
  if (bots == 0) return resultat;
  std::vector<double> theta(bots, 0.0);
  ajuste(matchs, std::vector<double>(matchs.size(), 1.0), options, theta);
  resultat.notes = en_notes(theta);
  std::vector<std::vector<double>> echantillons(bots);
  std::mt19937_64 alea(graine);
  std::uniform_int_distribution<std::size_t> tirage(0, matchs.empty() ? 0 : matchs.size() - 1);
  for (int t = 0; t < tirages && !matchs.empty(); ++t) {
    std::vector<double> poids(matchs.size(), 0.0);
    for (std::size_t m = 0; m < matchs.size(); ++m) poids[tirage(alea)] += 1;
    std::vector<double> theta_tire = theta;
    ajuste(matchs, poids, options, theta_tire);
    const std::vector<double> notes = en_notes(theta_tire);
    for (std::size_t i = 0; i < bots; ++i) echantillons[i].push_back(notes[i]);
  }
  for (std::size_t i = 0; i < bots; ++i) {
    if (echantillons[i].empty())
      resultat.intervalles.push_back({resultat.notes[i], resultat.notes[i]});
    else
      resultat.intervalles.push_back(
          {quantile(echantillons[i], 0.025), quantile(echantillons[i], 0.975)});
  }
  return resultat;
}

}  // namespace classement
