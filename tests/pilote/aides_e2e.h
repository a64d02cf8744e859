// What the end-to-end tests of arene-pilote share: knowing whether the server
// under test speaks the protocol yet, and reading its list replies raw.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "e2e/serveur_de_test.h"

// False when the server closes a new connection without answering its
// registration, as it did before the protocol was in; true when it answers
// (the trial ship is then removed again).
bool protocole_present(int port);

inline constexpr const char* sans_protocole =
    "the server under test closes every connection without answering the registration: "
    "its protocol is not in this build yet";

// The element lines of a list reply, without CR LF; nothing when the reply is
// not a complete list.
std::optional<std::vector<std::string>> liste(ClientDeTest& client, std::string_view requete);

// The colour numbers (last field) of the element lines.
std::vector<long long> couleurs_de(const std::vector<std::string>& lignes);

// Calls `essai` until it returns true or `delai` passes; returns its last result.
template <typename F>
bool attend(F essai, Duree delai) {
  const auto fin = std::chrono::steady_clock::now() + delai;
  for (;;) {
    if (essai()) return true;
    if (std::chrono::steady_clock::now() >= fin) return false;
    std::this_thread::sleep_for(2ms);
  }
}

// The path of arene-pilote under test.
std::string binaire_pilote();
