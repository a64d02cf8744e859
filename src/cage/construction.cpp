#include "cage/construction.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "cage/cgroupes.h"
#include "cage/processus.h"

namespace cage {

std::string construit(const Construction& b) {
  std::filesystem::remove(b.journal);
  Commande c({"/bin/sh", "-c", b.commande}, b.dossier, b.journal);
  c.journal_max = b.limites.journal;
  std::unique_ptr<Cgroupe> cgroupe;
  if (b.cage) {
    const long coeurs = ::sysconf(_SC_NPROCESSORS_ONLN);
    try {
      cgroupe =
          std::make_unique<Cgroupe>("arene-" + std::to_string(::getpid()) + "-construction",
                                    LimitesCgroupe{b.limites.memoire, b.limites.processus,
                                                   static_cast<double>(std::max(1L, coeurs))});
      c.cgroupes = cgroupe->procs();
    } catch (const std::exception&) {
      // No cgroup here: the build runs with the cage's other bounds.
    }
    c.rlimites = {{RLIMIT_NOFILE, static_cast<std::uint64_t>(b.limites.fichiers)}};
    c.arguments = arguments_bwrap({b.dossier, b.lectures, b.limites, true}, b.commande);
  }
  Groupe groupe(c);
  const auto fin = groupe.attend(b.duree_max);
  groupe.tue();
  const auto limite = cgroupe ? cgroupe->limite_atteinte() : std::nullopt;
  if (limite) return "limit " + *limite;
  if (groupe.journal_coupe()) return "limit journal";
  if (!fin)
    return "still running after " +
           std::to_string(std::chrono::duration_cast<std::chrono::minutes>(b.duree_max).count()) +
           " minutes";
  return fin->normale() ? "" : fin->texte();
}

}  // namespace cage
