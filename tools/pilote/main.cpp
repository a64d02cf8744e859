// arene-pilote: watch and play an arena game in a terminal, with a ship of
// one's own, like any other player of the server; or replay a recorded match.
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "langue/langue.h"
#include "pilote/ecran.h"
#include "pilote/options.h"
#include "pilote/pilote.h"
#include "pilote/rejoue.h"
#include "pilote/session.h"
#include "world/echec.h"

namespace {

int echec(Sortie sortie, const std::string& message) {
  std::fprintf(stderr, "arene-pilote: %s\n", message.c_str());
  return static_cast<int>(sortie);
}

int relecture(const std::string& chemin, const noms::Noms& noms) {
  try {
    return rejoue(chemin, noms);
  } catch (const world::Echec& e) {
    return echec(Sortie::EnregistrementIllisible, std::string(_("cannot replay: ")) + e.what());
  } catch (const ErreurTerminal& e) {
    return echec(Sortie::TerminalInutilisable, e.what());
  }
}

}  // namespace

int main(int argc, char** argv) {
  langue::initialise_langue();
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  std::string erreur;
  const auto options = lit_options(arguments, erreur);
  if (!options) {
    std::fprintf(stderr, "arene-pilote: %s\n%s", erreur.c_str(), aide_pilote().c_str());
    return static_cast<int>(Sortie::MauvaisesOptions);
  }
  if (options->aide) {
    std::fputs(aide_pilote().c_str(), stdout);
    return 0;
  }
  std::setlocale(LC_ALL, "");
  if (options->rejoue) return relecture(*options->rejoue, options->noms);
  const std::string serveur = options->hote + ":" + std::to_string(options->port);
  try {
    return joue(*options);
  } catch (const Injoignable& e) {
    return echec(Sortie::Injoignable, std::string(_("cannot reach the server: ")) + e.what());
  } catch (const CouleurPrise& e) {
    return echec(Sortie::CouleurPrise, e.what());
  } catch (const ErreurProtocole& e) {
    return echec(Sortie::ConnexionPerdue,
                 _("the server at ") + serveur + _(" answered outside the protocol: ") + e.what());
  } catch (const commun::ErreurConnexion& e) {
    return echec(Sortie::ConnexionPerdue, _("connection to ") + serveur + _(" lost: ") + e.what());
  } catch (const ErreurTerminal& e) {
    return echec(Sortie::TerminalInutilisable, e.what());
  } catch (const std::exception& e) {
    // Caught so that the terminal is restored on the way out.
    return echec(Sortie::ConnexionPerdue, e.what());
  }
}
