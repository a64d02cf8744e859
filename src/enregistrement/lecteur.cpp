#include "enregistrement/lecteur.h"

#include <zlib.h>

#include <utility>

#include "enregistrement/format.h"
#include "world/echec.h"

struct LectureGz {
  explicit LectureGz(gzFile f) : fichier(f) {}
  ~LectureGz() { gzclose(fichier); }
  LectureGz(const LectureGz&) = delete;
  LectureGz& operator=(const LectureGz&) = delete;
  gzFile fichier;
};

LecteurEnregistrement::LecteurEnregistrement(const std::string& chemin) {
  gzFile fichier = gzopen(chemin.c_str(), "rb");
  if (fichier == nullptr) throw Echec("relecture : impossible d'ouvrir " + chemin);
  gz_ = std::make_unique<LectureGz>(fichier);
  const auto premiere = ligne_suivante();
  if (!premiere) throw Echec("relecture : fichier vide : " + chemin);
  const Evenement entete = lit_ligne(*premiere);
  if (!std::holds_alternative<EvEntete>(entete))
    throw Echec("relecture : pas d'en-tete au debut de " + chemin);
  entete_ = std::get<EvEntete>(entete);
}

LecteurEnregistrement::~LecteurEnregistrement() = default;

std::optional<std::string> LecteurEnregistrement::ligne_suivante() {
  for (;;) {
    const auto fin = tampon_.find('\n', lu_);
    if (fin != std::string::npos) {
      std::string ligne = tampon_.substr(lu_, fin - lu_);
      lu_ = fin + 1;
      return ligne;
    }
    tampon_.erase(0, lu_);
    lu_ = 0;
    char morceau[1 << 16];
    const int lus = gzread(gz_->fichier, morceau, sizeof morceau);
    if (lus < 0) throw Echec("relecture : fichier gzip abime");
    if (lus == 0) {
      if (tampon_.empty()) return std::nullopt;
      return std::exchange(tampon_, {});  // a last line without its line feed
    }
    tampon_.append(morceau, static_cast<std::size_t>(lus));
  }
}

std::optional<Evenement> LecteurEnregistrement::suivant() {
  const auto ligne = ligne_suivante();
  if (!ligne) return std::nullopt;
  return lit_ligne(*ligne);
}

EvEntete relit(const std::string& chemin,
               const std::function<void(const Evenement&, const EtatRelu&)>& chaque) {
  LecteurEnregistrement lecteur(chemin);
  EtatRelu etat;
  while (auto e = lecteur.suivant()) {
    etat.applique(*e);
    chaque(*e, etat);
  }
  return lecteur.entete();
}
