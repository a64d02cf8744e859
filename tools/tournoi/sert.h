// `arene-tournoi sert`: the tournament's folder over HTTP, so that the
// report's links (the viewer with a recording, results, logs) work in a
// browser, which refuses to let a page opened from disk read other files.
//
// Only what lies in the folder is served: a path with "..", or that reaches
// a symbolic link, is refused, whatever the link points to. GET and HEAD only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct OptionsSert {
  std::filesystem::path dossier;
  std::int64_t port = 8000;
  std::string adresse = "127.0.0.1";  // IPv4; 0.0.0.0 for every interface
};

// Serves until a signal ends the program; returns an exit status when the
// folder or the port cannot be had, after saying why.
int sert(const OptionsSert& options);

// The path of a request target ("/matchs/0001/x.json?q") as its decoded
// components; nothing when it is not a plain path below the root (a "..",
// a "." or empty component, an encoded '/' or NUL, a bad escape).
std::optional<std::vector<std::string>> composants(std::string_view cible);

// The Content-Type for a file name, by its extension.
std::string_view type_de(std::string_view nom);
