// Starter kit for arena bots in C++17: one header, POSIX sockets.
//
//   arene::Client client = arene::Client::connecte("127.0.0.1", 12345);
//   client.enregistre(0xFF0000, 10);                 // or the next free colour
//   client.envoie({arene::Commande::vaisseaux, arene::Commande::balles});  // one write
//   std::vector<arene::Vaisseau> vaisseaux = client.lit_vaisseaux();
//   std::vector<arene::Balle> balles = client.lit_balles();
//
// Every failure throws: ErreurProtocole when the server answers something
// else than the reply expected (the message says both), ConnexionFermee when
// it has closed the connection (the end of a match), ErreurArene otherwise.
#pragma once

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace arene {

// A ship as GET VAISSEAUX lists it. Its speed is never sent.
struct Vaisseau {
  double x, y, angle;
  std::int64_t pt_vie, couleur;
};
// A bullet in flight; `couleur` is its shooter's.
struct Balle {
  double x, y;
  std::int64_t couleur;
};
// An obstacle, by its lower and upper corners.
struct Cube {
  double x_min, y_min, x_max, y_max;
};
struct Taille {
  double largeur, hauteur;
};
// Whether a ship of the connection's colour is in play.
enum class Statut { vivant, mort };

struct ErreurArene : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// The server's reply is not the one expected.
struct ErreurProtocole : ErreurArene {
  ErreurProtocole(std::string_view attendu, std::string_view recu)
      : ErreurArene("expected " + std::string(attendu) + ", got '" + std::string(recu) + "'") {}
  explicit ErreurProtocole(const std::string& message) : ErreurArene(message) {}
};
// The server closed the connection (end of a match, or after a quit).
struct ConnexionFermee : ErreurArene {
  using ErreurArene::ErreurArene;
};
// Every colour tried is carried by a ship in play.
struct CouleurUtilisee : ErreurArene {
  using ErreurArene::ErreurArene;
};
// A colour argument in neither of the accepted forms, or beyond 64 bits.
struct CouleurInvalide : ErreurArene {
  using ErreurArene::ErreurArene;
};

// Every command once registered.
enum class Commande {
  balles,
  cubes,
  vaisseaux,
  max_pt_vie,
  rayon_balle,
  rayon_vaisseau,
  taille_plateau,
  statut,
  accelere,
  decelere,
  gauche,
  droite,
  tire,
  quitte
};

// The line sent for a command, without CR LF.
inline std::string_view texte(Commande commande) {
  constexpr std::string_view textes[] = {
      "GET BALLES",          "GET CUBES",           "GET VAISSEAUX",      "GET MAX PT VIE",
      "GET RAYON BALLE",     "GET RAYON VAISSEAU",  "GET TAILLE PLATEAU", "GET STATUT",
      "PUT ACTION ACCELERE", "PUT ACTION DECELERE", "PUT ACTION GAUCHE",  "PUT ACTION DROITE",
      "PUT ACTION TIRE",     "PUT ACTION QUITTE"};
  return textes[static_cast<int>(commande)];
}

namespace detail {

inline bool chiffres(std::string_view& texte) {
  const std::size_t n = texte.find_first_not_of("0123456789");
  const std::size_t lus = n == std::string_view::npos ? texte.size() : n;
  texte.remove_prefix(lus);
  return lus > 0;
}

// printf's %.12g with a "." on whole values: "1408.", "-0.5", "1e-05", "1.5e+14".
inline bool forme_reel(std::string_view texte) {
  if (!texte.empty() && texte.front() == '-') texte.remove_prefix(1);
  if (!chiffres(texte)) return false;
  if (!texte.empty() && texte.front() == '.') {
    texte.remove_prefix(1);
    chiffres(texte);
  }
  if (!texte.empty() && texte.front() == 'e') {
    texte.remove_prefix(1);
    if (texte.empty() || (texte.front() != '+' && texte.front() != '-')) return false;
    texte.remove_prefix(1);
    if (!chiffres(texte)) return false;
  }
  return texte.empty();
}

inline std::vector<std::string_view> champs(std::string_view ligne) {
  std::vector<std::string_view> resultat;
  for (std::size_t debut = 0;;) {
    const std::size_t blanc = ligne.find(' ', debut);
    resultat.push_back(ligne.substr(debut, blanc - debut));
    if (blanc == std::string_view::npos) return resultat;
    debut = blanc + 1;
  }
}

// The line's fields, exactly `n` of them, or ErreurProtocole naming `attendu`.
inline std::vector<std::string_view> n_champs(std::string_view ligne, std::size_t n,
                                              std::string_view attendu) {
  std::vector<std::string_view> resultat = champs(ligne);
  if (resultat.size() != n) throw ErreurProtocole(attendu, ligne);
  return resultat;
}

// Reads the line's `n` fields with `lecture`; a bad field is reported with the
// whole line, which says more than the field alone.
template <typename Lecture>
auto lit_element(std::string_view ligne, std::size_t n, std::string_view attendu, Lecture lecture) {
  const std::vector<std::string_view> c = n_champs(ligne, n, attendu);
  try {
    return lecture(c);
  } catch (const ErreurProtocole&) {
    throw ErreurProtocole(attendu, ligne);
  }
}

}  // namespace detail

// A real number as the server writes it.
inline double lit_reel(std::string_view texte) {
  double valeur = 0;
  if (!detail::forme_reel(texte) ||
      std::from_chars(texte.data(), texte.data() + texte.size(), valeur).ec != std::errc())
    throw ErreurProtocole("a real number such as '1408.' or '1e-05'", texte);
  return valeur;
}

// An integer (count, life points, colour) as the server writes it.
inline std::int64_t lit_entier(std::string_view texte) {
  std::int64_t valeur = 0;
  const char* fin = texte.data() + texte.size();
  const auto [lu, erreur] = std::from_chars(texte.data(), fin, valeur);
  if (texte.empty() || erreur != std::errc() || lu != fin)
    throw ErreurProtocole("an integer", texte);
  return valeur;
}

// A colour argument: decimal ("16711680", "-5") or 0x hexadecimal
// ("0xFF0000"), within 64 signed bits; "017" is seventeen. Anything else
// throws CouleurInvalide naming the text.
inline std::int64_t lit_couleur(std::string_view texte) {
  const std::string cite = "colour '" + std::string(texte) + "'";
  std::string_view chiffres = texte;
  if (!chiffres.empty() && chiffres.front() == '-') chiffres.remove_prefix(1);
  const bool hexa = chiffres.size() > 1 && chiffres[0] == '0' && (chiffres[1] | 0x20) == 'x';
  if (hexa) chiffres.remove_prefix(2);
  const bool forme = !chiffres.empty() && chiffres.find_first_not_of(hexa ? "0123456789abcdefABCDEF"
                                                                          : "0123456789") ==
                                              std::string_view::npos;
  if (!forme) throw CouleurInvalide(cite + " is neither decimal (16711680) nor 0x hexadecimal (0xFF0000)");
  // Read as the magnitude with its sign, so that the lowest value fits too.
  std::uint64_t grandeur = 0;
  const auto lu = std::from_chars(chiffres.data(), chiffres.data() + chiffres.size(), grandeur,
                                  hexa ? 16 : 10);
  const bool negatif = texte.front() == '-';
  const std::uint64_t limite = negatif ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
  if (lu.ec != std::errc() || grandeur > limite)
    throw CouleurInvalide(cite + " does not fit in 64 signed bits");
  return negatif ? static_cast<std::int64_t>(0 - grandeur) : static_cast<std::int64_t>(grandeur);
}

// Ship line "x y angle pt_vie couleur".
inline Vaisseau lit_vaisseau(std::string_view ligne) {
  return detail::lit_element(ligne, 5, "a ship line 'x y angle life colour'", [](const auto& c) {
    return Vaisseau{lit_reel(c[0]), lit_reel(c[1]), lit_reel(c[2]), lit_entier(c[3]),
                    lit_entier(c[4])};
  });
}

// Bullet line "x y couleur".
inline Balle lit_balle(std::string_view ligne) {
  return detail::lit_element(ligne, 3, "a bullet line 'x y colour'", [](const auto& c) {
    return Balle{lit_reel(c[0]), lit_reel(c[1]), lit_entier(c[2])};
  });
}

// Cube line "x_min y_min x_max y_max".
inline Cube lit_cube(std::string_view ligne) {
  return detail::lit_element(ligne, 4, "a cube line 'x_min y_min x_max y_max'", [](const auto& c) {
    return Cube{lit_reel(c[0]), lit_reel(c[1]), lit_reel(c[2]), lit_reel(c[3])};
  });
}

// One bot's connection. Move-only; closing it (destructor) removes the ship.
class Client {
 public:
  // Takes a connected socket (or one end of a socket pair, in tests).
  explicit Client(int fd) : fd_(fd) {}
  Client(Client&& autre) noexcept
      : fd_(autre.fd_), tampon_(std::move(autre.tampon_)), couleur_(autre.couleur_) {
    autre.fd_ = -1;
  }
  Client& operator=(Client&& autre) noexcept {
    std::swap(fd_, autre.fd_);
    std::swap(tampon_, autre.tampon_);
    std::swap(couleur_, autre.couleur_);
    return *this;
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;
  ~Client() {
    if (fd_ >= 0) ::close(fd_);
  }

  // Connects to hote:port (a name or an address). Each wait for a reply is
  // bounded by `delai_s` seconds.
  static Client connecte(const std::string& hote, int port, int delai_s = 30) {
    addrinfo indices{};
    indices.ai_family = AF_UNSPEC;
    indices.ai_socktype = SOCK_STREAM;
    addrinfo* adresses = nullptr;
    const int erreur =
        ::getaddrinfo(hote.c_str(), std::to_string(port).c_str(), &indices, &adresses);
    if (erreur != 0) throw ErreurArene(hote + ": " + ::gai_strerror(erreur));
    int fd = -1;
    int cause = 0;
    for (const addrinfo* a = adresses; a != nullptr && fd < 0; a = a->ai_next) {
      fd = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
      if (fd >= 0 && ::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
        cause = errno;
        ::close(fd);
        fd = -1;
      }
    }
    ::freeaddrinfo(adresses);
    if (fd < 0)
      throw ErreurArene("cannot connect to " + hote + ":" + std::to_string(port) + ": " +
                        std::strerror(cause));
    // Small request lines must leave at once, not wait for the next one.
    const int oui = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &oui, sizeof oui);
    const timeval delai{delai_s, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &delai, sizeof delai);
    return Client(fd);
  }

  // Registers a ship of `couleur`; while that colour is in use, tries the
  // next ones, `essais` colours in all. Returns the colour obtained.
  std::int64_t enregistre(std::int64_t couleur, int essais = 1) {
    for (std::int64_t essai = couleur; essai < couleur + essais; ++essai) {
      envoie_ligne("PUT COULEUR VAISSEAU " + std::to_string(essai));
      const std::string reponse = lit_ligne("the registration's reply");
      if (reponse == "VAISSEAU ENREGISTRE") return couleur_ = essai;
      if (reponse != "ERREUR COULEUR UTILISEE")
        throw ErreurProtocole("'VAISSEAU ENREGISTRE' or 'ERREUR COULEUR UTILISEE'", reponse);
    }
    throw CouleurUtilisee("colours " + std::to_string(couleur) + " to " +
                          std::to_string(couleur + essais - 1) + " are all in use");
  }
  // The colour registered, 0 before.
  std::int64_t couleur() const { return couleur_; }

  // One call per command: sends it, reads its reply.
  std::vector<Vaisseau> vaisseaux() { return envoie({Commande::vaisseaux}), lit_vaisseaux(); }
  std::vector<Balle> balles() { return envoie({Commande::balles}), lit_balles(); }
  std::vector<Cube> cubes() { return envoie({Commande::cubes}), lit_cubes(); }
  Taille taille_plateau() { return envoie({Commande::taille_plateau}), lit_taille_plateau(); }
  double rayon_vaisseau() { return envoie({Commande::rayon_vaisseau}), lit_rayon_vaisseau(); }
  double rayon_balle() { return envoie({Commande::rayon_balle}), lit_rayon_balle(); }
  std::int64_t max_pt_vie() { return envoie({Commande::max_pt_vie}), lit_max_pt_vie(); }
  Statut statut() { return envoie({Commande::statut}), lit_statut(); }
  void accelere() { agit({Commande::accelere}); }
  void decelere() { agit({Commande::decelere}); }
  void gauche() { agit({Commande::gauche}); }
  void droite() { agit({Commande::droite}); }
  void tire() { agit({Commande::tire}); }
  // Takes the ship out and closes the connection. A server that has already
  // closed it (a match that ended) is not an error.
  void quitte() {
    try {
      agit({Commande::quitte});
    } catch (const ConnexionFermee&) {
    }
    ::close(fd_);
    fd_ = -1;
  }

  // Pipelining: sends the commands in one write; read their replies next, in order.
  void envoie(const std::vector<Commande>& commandes) {
    std::string octets;
    for (const Commande c : commandes) octets.append(texte(c)).append("\r\n");
    envoie_octets(octets);
  }
  // Sends actions in one write and reads their "OK"s.
  void agit(const std::vector<Commande>& actions) {
    envoie(actions);
    for (std::size_t i = 0; i < actions.size(); ++i) lit_ok();
  }

  void lit_ok() {
    const std::string ligne = lit_reponse("'OK'");
    if (ligne != "OK") throw ErreurProtocole("'OK'", ligne);
  }
  std::vector<Vaisseau> lit_vaisseaux() { return lit_liste("PUT VAISSEAUX", lit_vaisseau); }
  std::vector<Balle> lit_balles() { return lit_liste("PUT BALLES", lit_balle); }
  std::vector<Cube> lit_cubes() { return lit_liste("PUT CUBES", lit_cube); }
  Taille lit_taille_plateau() {
    constexpr std::string_view forme = "'PUT TAILLE PLATEAU w h'";
    const std::string ligne = lit_reponse(forme);
    const auto c = detail::n_champs(ligne, 5, forme);
    if (ligne.rfind("PUT TAILLE PLATEAU ", 0) != 0) throw ErreurProtocole(forme, ligne);
    return {lit_reel(c[3]), lit_reel(c[4])};
  }
  double lit_rayon_vaisseau() {
    return lit_reel(lit_apres("PUT RAYON VAISSEAU", "'PUT RAYON VAISSEAU r'"));
  }
  double lit_rayon_balle() { return lit_reel(lit_apres("PUT RAYON BALLE", "'PUT RAYON BALLE r'")); }
  std::int64_t lit_max_pt_vie() {
    return lit_entier(lit_apres("PUT MAX PT VIE", "'PUT MAX PT VIE n'"));
  }
  Statut lit_statut() {
    constexpr std::string_view forme = "'PUT STATUT vivant|mort'";
    const std::string mot = lit_apres("PUT STATUT", forme);
    if (mot == "vivant") return Statut::vivant;
    if (mot == "mort") return Statut::mort;
    throw ErreurProtocole(forme, "PUT STATUT " + mot);
  }

  // Sends one raw line; CR LF is added.
  void envoie_ligne(std::string_view ligne) { envoie_octets(std::string(ligne) + "\r\n"); }

  // The next line without its CR LF; `attendu` names it in errors.
  std::string lit_ligne(std::string_view attendu = "a line") {
    std::size_t fin;
    while ((fin = tampon_.find('\n')) == std::string::npos) {
      char morceau[65536];
      const ssize_t lus = ::recv(fd_, morceau, sizeof morceau, 0);
      if (lus == 0 || (lus < 0 && errno == ECONNRESET))
        throw ConnexionFermee("connection closed by the server while waiting for " +
                              std::string(attendu));
      if (lus < 0 && errno == EINTR) continue;
      if (lus < 0)
        throw ErreurArene("no reply while waiting for " + std::string(attendu) + ": " +
                          std::strerror(errno));
      tampon_.append(morceau, static_cast<std::size_t>(lus));
    }
    std::string ligne = tampon_.substr(0, fin);
    tampon_.erase(0, fin + 1);
    if (ligne.empty() || ligne.back() != '\r')
      throw ErreurProtocole(std::string(attendu) + " ending in CR LF", ligne);
    ligne.pop_back();
    return ligne;
  }

 private:
  void envoie_octets(std::string_view octets) {
    while (!octets.empty()) {
      const ssize_t ecrits = ::send(fd_, octets.data(), octets.size(), MSG_NOSIGNAL);
      if (ecrits < 0 && errno == EINTR) continue;
      if (ecrits < 0)
        throw ConnexionFermee(std::string("connection closed by the server: ") +
                              std::strerror(errno));
      octets.remove_prefix(static_cast<std::size_t>(ecrits));
    }
  }

  // The reply to a command. The server answers every command with ERREUR
  // SYNTAXE until a ship is registered: that mistake is named.
  std::string lit_reponse(std::string_view forme) {
    std::string ligne = lit_ligne(forme);
    if (ligne == "ERREUR SYNTAXE")
      throw ErreurProtocole(
          "register first: the server answers 'ERREUR SYNTAXE' to every command until "
          "enregistre() has registered a ship");
    return ligne;
  }

  // What follows `prefixe` and one blank on the next line.
  std::string lit_apres(std::string_view prefixe, std::string_view forme) {
    const std::string ligne = lit_reponse(forme);
    if (ligne.size() <= prefixe.size() || ligne.compare(0, prefixe.size(), prefixe) != 0 ||
        ligne[prefixe.size()] != ' ')
      throw ErreurProtocole(forme, ligne);
    return ligne.substr(prefixe.size() + 1);
  }

  template <typename Element>
  std::vector<Element> lit_liste(std::string_view entete, Element (*lecture)(std::string_view)) {
    const std::string forme = "'" + std::string(entete) + " n'";
    const std::string ligne = lit_reponse(forme);
    if (ligne.compare(0, entete.size() + 1, std::string(entete) + " ") != 0)
      throw ErreurProtocole(forme, ligne);
    const std::int64_t n = lit_entier(std::string_view(ligne).substr(entete.size() + 1));
    if (n < 0) throw ErreurProtocole(forme + " with n >= 0", ligne);
    std::vector<Element> elements;
    elements.reserve(static_cast<std::size_t>(n));
    for (std::int64_t i = 0; i < n; ++i)
      elements.push_back(lecture(lit_ligne("element " + std::to_string(i + 1) + " of " +
                                           std::to_string(n) + " after '" + ligne + "'")));
    return elements;
  }

  int fd_ = -1;
  std::string tampon_;  // bytes received, not yet read as lines
  std::int64_t couleur_ = 0;
};

}  // namespace arene
