#include "tournoi/sert.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "langue/langue.h"
#include "tournoi/resultat.h"
#include "tribune/attente.h"
#include "tribune/service_http.h"
#include "visionneuse.h"

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using Requete = http::request<http::empty_body>;
using Texte = http::response<http::string_body>;
using Fichier = http::response<http::file_body>;
using namespace std::chrono_literals;

constexpr std::uint32_t taille_max_entete = 8 * 1024;
constexpr auto delai_requete = 10s;
// A browser reading a recording of tens of megabytes over a slow link.
constexpr auto delai_envoi = 120s;

// A descriptor closed when it goes.
struct Descripteur {
  int fd = -1;
  explicit Descripteur(int f) : fd(f) {}
  Descripteur(Descripteur&& autre) noexcept : fd(std::exchange(autre.fd, -1)) {}
  Descripteur& operator=(Descripteur&& autre) noexcept {
    if (this != &autre) {
      ferme();
      fd = std::exchange(autre.fd, -1);
    }
    return *this;
  }
  ~Descripteur() { ferme(); }
  void ferme() {
    if (fd >= 0) ::close(std::exchange(fd, -1));
  }
  int relache() { return std::exchange(fd, -1); }
};

struct Racine {
  Descripteur dossier;
};

template <typename Corps>
void entetes(http::response<Corps>& r, const Requete& requete, std::string_view type) {
  r.set(http::field::server, "arene-tournoi");
  r.set(http::field::content_type, type);
  r.set(http::field::cache_control, "no-cache");
  r.set("X-Content-Type-Options", "nosniff");
  r.keep_alive(requete.keep_alive());
}

Texte texte(const Requete& requete, http::status statut, std::string_view type, std::string corps) {
  Texte r{statut, requete.version()};
  entetes(r, requete, type);
  r.body() = std::move(corps);
  r.prepare_payload();
  return r;
}

Texte erreur(const Requete& requete, http::status statut, std::string message) {
  return texte(requete, statut, "text/plain; charset=utf-8", std::move(message) + "\n");
}

// Each component opened below the previous one, none followed if it is a
// symbolic link: nothing outside the folder can be reached, even through a
// link someone made inside it. Non-blocking, so that a named pipe cannot hold
// the connection. The last component's descriptor, or -1 and `erreur`.
int ouvre_dessous(int racine, const std::vector<std::string>& chemin, int& erreur) {
  Descripteur courant(::dup(racine));
  for (const std::string& c : chemin) {
    Descripteur suivant(
        ::openat(courant.fd, c.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (suivant.fd < 0) {
      erreur = errno;
      return -1;
    }
    courant = std::move(suivant);
  }
  return courant.relache();
}

std::string encode_composant(std::string_view texte) {
  std::string sortie;
  for (unsigned char c : texte) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      sortie += static_cast<char>(c);
    } else {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", c);
      sortie += code;
    }
  }
  return sortie;
}

// The folder's entries, folders first, hidden ones (temporary files) left out.
std::string liste(int fd, std::string_view cible) {
  std::vector<std::pair<bool, std::string>> entrees;
  if (DIR* d = ::fdopendir(::dup(fd))) {
    while (const dirent* e = ::readdir(d))
      if (e->d_name[0] != '.') entrees.push_back({e->d_type != DT_DIR, e->d_name});
    ::closedir(d);
  }
  std::sort(entrees.begin(), entrees.end());
  std::string html = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" +
                     tribune::echappe_html(cible) + "</title></head><body>\n<h1>" +
                     tribune::echappe_html(cible) +
                     "</h1>\n<ul>\n<li><a href=\"../\">../</a></li>\n";
  for (const auto& [fichier, nom] : entrees) {
    const std::string affiche = nom + (fichier ? "" : "/");
    html += "<li><a href=\"" + encode_composant(nom) + (fichier ? "" : "/") + "\">" +
            tribune::echappe_html(affiche) + "</a></li>\n";
  }
  return html + "</ul>\n</body></html>\n";
}

Texte redirige(const Requete& requete, const std::string& vers) {
  Texte r = texte(requete, http::status::moved_permanently, "text/plain; charset=utf-8", vers);
  r.set(http::field::location, vers);
  return r;
}

struct Reponse {
  std::optional<Texte> texte;
  std::optional<Fichier> fichier;
};

Reponse fichier(const Requete& requete, Descripteur fd, std::string_view nom) {
  beast::file_posix posix;
  posix.native_handle(fd.relache());
  Fichier r{http::status::ok, requete.version()};
  entetes(r, requete, type_de(nom));
  beast::error_code e;
  r.body().reset(std::move(posix), e);
  if (e) return {erreur(requete, http::status::internal_server_error, e.message()), {}};
  r.prepare_payload();
  return {{}, std::move(r)};
}

std::string raison_refus(int code) {
  if (code == ELOOP) return "not served: symbolic links are not followed";
  return std::string("not served: ") + std::strerror(code);
}

Reponse reponse_pour(const Racine& racine, const Requete& requete) {
  const std::string_view cible = requete.target();
  const auto chemin = composants(cible);
  if (!chemin) return {erreur(requete, http::status::forbidden, "outside the folder"), {}};
  if (chemin->empty()) return {redirige(requete, "/rapport.html"), {}};
  int code = 0;
  Descripteur fd(ouvre_dessous(racine.dossier.fd, *chemin, code));
  if (fd.fd < 0 && code == ENOENT && *chemin == std::vector<std::string>{fichier_visionneuse})
    return {texte(requete, http::status::ok, type_de(fichier_visionneuse),
                  std::string(page_visionneuse())),
            {}};
  if (fd.fd < 0)
    return {code == ENOENT || code == ENOTDIR
                ? erreur(requete, http::status::not_found, "no such file")
                : erreur(requete, http::status::forbidden, raison_refus(code)),
            {}};
  struct stat etat {};
  ::fstat(fd.fd, &etat);
  const std::string_view chemin_seul = cible.substr(0, cible.find('?'));
  if (S_ISDIR(etat.st_mode)) {
    if (!chemin_seul.ends_with('/')) return {redirige(requete, std::string(chemin_seul) + "/"), {}};
    return {texte(requete, http::status::ok, "text/html; charset=utf-8", liste(fd.fd, chemin_seul)),
            {}};
  }
  if (!S_ISREG(etat.st_mode)) return {erreur(requete, http::status::forbidden, "not a file"), {}};
  return fichier(requete, std::move(fd), chemin->back());
}

template <typename Message>
bool envoie(asio::io_context& ioc, beast::tcp_stream& flux, Message& m, bool tete) {
  flux.expires_after(delai_envoi);
  if (tete) {
    http::response_serializer<typename Message::body_type> s(m);
    s.split(true);
    return !tribune::attend(ioc,
                            [&](auto fin) { http::async_write_header(flux, s, std::move(fin)); });
  }
  return !tribune::attend(ioc, [&](auto fin) { http::async_write(flux, m, std::move(fin)); });
}

// One request and its answer; false once the connection is to close.
bool echange(const Racine& racine, asio::io_context& ioc, beast::tcp_stream& flux,
             beast::flat_buffer& tampon) {
  http::request_parser<http::empty_body> analyseur;
  analyseur.header_limit(taille_max_entete);
  analyseur.body_limit(std::numeric_limits<std::uint64_t>::max());
  flux.expires_after(delai_requete);
  if (tribune::attend(
          ioc, [&](auto fin) { http::async_read_header(flux, tampon, analyseur, std::move(fin)); }))
    return false;
  Requete requete = analyseur.release();
  const bool tete = requete.method() == http::verb::head;
  Reponse r;
  if (requete.method() != http::verb::get && !tete) {
    r.texte = erreur(requete, http::status::method_not_allowed, "only GET and HEAD");
    r.texte->set(http::field::allow, "GET, HEAD");
    r.texte->keep_alive(false);
  } else if (!analyseur.is_done()) {
    r.texte = erreur(requete, http::status::bad_request, "a GET takes no body");
    r.texte->keep_alive(false);
  } else {
    r = reponse_pour(racine, requete);
  }
  if (r.texte) return envoie(ioc, flux, *r.texte, tete) && r.texte->keep_alive();
  return envoie(ioc, flux, *r.fichier, tete) && r.fichier->keep_alive();
}

int chiffre_hexa(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void sert_connexion(const Racine& racine, transport::Socket socket) {
  try {
    asio::io_context ioc;
    beast::tcp_stream flux(asio::ip::tcp::socket(ioc, asio::ip::tcp::v4(), socket.fd()));
    socket.relache();
    beast::flat_buffer tampon;
    while (echange(racine, ioc, flux, tampon)) {
    }
    beast::error_code ignoree;
    flux.socket().shutdown(asio::ip::tcp::socket::shutdown_send, ignoree);
  } catch (...) {
    // One connection's trouble ends that connection only.
  }
}

}  // namespace

std::optional<std::vector<std::string>> composants(std::string_view cible) {
  cible = cible.substr(0, cible.find('?'));
  if (!cible.starts_with('/')) return std::nullopt;
  std::vector<std::string> liste;
  std::string courant;
  for (std::size_t i = 1; i <= cible.size(); ++i) {
    if (i == cible.size() || cible[i] == '/') {
      if (courant.empty() && i < cible.size()) return std::nullopt;
      if (courant == "." || courant == "..") return std::nullopt;
      if (!courant.empty()) liste.push_back(std::exchange(courant, {}));
      continue;
    }
    char c = cible[i];
    if (c == '%') {
      const int fort = i + 2 < cible.size() ? chiffre_hexa(cible[i + 1]) : -1;
      const int faible = i + 2 < cible.size() ? chiffre_hexa(cible[i + 2]) : -1;
      if (fort < 0 || faible < 0) return std::nullopt;
      c = static_cast<char>(fort * 16 + faible);
      i += 2;
      if (c == '/' || c == '\0') return std::nullopt;
    }
    courant += c;
  }
  return liste;
}

std::string_view type_de(std::string_view nom) {
  static constexpr std::pair<std::string_view, std::string_view> types[] = {
      {".html", "text/html; charset=utf-8"},
      {".json", "application/json"},
      {".jsonl", "application/x-ndjson"},
      {".gz", "application/gzip"},
      {".csv", "text/csv; charset=utf-8"},
      {".txt", "text/plain; charset=utf-8"},
      {".log", "text/plain; charset=utf-8"},
      {".toml", "text/plain; charset=utf-8"},
      {".sh", "text/plain; charset=utf-8"},
      {".svg", "image/svg+xml"},
      {".png", "image/png"},
  };
  for (const auto& [extension, type] : types)
    if (nom.ends_with(extension)) return type;
  return "application/octet-stream";
}

int sert(const OptionsSert& options) {
  OptionsSert o = options;
  o.dossier = std::filesystem::absolute(o.dossier).lexically_normal();
  auto racine = std::make_shared<Racine>(
      Racine{Descripteur(::open(o.dossier.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))});
  if (racine->dossier.fd < 0) {
    std::fprintf(stderr, _("arene-tournoi: %s: not a folder that can be read\n"),
                 o.dossier.c_str());
    return 1;
  }
  tribune::EcouteHttp e = tribune::ecoute_http({o.port, o.adresse, "arene-tournoi"});
  if (e.etat == tribune::EcouteHttp::Etat::adresse_invalide) {
    std::fprintf(stderr, _("arene-tournoi: --adresse %s: expected an IPv4 address\n"),
                 o.adresse.c_str());
    return 1;
  }
  if (e.etat == tribune::EcouteHttp::Etat::refusee) {
    std::fprintf(stderr,
                 _("arene-tournoi: cannot listen on %s port %lld (%s): give another with --port\n"),
                 o.adresse.c_str(), static_cast<long long>(o.port), e.raison.c_str());
    return 1;
  }
  std::printf(_("serving %s at http://%s:%d/rapport.html (Ctrl-C to stop)\n"), o.dossier.c_str(),
              e.hote.c_str(), e.port);
  std::fflush(stdout);
  return tribune::accepte_http(
      std::move(e.socket), "arene-tournoi",
      [racine](transport::Socket socket) { sert_connexion(*racine, std::move(socket)); });
}
