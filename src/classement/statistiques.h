// Statistics of matches, a tournament's or a league's: win rates with Wilson
// intervals, and ratings fitted to the finishing orders with the Plackett-Luce model.
//
// Plackett-Luce rather than TrueSkill: it is the likelihood of whole finishing
// orders, fitted to all matches at once, so the ratings do not depend on the
// order the matches were played in (TrueSkill updates match by match); its
// log-likelihood is concave, so Newton's method finds the fit in a few steps;
// and resampling matches
// gives honest intervals without assuming a Gaussian posterior.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace classement {

struct Intervalle {
  double bas = 0;
  double haut = 0;
};

// 95 % by default (z = 1.96). No trial at all gives [0, 1].
Intervalle wilson(double succes, double essais, double z = 1.959963984540054);

// One match: the bots' indexes grouped by place, best first. A group of
// several bots is a tie.
using Arrivee = std::vector<std::vector<std::size_t>>;

struct OptionsNotes {
  // Each bot also wins and loses this many virtual duels against a fixed
  // reference, which keeps a bot that always wins (or always loses) at a
  // finite rating. 0 gives the plain maximum-likelihood fit.
  double a_priori = 1.0;
  int iterations_max = 100;
  double tolerance = 1e-9;  // on the largest change of a log-strength
};

// Ratings on the Elo scale: 400 points between two bots mean 10 to 1 odds of
// finishing ahead in a duel; the bots' mean is 1500. A tie is read as each
// tied bot being picked from the same field (Breslow), and a match where all
// tie tells nothing.
std::vector<double> notes_plackett_luce(std::size_t bots, const std::vector<Arrivee>& matchs,
                                        const OptionsNotes& options = {});

struct NotesIntervalles {
  std::vector<double> notes;
  std::vector<Intervalle> intervalles;  // 95 % percentile bootstrap over the matches
};

// `tirages` resamples of the matches, drawn from `graine` so that a report
// can be made again identically. No resample gives each rating as its interval.
NotesIntervalles notes_bootstrap(std::size_t bots, const std::vector<Arrivee>& matchs, int tirages,
                                 std::uint64_t graine, const OptionsNotes& options = {});

// The q-quantile (0..1) of `valeurs`, interpolated; sorts them.
double quantile(std::vector<double>& valeurs, double q);

}  // namespace classement
