#include "charge/bots.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <numbers>
#include <thread>

#include "langue/langue.h"

namespace {

constexpr std::string_view requete_du_melange(Melange melange) {
  switch (melange) {
    case Melange::Statut:
      return "GET STATUT";
    case Melange::Vaisseaux:
    case Melange::Jeu:
      return "GET VAISSEAUX";
    case Melange::Balles:
      return "GET BALLES";
    case Melange::Cubes:
      return "GET CUBES";
    case Melange::Tire:
      return "PUT ACTION TIRE";
    case Melange::Ping:
      return "PING";
    case Melange::Repos:
      break;
  }
  return "";
}

// Connects, retrying while the listen queue is full, and registers a free colour.
std::unique_ptr<Bot> ouvre_bot(const OptionsCharge& options, std::int64_t& couleur) {
  for (int essai = 0;; ++essai) {
    try {
      auto bot = std::make_unique<Bot>(commun::ConnexionArene(options.hote, options.port));
      if (!options.inscription) return bot;
      for (;; ++couleur) {
        const std::string reponse = bot->connexion.enregistre(couleur);
        if (reponse == "VAISSEAU ENREGISTRE") break;
        if (reponse != "ERREUR COULEUR UTILISEE")
          throw commun::ErreurConnexion(_("registration: ") + reponse);
      }
      bot->couleur = couleur++;
      return bot;
    } catch (const commun::ErreurConnexion&) {
      if (essai >= 50) throw;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
}

// Silent connections never get a reply, so nothing tells when the server has
// taken them off its listen queue; if that queue overflows, the kernel holds
// the extra ones back for seconds. A short registration after every few of
// them waits until they have all been accepted (the queue is first in, first
// out), which keeps at most `connexions_muettes_par_temoin` + 1 in it.
constexpr int connexions_muettes_par_temoin = 4;

// A Redis server (the ping mix) answers its PING instead, and never closes.
void attend_acceptation(const OptionsCharge& options) {
  commun::ConnexionArene temoin(options.hote, options.port);
  if (options.melange == Melange::Ping) {
    (void)temoin.demande("PING");
    return;
  }
  (void)temoin.enregistre(options.premiere_couleur - 1);
  // The ship leaves before the next witness registers the same colour.
  temoin.quitte();
}

void rend_non_bloquant(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

// The plan of a playing bot after it has seen the ships: turn toward the
// nearest one, keep some speed, fire when roughly aligned, then look again.
void planifie(Bot& bot, const commun::Reponse& reponse) {
  std::optional<commun::VaisseauVu> moi;
  std::vector<commun::VaisseauVu> autres;
  for (std::size_t i = 1; i < reponse.lignes.size(); ++i) {
    const auto v = commun::lit_vaisseau(reponse.lignes[i]);
    if (!v) continue;
    if (v->id == bot.couleur) {
      moi = v;
    } else {
      autres.push_back(*v);
    }
  }
  bot.plan.clear();
  if (moi && !autres.empty()) {
    const commun::VaisseauVu* cible = &autres[0];
    const auto distance2 = [&](const commun::VaisseauVu& v) {
      return (v.x - moi->x) * (v.x - moi->x) + (v.y - moi->y) * (v.y - moi->y);
    };
    for (const auto& v : autres)
      if (distance2(v) < distance2(*cible)) cible = &v;
    double ecart = std::atan2(cible->y - moi->y, cible->x - moi->x) - moi->angle;
    ecart = std::remainder(ecart, 2 * std::numbers::pi);
    if (ecart > 0.05) bot.plan.push_back("PUT ACTION GAUCHE");
    if (ecart < -0.05) bot.plan.push_back("PUT ACTION DROITE");
    if (std::fabs(ecart) < 0.3) bot.plan.push_back("PUT ACTION TIRE");
  }
  if (moi && bot.vitesse < 1.5) {
    bot.plan.push_back("PUT ACTION ACCELERE");
    bot.vitesse += 0.05;
  }
  bot.plan.push_back("GET VAISSEAUX");
}

bool vivant(const Bot& bot, const commun::Reponse& reponse) {
  for (std::size_t i = 1; i < reponse.lignes.size(); ++i) {
    const auto v = commun::lit_vaisseau(reponse.lignes[i]);
    if (v && v->id == bot.couleur) return true;
  }
  return false;
}

class Moteur {
 public:
  Moteur(const OptionsCharge& options, std::vector<std::unique_ptr<Bot>>& bots)
      : options_(options), bots_(bots), epoll_(::epoll_create1(0)) {}
  ~Moteur() { ::close(epoll_); }
  Moteur(const Moteur&) = delete;
  Moteur& operator=(const Moteur&) = delete;

  ResultatsBots tourne(Horloge::time_point fin);

 private:
  void surveille(Bot& bot, int operation);
  void relance(Bot& bot);
  bool lit(Bot& bot);
  bool traite_lignes(Bot& bot);
  void termine_reponse(Bot& bot);
  bool envoie(Bot& bot);
  void remplit(Bot& bot);
  void abandonne(Bot& bot);
  void reconnecte(Bot& bot);

  const OptionsCharge& options_;
  std::vector<std::unique_ptr<Bot>>& bots_;
  int epoll_;
  ResultatsBots resultats_;
};

void Moteur::surveille(Bot& bot, int operation) {
  epoll_event evenement{};
  evenement.events = EPOLLIN | (bot.sortie.empty() ? 0u : static_cast<std::uint32_t>(EPOLLOUT));
  evenement.data.ptr = &bot;
  ::epoll_ctl(epoll_, operation, bot.connexion.fd(), &evenement);
}

void Moteur::remplit(Bot& bot) {
  if (options_.melange == Melange::Repos) return;
  while (bot.en_vol.size() < static_cast<std::size_t>(options_.pipeline)) {
    std::string_view requete = requete_du_melange(options_.melange);
    if (options_.melange == Melange::Jeu && !bot.plan.empty()) {
      requete = bot.plan.front();
      bot.plan.pop_front();
    }
    bot.sortie.append(requete).append("\r\n");
    bot.en_vol.push_back({commun::genre_de(requete), Horloge::now()});
  }
}

bool Moteur::envoie(Bot& bot) {
  while (!bot.sortie.empty()) {
    const ssize_t n =
        ::send(bot.connexion.fd(), bot.sortie.data(), bot.sortie.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (n <= 0) return false;
    bot.sortie.erase(0, static_cast<std::size_t>(n));
  }
  surveille(bot, EPOLL_CTL_MOD);
  return true;
}

bool Moteur::lit(Bot& bot) {
  char morceau[65536];
  for (;;) {
    const ssize_t n = ::recv(bot.connexion.fd(), morceau, sizeof morceau, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (n <= 0) return false;
    bot.entree.append(morceau, static_cast<std::size_t>(n));
    if (!traite_lignes(bot)) return false;
  }
}

bool Moteur::traite_lignes(Bot& bot) {
  std::size_t debut = 0;
  for (auto fin = bot.entree.find('\n'); fin != std::string::npos;
       debut = fin + 1, fin = bot.entree.find('\n', debut)) {
    std::string_view ligne(bot.entree.data() + debut, fin - debut);
    if (!ligne.ends_with('\r') || bot.en_vol.empty()) return false;  // a reply nobody asked for
    ligne.remove_suffix(1);
    if (!bot.lecture) bot.lecture.emplace(bot.en_vol.front().genre);
    if (bot.lecture->ajoute(ligne)) termine_reponse(bot);
  }
  bot.entree.erase(0, debut);
  return true;
}

void Moteur::termine_reponse(Bot& bot) {
  const auto duree = Horloge::now() - bot.en_vol.front().depart;
  resultats_.latences_us.push_back(std::chrono::duration<double, std::micro>(duree).count());
  ++resultats_.requetes;
  commun::Reponse& reponse = bot.lecture->reponse();
  if (!reponse.valide) ++resultats_.erreurs;
  bot.en_vol.pop_front();
  if (options_.melange == Melange::Jeu && reponse.genre == commun::Genre::Vaisseaux) {
    if (vivant(bot, reponse)) {
      planifie(bot, reponse);
    } else {
      bot.etat = Bot::Etat::AReconnecter;
    }
  }
  bot.lecture.reset();
}

void Moteur::abandonne(Bot& bot) {
  ++resultats_.erreurs;
  ::epoll_ctl(epoll_, EPOLL_CTL_DEL, bot.connexion.fd(), nullptr);
  bot.en_vol.clear();
  bot.sortie.clear();
  bot.etat = Bot::Etat::Perdu;
}

// A playing bot whose ship was destroyed comes back with a new connection.
void Moteur::reconnecte(Bot& bot) {
  ::epoll_ctl(epoll_, EPOLL_CTL_DEL, bot.connexion.fd(), nullptr);
  // The old connection's end removes the ship of its colour: let it end first.
  bot.connexion.quitte();
  try {
    std::int64_t couleur = bot.couleur;
    auto nouveau = ouvre_bot(options_, couleur);
    bot.connexion = std::move(nouveau->connexion);
    bot.couleur = nouveau->couleur;
  } catch (const commun::ErreurConnexion&) {
    bot.etat = Bot::Etat::Perdu;
    ++resultats_.erreurs;
    return;
  }
  ++resultats_.reconnexions;
  bot.en_vol.clear();
  bot.entree.clear();
  bot.sortie.clear();
  bot.lecture.reset();
  bot.plan.clear();
  bot.vitesse = 0.0;
  bot.etat = Bot::Etat::Actif;
  rend_non_bloquant(bot.connexion.fd());
  surveille(bot, EPOLL_CTL_ADD);
}

void Moteur::relance(Bot& bot) {
  if (bot.etat == Bot::Etat::AReconnecter && bot.en_vol.empty()) reconnecte(bot);
  if (bot.etat == Bot::Etat::Perdu) return;
  if (bot.etat == Bot::Etat::Actif) remplit(bot);
  if (!envoie(bot)) abandonne(bot);
}

ResultatsBots Moteur::tourne(Horloge::time_point fin) {
  for (auto& bot : bots_) {
    rend_non_bloquant(bot->connexion.fd());
    surveille(*bot, EPOLL_CTL_ADD);
    relance(*bot);
  }
  epoll_event evenements[256];
  while (Horloge::now() < fin) {
    const int n = ::epoll_wait(epoll_, evenements, 256, 50);
    for (int i = 0; i < n; ++i) {
      Bot& bot = *static_cast<Bot*>(evenements[i].data.ptr);
      if (bot.etat == Bot::Etat::Perdu) continue;
      if ((evenements[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR)) && !lit(bot)) {
        abandonne(bot);
        continue;
      }
      relance(bot);
    }
  }
  return std::move(resultats_);
}

}  // namespace

void ResultatsBots::ajoute(ResultatsBots&& autre) {
  requetes += autre.requetes;
  erreurs += autre.erreurs;
  reconnexions += autre.reconnexions;
  latences_us.insert(latences_us.end(), autre.latences_us.begin(), autre.latences_us.end());
}

std::vector<std::unique_ptr<Bot>> ouvre_bots(const OptionsCharge& options, int n,
                                             std::int64_t& couleur) {
  std::vector<std::unique_ptr<Bot>> bots;
  for (int i = 0; i < n; ++i) {
    bots.push_back(ouvre_bot(options, couleur));
    if (!options.inscription && (i + 1) % connexions_muettes_par_temoin == 0)
      attend_acceptation(options);
  }
  return bots;
}

ResultatsBots fait_jouer(const OptionsCharge& options, std::vector<std::unique_ptr<Bot>>& bots,
                         Horloge::time_point fin) {
  Moteur moteur(options, bots);
  return moteur.tourne(fin);
}
