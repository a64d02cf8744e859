#include "charge/sante.h"

#include <cstdio>
#include <string>

#include "charge/sonde.h"
#include "langue/langue.h"

namespace {

struct Verdict {
  StatutSante statut;
  const char* etat;
};

Verdict verdict(commun::Panne panne) {
  switch (panne) {
    case commun::Panne::Silence:
      return {arene_figee, _("frozen")};
    case commun::Panne::HorsProtocole:
      return {arene_hors_protocole, _("outside the protocol")};
    case commun::Panne::Coupure:
      break;
  }
  return {arene_injoignable, _("down")};
}

}  // namespace

StatutSante verifie_arene(const OptionsCharge& options) {
  const auto fin = Horloge::now() + std::chrono::duration_cast<Horloge::duration>(
                                        std::chrono::duration<double>(options.secondes));
  const ResultatsSonde r = sonde(options, options.premiere_couleur, fin);
  const std::string arene = options.hote + ":" + std::to_string(options.port);
  if (r.panne) {
    const Verdict v = verdict(*r.panne);
    std::fprintf(stderr, _("arene-charge: %s %s: %s\n"), arene.c_str(), v.etat, r.erreur.c_str());
    return v.statut;
  }
  // A ship that never moves, even after turning away from a cube, means no tick ran.
  if (r.deplacements == 0) {
    std::fprintf(stderr, _("arene-charge: %s frozen: no tick seen in %.1f s\n"), arene.c_str(),
                 options.secondes);
    return arene_figee;
  }
  // Timing needs two straight steps in a row; a crowded board may allow none.
  if (r.secondes > 0)
    std::printf(_("arene-charge: %s ok: %.1f ticks/s\n"), arene.c_str(),
                static_cast<double>(r.ticks) / r.secondes);
  else
    std::printf(_("arene-charge: %s ok: ticks seen, too few straight steps to time them\n"),
                arene.c_str());
  return arene_saine;
}
