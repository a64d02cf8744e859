#include "e2e/tribune_de_test.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;

std::vector<std::string> avec_port_spectateurs(std::vector<std::string> arguments, int port) {
  arguments.insert(arguments.begin(), {"--spectateurs", std::to_string(port)});
  return arguments;
}

}  // namespace

// The spectator port opens just after the game port, which the server's
// start waits for.
ArbitreDeTest::ArbitreDeTest(const std::vector<std::string>& arguments,
                             std::optional<int> port_spectateurs)
    : port_spectateurs_(port_spectateurs.value_or(port_libre())),
      serveur_(avec_port_spectateurs(arguments, port_spectateurs_)) {
  const auto fin = std::chrono::steady_clock::now() + 10s;
  while (!connectable(port_spectateurs_)) {
    if (std::chrono::steady_clock::now() >= fin) throw std::runtime_error("no spectator port");
    std::this_thread::sleep_for(10ms);
  }
}

transport::Socket spectateur_muet(int port, const std::string& source, std::string_view chemin) {
  transport::Socket s(::socket(AF_INET, SOCK_STREAM, 0));
  const int petit = 4096;
  ::setsockopt(s.fd(), SOL_SOCKET, SO_RCVBUF, &petit, sizeof petit);
  sockaddr_in adresse{};
  adresse.sin_family = AF_INET;
  if (!source.empty()) {
    if (::inet_pton(AF_INET, source.c_str(), &adresse.sin_addr) != 1 ||
        ::bind(s.fd(), reinterpret_cast<const sockaddr*>(&adresse), sizeof adresse) != 0)
      throw std::runtime_error("bind " + source);
  }
  adresse.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  adresse.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::connect(s.fd(), reinterpret_cast<const sockaddr*>(&adresse), sizeof adresse) != 0)
    throw std::runtime_error("connect");
  const std::string demande = demande_de_flux(chemin);
  if (::send(s.fd(), demande.data(), demande.size(), MSG_NOSIGNAL) !=
      static_cast<ssize_t>(demande.size()))
    throw std::runtime_error("send");
  return s;
}

ReponseHttp echange_http(int port, std::string_view requete, Duree delai,
                         const std::string& source) {
  ClientDeTest client(port, source);
  client.envoie(requete);
  const auto recu = client.lit_jusqu_a_fermeture(delai);
  ReponseHttp reponse;
  if (!recu || !recu->starts_with("HTTP/1.1 ")) return reponse;
  reponse.statut = std::atoi(recu->c_str() + 9);
  const auto separation = recu->find("\r\n\r\n");
  reponse.entete = recu->substr(0, separation);
  if (separation != std::string::npos) reponse.corps = recu->substr(separation + 4);
  return reponse;
}

ReponseHttp get_http(int port, std::string_view chemin, const std::string& source) {
  return echange_http(
      port,
      "GET " + std::string(chemin) + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n",
      5s, source);
}

std::string demande_de_flux(std::string_view chemin) {
  return "GET " + std::string(chemin) +
         " HTTP/1.1\r\n"
         "Host: 127.0.0.1\r\n"
         "Upgrade: websocket\r\n"
         "Connection: Upgrade\r\n"
         "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
         "Sec-WebSocket-Version: 13\r\n"
         "\r\n";
}

double metrique(const std::string& texte, std::string_view nom) {
  const std::string cherche = "\n" + std::string(nom) + " ";
  const auto position = texte.find(cherche);
  if (position == std::string::npos) return -1;
  return std::strtod(texte.c_str() + position + cherche.size(), nullptr);
}

struct FluxDeTest::Etat {
  asio::io_context ioc;
  websocket::stream<beast::tcp_stream> ws{ioc};
  std::optional<int> code;

  // Runs one operation to its end or to `delai`, which closes the connection.
  template <typename Lance>
  beast::error_code execute(Duree delai, Lance&& lance) {
    beast::error_code erreur;
    beast::get_lowest_layer(ws).expires_after(delai);
    lance([&erreur](beast::error_code e, auto&&...) { erreur = e; });
    ioc.restart();
    ioc.run();
    return erreur;
  }
};

FluxDeTest::FluxDeTest(int port, const std::string& source, const std::string& chemin)
    : etat_(std::make_unique<Etat>()) {
  const asio::ip::tcp::endpoint serveur(asio::ip::address_v4::loopback(),
                                        static_cast<unsigned short>(port));
  auto& ws = etat_->ws;
  if (!source.empty()) {
    auto& socket = beast::get_lowest_layer(ws).socket();
    socket.open(asio::ip::tcp::v4());
    socket.bind({asio::ip::make_address_v4(source), 0});
  }
  if (etat_->execute(5s,
                     [&](auto fin) { beast::get_lowest_layer(ws).async_connect(serveur, fin); }) ||
      etat_->execute(5s, [&](auto fin) { ws.async_handshake("127.0.0.1", chemin, fin); }))
    throw std::runtime_error("the stream did not open");
}

FluxDeTest::~FluxDeTest() = default;

std::optional<std::string> FluxDeTest::message(Duree delai) {
  beast::flat_buffer tampon;
  const auto erreur = etat_->execute(delai, [&](auto fin) { etat_->ws.async_read(tampon, fin); });
  if (erreur == websocket::error::closed) etat_->code = etat_->ws.reason().code;
  if (erreur) return std::nullopt;
  return beast::buffers_to_string(tampon.data());
}

std::optional<int> FluxDeTest::code_de_fermeture() const { return etat_->code; }
