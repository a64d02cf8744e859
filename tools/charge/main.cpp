// arene-charge: opens many clients on an arena server, drives a command mix,
// and reports throughput, latency and the tick rate that a probe ship sees;
// or, with --sonde, checks that one arena is up and ticking.
#include <sys/resource.h>

#include <cstdio>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "charge/bots.h"
#include "charge/options.h"
#include "charge/sante.h"
#include "charge/sonde.h"
#include "charge/statistiques.h"
#include "langue/langue.h"

namespace {

void leve_limite_descripteurs() {
  rlimit limite{};
  if (getrlimit(RLIMIT_NOFILE, &limite) != 0) return;
  limite.rlim_cur = limite.rlim_max;
  (void)setrlimit(RLIMIT_NOFILE, &limite);
}

std::string json_percentiles(const Percentiles& p) {
  char texte[160];
  std::snprintf(texte, sizeof texte, "{\"p50\":%.3f,\"p99\":%.3f,\"p999\":%.3f,\"max\":%.3f}",
                p.p50, p.p99, p.p999, p.max);
  return texte;
}

void rapporte(const OptionsCharge& o, ResultatsBots& bots, ResultatsSonde& sonde) {
  const Percentiles latence = percentiles(bots.latences_us);
  const Percentiles intervalle = percentiles(sonde.intervalles_ms);
  const Percentiles latence_sonde = percentiles(sonde.latences_ms);
  const double debit = static_cast<double>(bots.requetes) / o.secondes;
  const double ticks = sonde.secondes > 0 ? static_cast<double>(sonde.ticks) / sonde.secondes : 0;
  std::printf(_("%d clients, mix %s, pipeline %d, %.1f s\n"), o.clients, nom_melange(o.melange),
              o.pipeline, o.secondes);
  std::printf(_("requests %llu (%.0f/s), errors %llu, reconnections %llu\n"),
              static_cast<unsigned long long>(bots.requetes), debit,
              static_cast<unsigned long long>(bots.erreurs),
              static_cast<unsigned long long>(bots.reconnexions));
  std::printf(_("latency us: p50 %.1f p99 %.1f p999 %.1f max %.1f\n"), latence.p50, latence.p99,
              latence.p999, latence.max);
  if (o.sonde) {
    std::printf(_("probe: %.2f ticks/s, tick interval ms p50 %.2f p99 %.2f max %.2f, "
                  "probe latency ms p99 %.2f%s%s\n"),
                ticks, intervalle.p50, intervalle.p99, intervalle.max, latence_sonde.p99,
                sonde.erreur.empty() ? "" : _(", stopped: "), sonde.erreur.c_str());
  }
  std::printf(
      "{\"mix\":\"%s\",\"clients\":%d,\"pipeline\":%d,\"threads\":%d,\"seconds\":%.3f,"
      "\"requests\":%llu,\"requests_per_second\":%.1f,\"errors\":%llu,\"reconnections\":%llu,"
      "\"latency_us\":%s,\"ticks_per_second\":%.3f,\"tick_interval_ms\":%s,"
      "\"probe_latency_ms\":%s,\"probe_steps\":%zu,\"probe_deviations\":%llu}\n",
      nom_melange(o.melange), o.clients, o.pipeline, o.fils, o.secondes,
      static_cast<unsigned long long>(bots.requetes), debit,
      static_cast<unsigned long long>(bots.erreurs),
      static_cast<unsigned long long>(bots.reconnexions), json_percentiles(latence).c_str(), ticks,
      json_percentiles(intervalle).c_str(), json_percentiles(latence_sonde).c_str(),
      sonde.intervalles_ms.size(), static_cast<unsigned long long>(sonde.deviations));
}

int lance(const OptionsCharge& o) {
  leve_limite_descripteurs();
  std::int64_t couleur = o.premiere_couleur;
  std::vector<std::vector<std::unique_ptr<Bot>>> groupes(static_cast<std::size_t>(o.fils));
  try {
    for (int f = 0; f < o.fils; ++f)
      groupes[static_cast<std::size_t>(f)] =
          ouvre_bots(o, o.clients / o.fils + (f < o.clients % o.fils), couleur);
  } catch (const commun::ErreurConnexion& e) {
    std::fprintf(stderr, "arene-charge: %s\n", e.what());
    return 2;
  }
  const auto fin = Horloge::now() + std::chrono::duration_cast<Horloge::duration>(
                                        std::chrono::duration<double>(o.secondes));
  std::future<ResultatsSonde> resultat_sonde;
  if (o.sonde)
    resultat_sonde = std::async(std::launch::async, sonde, std::cref(o), couleur + 1, fin);
  std::vector<std::future<ResultatsBots>> resultats;
  for (auto& groupe : groupes)
    resultats.push_back(
        std::async(std::launch::async, fait_jouer, std::cref(o), std::ref(groupe), fin));
  ResultatsBots total;
  for (auto& r : resultats) total.ajoute(r.get());
  ResultatsSonde mesure = o.sonde ? resultat_sonde.get() : ResultatsSonde{};
  rapporte(o, total, mesure);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  langue::initialise_langue();
  const auto lu = lit_options(argc, argv);
  if (const int* sortie = std::get_if<int>(&lu)) return *sortie;
  const auto& options = std::get<OptionsCharge>(lu);
  if (options.sante) return verifie_arene(options);
  return lance(options);
}
