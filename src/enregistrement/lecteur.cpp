#include "enregistrement/lecteur.h"

#include <zlib.h>

#include <utility>

#include "enregistrement/format.h"
#include "langue/langue.h"
#include "world/echec.h"

namespace enregistrement {

namespace {

constexpr unsigned taille_morceau = 1 << 16;

[[noreturn]] void ligne_trop_longue() {
  throw LimiteDepassee(_("replay: a line longer than ") + std::to_string(longueur_ligne_max >> 20) +
                       _(" MiB (line length limit)"));
}

}  // namespace

struct LectureGz {
  explicit LectureGz(gzFile f) : fichier(f) {}
  ~LectureGz() { gzclose(fichier); }
  LectureGz(const LectureGz&) = delete;
  LectureGz& operator=(const LectureGz&) = delete;
  gzFile fichier;
};

LecteurEnregistrement::LecteurEnregistrement(const std::string& chemin) {
  gzFile fichier = gzopen(chemin.c_str(), "rb");
  if (fichier == nullptr) throw world::Echec(_("replay: cannot open ") + chemin);
  gz_ = std::make_unique<LectureGz>(fichier);
  const auto premiere = ligne_suivante();
  if (!premiere) throw world::Echec(_("replay: empty file: ") + chemin);
  const evenements::Evenement entete = lit_ligne(*premiere);
  if (!std::holds_alternative<evenements::EvEntete>(entete))
    throw world::Echec(_("replay: no header at the start of ") + chemin);
  entete_ = std::get<evenements::EvEntete>(entete);
}

LecteurEnregistrement::~LecteurEnregistrement() = default;

// Appends the next piece of the file; false at its end. A file cut short ends
// there too: zlib says so, and the reader stops before the damage.
bool LecteurEnregistrement::remplit() {
  char morceau[taille_morceau];
  const int lus = gzread(gz_->fichier, morceau, taille_morceau);
  if (lus > 0) {
    tampon_.append(morceau, static_cast<std::size_t>(lus));
    return true;
  }
  int code = Z_OK;
  const char* message = gzerror(gz_->fichier, &code);
  if (code == Z_BUF_ERROR) {
    gzip_coupe_ = true;
  } else if (lus < 0) {
    throw world::Echec(std::string(_("replay: damaged gzip file: ")) + message);
  }
  return false;
}

// Each byte is looked at once: the search goes on where the last one stopped.
std::optional<std::string> LecteurEnregistrement::ligne_suivante() {
  for (;;) {
    const auto fin = tampon_.find('\n', cherche_);
    if (fin != std::string::npos) {
      if (fin - lu_ > longueur_ligne_max) ligne_trop_longue();
      std::string ligne = tampon_.substr(lu_, fin - lu_);
      lu_ = cherche_ = fin + 1;
      return ligne;
    }
    if (tampon_.size() - lu_ > longueur_ligne_max) ligne_trop_longue();
    tampon_.erase(0, lu_);
    lu_ = 0;
    cherche_ = tampon_.size();
    if (remplit()) continue;
    if (tampon_.empty()) return std::nullopt;
    derniere_sans_fin_ = true;  // whole if it reads, else cut
    lu_ = cherche_ = tampon_.size();
    return tampon_;
  }
}

void LecteurEnregistrement::note_la_fin() {
  if (!coupure_.empty()) return;
  if (gzip_coupe_)
    coupure_ = _("gzip file cut short");
  else if (!fin_lue_)
    coupure_ = _("no end line");
}

std::optional<evenements::Evenement> LecteurEnregistrement::suivant() {
  const auto ligne = ligne_suivante();
  if (!ligne) {
    note_la_fin();
    return std::nullopt;
  }
  try {
    evenements::Evenement e = lit_ligne(*ligne);
    fin_lue_ = std::holds_alternative<evenements::EvFin>(e);
    return e;
  } catch (const LimiteDepassee&) {
    throw;
  } catch (const world::Echec&) {
    if (!derniere_sans_fin_) throw;
    coupure_ = _("file cut in the middle of a line");
    return std::nullopt;
  }
}

void verifie_taille(const EtatRelu& etat) {
  if (etat.nb_vaisseaux() + etat.nb_balles() > taille_etat_max)
    throw LimiteDepassee(_("replay: more than ") + std::to_string(taille_etat_max) +
                         _(" ships and bullets at once (state size limit)"));
}

Relecture relit(const std::string& chemin,
                const std::function<void(const evenements::Evenement&, const EtatRelu&)>& chaque) {
  LecteurEnregistrement lecteur(chemin);
  EtatRelu etat;
  chaque(lecteur.entete(), etat);
  while (auto e = lecteur.suivant()) {
    etat.applique(*e);
    verifie_taille(etat);
    chaque(*e, etat);
  }
  return {lecteur.entete(), lecteur.coupure()};
}

}  // namespace enregistrement
