#include "enregistrement/ecrivain.h"

#include <zlib.h>

#include <cstdio>
#include <exception>
#include <utility>

#include "enregistrement/format.h"
#include "world/echec.h"

namespace {

class PuitsGzip final : public Puits {
 public:
  explicit PuitsGzip(const std::string& chemin) : fichier_(gzopen(chemin.c_str(), "wb6")) {
    if (fichier_ == nullptr) throw Echec("enregistrement : impossible de creer " + chemin);
  }
  ~PuitsGzip() override { termine(); }

  void ecrit(std::string_view lignes) override {
    if (fichier_ == nullptr || lignes.empty()) return;
    if (gzwrite(fichier_, lignes.data(), static_cast<unsigned>(lignes.size())) == 0)
      std::fprintf(stderr, "enregistrement : ecriture impossible\n");
  }

  void termine() override {
    if (fichier_ != nullptr) gzclose(std::exchange(fichier_, nullptr));
  }

 private:
  gzFile fichier_;
};

}  // namespace

std::unique_ptr<Puits> puits_gzip(const std::string& chemin) {
  return std::make_unique<PuitsGzip>(chemin);
}

Ecrivain::Ecrivain(FileLots& file, std::vector<Puits*> puits)
    : file_(file), puits_(std::move(puits)), thread_([this] { boucle(); }) {}

Ecrivain::~Ecrivain() { termine(); }

void Ecrivain::termine() {
  file_.ferme();
  if (thread_.joinable()) thread_.join();
}

void Ecrivain::boucle() {
  std::string lignes;
  while (auto lot = file_.prend()) {
    lignes.clear();
    ajoute_lignes(lignes, *lot);
    for (Puits* p : puits_) {
      try {
        p->evenements(*lot);
        p->ecrit(lignes);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "enregistrement : %s\n", e.what());
      }
    }
  }
  for (Puits* p : puits_) p->termine();
}
